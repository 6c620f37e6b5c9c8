// Locale date and time formats and their formatter.
#include "common/localeformats.h"

#include <cctype>
#include <mutex>

#include <QDateTime>
#include <QLocale>

namespace qln {

namespace {

std::mutex formatsMutex;
LocaleFormats &current()
{
    static LocaleFormats f;
    return f;
}

struct Moment {
    int year = 0, month = 0, day = 0, dayOfWeek = 0;  // dayOfWeek 1 = Monday
    int hour = 0, minute = 0, second = 0, msec = 0;
};

std::string pad(int v, int width)
{
    std::string s = std::to_string(v < 0 ? -v : v);
    while (static_cast<int>(s.size()) < width)
        s.insert(s.begin(), '0');
    return v < 0 ? "-" + s : s;
}

int lower(char c) { return std::tolower(static_cast<unsigned char>(c)); }

bool startsNoCase(const std::string &s, std::size_t i, const char *word)
{
    for (std::size_t k = 0; word[k]; ++k)
        if (i + k >= s.size() || lower(s[i + k]) != word[k])
            return false;
    return true;
}

// Whether the format uses a morning/afternoon token (outside quotes).
bool hasAmPm(const std::string &f)
{
    char quote = 0;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (quote) {
            if (f[i] == quote)
                quote = 0;
        } else if (f[i] == '"' || f[i] == '\'') {
            quote = f[i];
        } else if (startsNoCase(f, i, "ampm") || startsNoCase(f, i, "am/pm") || startsNoCase(f, i, "a/p")) {
            return true;
        }
    }
    return false;
}

void render(const std::string &f, const Moment &m, const LocaleFormats &lf, std::string &out, int depth)
{
    if (depth > 2)
        return;  // formats that name each other do not recurse forever
    const bool twelve = hasAmPm(f);
    bool lastWasHour = false;
    std::size_t i = 0;
    auto run = [&](char c) {
        std::size_t n = 0;
        while (i + n < f.size() && lower(f[i + n]) == c)
            ++n;
        return n;
    };
    while (i < f.size()) {
        const char c = f[i];
        const int lc = lower(c);
        if (c == '"' || c == '\'') {
            std::size_t e = f.find(c, i + 1);
            out += f.substr(i + 1, e == std::string::npos ? std::string::npos : e - i - 1);
            i = e == std::string::npos ? f.size() : e + 1;
            continue;
        }
        if (c == '/') {
            out += lf.dateSeparator;
            ++i;
            continue;
        }
        if (c == ':') {
            out += lf.timeSeparator;
            ++i;
            continue;
        }
        switch (lc) {
        case 'd': {
            std::size_t n = run('d');
            if (n == 1)
                out += std::to_string(m.day);
            else if (n == 2)
                out += pad(m.day, 2);
            else if (n == 3)
                out += m.dayOfWeek >= 1 && m.dayOfWeek <= 7 ? lf.shortDayNames[m.dayOfWeek - 1] : "";
            else if (n == 4)
                out += m.dayOfWeek >= 1 && m.dayOfWeek <= 7 ? lf.longDayNames[m.dayOfWeek - 1] : "";
            else if (n == 5)
                render(lf.shortDateFormat, m, lf, out, depth + 1);
            else
                render(lf.longDateFormat, m, lf, out, depth + 1);
            i += n;
            lastWasHour = false;
            continue;
        }
        case 'm': {
            std::size_t n = run('m');
            if (lastWasHour && n <= 2) {
                out += n == 1 ? std::to_string(m.minute) : pad(m.minute, 2);
            } else if (n == 1) {
                out += std::to_string(m.month);
            } else if (n == 2) {
                out += pad(m.month, 2);
            } else {
                const bool ok = m.month >= 1 && m.month <= 12;
                out += !ok ? "" : n == 3 ? lf.shortMonthNames[m.month - 1] : lf.longMonthNames[m.month - 1];
            }
            i += n;
            lastWasHour = false;
            continue;
        }
        case 'y': {
            std::size_t n = run('y');
            out += n <= 2 ? pad(m.year % 100, 2) : pad(m.year, 4);
            i += n;
            lastWasHour = false;
            continue;
        }
        case 'h': {
            std::size_t n = run('h');
            int h = m.hour;
            if (twelve) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            out += n == 1 ? std::to_string(h) : pad(h, 2);
            i += n;
            lastWasHour = true;
            continue;
        }
        case 'n': {
            std::size_t n = run('n');
            out += n == 1 ? std::to_string(m.minute) : pad(m.minute, 2);
            i += n;
            lastWasHour = false;
            continue;
        }
        case 's': {
            std::size_t n = run('s');
            out += n == 1 ? std::to_string(m.second) : pad(m.second, 2);
            i += n;
            lastWasHour = false;
            continue;
        }
        case 'z': {
            std::size_t n = run('z');
            out += n < 3 ? std::to_string(m.msec) : pad(m.msec, 3);
            i += n;
            lastWasHour = false;
            continue;
        }
        case 't': {
            std::size_t n = run('t');
            render(n == 1 ? lf.shortTimeFormat : lf.longTimeFormat, m, lf, out, depth + 1);
            i += n;
            lastWasHour = false;
            continue;
        }
        case 'c':
            render(lf.shortDateFormat, m, lf, out, depth + 1);
            out += ' ';
            render(lf.longTimeFormat, m, lf, out, depth + 1);
            ++i;
            lastWasHour = false;
            continue;
        case 'a':
            if (startsNoCase(f, i, "ampm")) {
                out += m.hour < 12 ? lf.timeAMString : lf.timePMString;
                i += 4;
                lastWasHour = false;
                continue;
            }
            if (startsNoCase(f, i, "am/pm")) {
                // Cased as written: "AM/PM" gives "AM", "am/pm" gives "am".
                out += m.hour < 12 ? f.substr(i, 2) : f.substr(i + 3, 2);
                i += 5;
                lastWasHour = false;
                continue;
            }
            if (startsNoCase(f, i, "a/p")) {
                out += m.hour < 12 ? f.substr(i, 1) : f.substr(i + 2, 1);
                i += 3;
                lastWasHour = false;
                continue;
            }
            break;
        default:
            break;
        }
        out += c;
        ++i;
    }
}

Moment momentOf(const QDate &d, const QTime &t)
{
    Moment m;
    if (d.isValid()) {
        m.year = d.year();
        m.month = d.month();
        m.day = d.day();
        m.dayOfWeek = d.dayOfWeek();
    }
    if (t.isValid()) {
        m.hour = t.hour();
        m.minute = t.minute();
        m.second = t.second();
        m.msec = t.msec();
    }
    return m;
}

std::string str(const QString &s) { return s.toStdString(); }

}  // namespace

