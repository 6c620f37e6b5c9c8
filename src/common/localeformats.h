// Date and time formats taken from the user's locale, and the formatter for
// them.
//
// Format strings use these tokens (letters are case-insensitive):
//   d dd ddd dddd   day, day with zero, short and long weekday name
//   ddddd dddddd    the short date format, the long date format
//   m mm mmm mmmm   month, month with zero, short and long month name
//                   (m or mm right after an hour token means minutes)
//   yy yyyy         year in two or four digits
//   h hh            hour, hour with zero (12-hour when the format has AMPM,
//                   am/pm or a/p)
//   n nn            minute, minute with zero
//   s ss            second, second with zero
//   z zzz           milliseconds
//   t tt            the short time format, the long time format
//   c               short date format, a blank, long time format
//   AMPM            the morning/afternoon designator of the locale
//   am/pm a/p       "am"/"pm" or "a"/"p", cased as written
//   /  :            the date separator, the time separator
//   "..." '...'     literal text
// Any other character stands for itself.
//
// Plain values; localeFormats() is set once at start-up from the
// user-interface thread and read anywhere afterwards.
#pragma once

#include <array>
#include <string>

class QDateTime;
class QDate;
class QTime;
class QLocale;

namespace qln {

struct LocaleFormats {
    std::string shortDateFormat = "m/d/yy";
    std::string longDateFormat = "mmmm d, yyyy";
    std::string dateSeparator = "/";
    std::string timeSeparator = ":";
    std::string timeAMString = "am";
    std::string timePMString = "pm";
    std::string shortTimeFormat = "h:mm AMPM";
    std::string longTimeFormat = "h:mm:ss AMPM";
    std::array<std::string, 12> shortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> longMonthNames{"January", "February", "March",     "April",
                                               "May",     "June",     "July",      "August",
                                               "September", "October", "November", "December"};
    // Monday first, as QDate::dayOfWeek counts.
    std::array<std::string, 7> shortDayNames{"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    std::array<std::string, 7> longDayNames{"Monday", "Tuesday", "Wednesday", "Thursday",
                                            "Friday", "Saturday", "Sunday"};

    // Formats built from a locale. The C locale gives the defaults above.
    static LocaleFormats fromLocale(const QLocale &locale);
};

// The formats in use (defaults until setLocaleFormats is called).
const LocaleFormats &localeFormats();
void setLocaleFormats(const LocaleFormats &formats);
// Sets the formats from the user's locale (QLocale::system()); the program
// calls it once at start-up.
void initLocaleFormats();

// Renders |format| for the given moment. An invalid date or time renders
// its fields as zeros.
std::string formatDateTime(const std::string &format, const QDateTime &when,
                           const LocaleFormats &formats = localeFormats());
std::string formatDate(const std::string &format, const QDate &date,
                       const LocaleFormats &formats = localeFormats());
std::string formatTime(const std::string &format, const QTime &time,
                       const LocaleFormats &formats = localeFormats());

// Converts a Qt date or time format ("M/d/yy", "dddd, MMMM d, yyyy") into
// this notation ("m/d/yy", "dddd, mmmm d, yyyy").
std::string fromQtDateFormat(const std::string &qtFormat);

}  // namespace qln