std::string fromQtDateFormat(const std::string &q)
{
    std::string out;
    std::size_t i = 0;
    while (i < q.size()) {
        const char c = q[i];
        std::size_t n = 1;
        while (i + n < q.size() && q[i + n] == c)
            ++n;
        if (c == '\'') {
            if (n >= 2 && n % 2 == 0) {  // '' is a quote character
                out += std::string(n / 2, '\'');
                i += n;
                continue;
            }
            std::size_t e = q.find('\'', i + 1);
            std::string lit = q.substr(i + 1, e == std::string::npos ? std::string::npos : e - i - 1);
            if (!lit.empty())
                out += "\"" + lit + "\"";
            i = e == std::string::npos ? q.size() : e + 1;
            continue;
        }
        switch (c) {
        case 'd':
            out += std::string(std::min<std::size_t>(n, 4), 'd');
            break;
        case 'M':
            out += std::string(std::min<std::size_t>(n, 4), 'm');
            break;
        case 'y':
            out += n <= 2 ? "yy" : "yyyy";
            break;
        case 'h':
        case 'H':
            out += n == 1 ? "h" : "hh";
            break;
        case 'm':
            out += n == 1 ? "n" : "nn";
            break;
        case 's':
            out += n == 1 ? "s" : "ss";
            break;
        case 'z':
            out += n < 3 ? "z" : "zzz";
            break;
        case 'A':
        case 'a':
            out += "AMPM";
            if (i + n < q.size() && (q[i + n] == 'P' || q[i + n] == 'p'))
                ++n;
            break;
        case 't':
            break;  // time zone: not part of these formats
        default:
            out += std::string(n, c);
            break;
        }
        i += n;
    }
    // A trailing blank left behind by a dropped time zone.
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

LocaleFormats LocaleFormats::fromLocale(const QLocale &locale)
{
    LocaleFormats f;
    if (locale.language() == QLocale::C)
        return f;
    const std::string shortQt = str(locale.dateFormat(QLocale::ShortFormat));
    f.shortDateFormat = fromQtDateFormat(shortQt);
    f.longDateFormat = fromQtDateFormat(str(locale.dateFormat(QLocale::LongFormat)));
    // The date separator is the first character of the short format that is
    // neither a field letter nor quoted text.
    for (char c : shortQt) {
        if (std::isalpha(static_cast<unsigned char>(c)) || c == '\'' || c == ' ')
            continue;
        f.dateSeparator = std::string(1, c);
        break;
    }
    const std::string timeQt = str(locale.timeFormat(QLocale::ShortFormat));
    bool twelve = false, leadingZero = false;
    char quote = 0;
    for (std::size_t i = 0; i < timeQt.size(); ++i) {
        char c = timeQt[i];
        if (quote) {
            if (c == quote)
                quote = 0;
            continue;
        }
        if (c == '\'') {
            quote = c;
        } else if (c == 'a' || c == 'A') {
            twelve = true;
        } else if ((c == 'h' || c == 'H') && i + 1 < timeQt.size() && timeQt[i + 1] == c) {
            leadingZero = true;
        }
    }
    // The time separator follows the hour field.
    std::size_t h = timeQt.find_first_of("hH");
    if (h != std::string::npos) {
        std::size_t k = h;
        while (k < timeQt.size() && (timeQt[k] == 'h' || timeQt[k] == 'H'))
            ++k;
        if (k < timeQt.size() && !std::isalpha(static_cast<unsigned char>(timeQt[k])) && timeQt[k] != '\'')
            f.timeSeparator = std::string(1, timeQt[k]);
    }
    const std::string amText = str(locale.amText()), pmText = str(locale.pmText());
    if (!amText.empty())
        f.timeAMString = amText;
    if (!pmText.empty())
        f.timePMString = pmText;
    const std::string hour = leadingZero ? "hh" : "h";
    f.shortTimeFormat = hour + ":mm" + (twelve ? " AMPM" : "");
    f.longTimeFormat = hour + ":mm:ss" + (twelve ? " AMPM" : "");
    for (int i = 0; i < 12; ++i) {
        f.shortMonthNames[i] = str(locale.monthName(i + 1, QLocale::ShortFormat));
        f.longMonthNames[i] = str(locale.monthName(i + 1, QLocale::LongFormat));
    }
    for (int i = 0; i < 7; ++i) {
        f.shortDayNames[i] = str(locale.dayName(i + 1, QLocale::ShortFormat));
        f.longDayNames[i] = str(locale.dayName(i + 1, QLocale::LongFormat));
    }
    return f;
}

const LocaleFormats &localeFormats()
{
    std::lock_guard<std::mutex> lock(formatsMutex);
    return current();
}

void setLocaleFormats(const LocaleFormats &formats)
{
    std::lock_guard<std::mutex> lock(formatsMutex);
    current() = formats;
}

void initLocaleFormats() { setLocaleFormats(LocaleFormats::fromLocale(QLocale::system())); }

std::string formatDateTime(const std::string &format, const QDateTime &when, const LocaleFormats &formats)
{
    std::string out;
    render(format, momentOf(when.date(), when.time()), formats, out, 0);
    return out;
}

std::string formatDate(const std::string &format, const QDate &date, const LocaleFormats &formats)
{
    std::string out;
    render(format, momentOf(date, QTime()), formats, out, 0);
    return out;
}

std::string formatTime(const std::string &format, const QTime &time, const LocaleFormats &formats)
{
    std::string out;
    render(format, momentOf(QDate(), time), formats, out, 0);
    return out;
}

}  // namespace qln
