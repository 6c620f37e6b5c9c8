// The date/time formatter and the formats taken from a locale.
#include "common/localeformats.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QLocale>

using namespace qln;

namespace {
const QDateTime kMorning(QDate(2026, 3, 7), QTime(9, 5, 3, 42));
const QDateTime kEvening(QDate(2009, 12, 25), QTime(23, 45, 0));
const QDateTime kMidnight(QDate(2026, 1, 1), QTime(0, 0, 0));
}  // namespace

TEST(FormatDateTime, DefaultFormats)
{
    LocaleFormats f;
    EXPECT_EQ(formatDateTime(f.shortDateFormat, kMorning, f), "3/7/26");
    EXPECT_EQ(formatDateTime(f.longDateFormat, kMorning, f), "March 7, 2026");
    EXPECT_EQ(formatDateTime(f.shortTimeFormat, kMorning, f), "9:05 am");
    EXPECT_EQ(formatDateTime(f.longTimeFormat, kEvening, f), "11:45:00 pm");
    EXPECT_EQ(formatDateTime(f.shortTimeFormat, kMidnight, f), "12:00 am");
    EXPECT_EQ(formatDateTime("hh:mm:ss", kMorning, f), "09:05:03");
    EXPECT_EQ(formatDateTime("hh:mm:ss", kEvening, f), "23:45:00") << "24-hour without AMPM";
}

TEST(FormatDateTime, TokensAndLiterals)
{
    LocaleFormats f;
    EXPECT_EQ(formatDateTime("dd/mm/yyyy", kMorning, f), "07/03/2026");
    EXPECT_EQ(formatDateTime("ddd dddd mmm mmmm", kMorning, f), "Sat Saturday Mar March");
    EXPECT_EQ(formatDateTime("yymmdd", kMorning, f), "260307");
    EXPECT_EQ(formatDateTime("h:nn:ss.zzz", kMorning, f), "9:05:03.042");
    EXPECT_EQ(formatDateTime("\"Date:\" d 'at' h", kMorning, f), "Date: 7 at 9");
    EXPECT_EQ(formatDateTime("h AM/PM a/p", kEvening, f), "11 PM p");
    EXPECT_EQ(formatDateTime("ddddd t", kEvening, f), "12/25/09 11:45 pm");
    EXPECT_EQ(formatDateTime("c", kEvening, f), "12/25/09 11:45:00 pm");
    EXPECT_EQ(formatDateTime("m", kMorning, f), "3") << "m alone is the month";
}

TEST(FormatDateTime, SeparatorsComeFromTheFormats)
{
    LocaleFormats f;
    f.dateSeparator = ".";
    f.timeSeparator = ".";
    EXPECT_EQ(formatDateTime("d/m/yyyy h:mm", kMorning, f), "7.3.2026 9.05");
}

TEST(FormatDateTime, SelfReferringFormatsStop)
{
    LocaleFormats f;
    f.shortDateFormat = "ddddd";  // names itself
    EXPECT_NO_THROW(formatDateTime("ddddd", kMorning, f));
    f.shortTimeFormat = "t";
    EXPECT_NO_THROW(formatDateTime("t", kMorning, f));
}

TEST(QtFormatMapping, FieldsAndQuotes)
{
    EXPECT_EQ(fromQtDateFormat("M/d/yy"), "m/d/yy");
    EXPECT_EQ(fromQtDateFormat("dddd, MMMM d, yyyy"), "dddd, mmmm d, yyyy");
    EXPECT_EQ(fromQtDateFormat("d 'de' MMMM 'de' yyyy"), "d \"de\" mmmm \"de\" yyyy");
    EXPECT_EQ(fromQtDateFormat("HH:mm:ss t"), "hh:nn:ss");
    EXPECT_EQ(fromQtDateFormat("h:mm AP"), "h:nn AMPM");
    EXPECT_EQ(fromQtDateFormat("dd''MM"), "dd'mm");
}

TEST(LocaleMapping, UnitedStates)
{
    LocaleFormats f = LocaleFormats::fromLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(f.shortDateFormat, "m/d/yy");
    EXPECT_EQ(f.dateSeparator, "/");
    EXPECT_EQ(f.timeSeparator, ":");
    EXPECT_EQ(f.shortTimeFormat, "h:mm AMPM");
    EXPECT_EQ(f.longTimeFormat, "h:mm:ss AMPM");
    EXPECT_EQ(formatDateTime(f.shortTimeFormat, kEvening, f), "11:45 PM");
    EXPECT_EQ(formatDateTime(f.longDateFormat, kMorning, f), "Saturday, March 7, 2026");
}

TEST(LocaleMapping, GermanyUses24HoursWithLeadingZero)
{
    LocaleFormats f = LocaleFormats::fromLocale(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(f.dateSeparator, ".");
    EXPECT_EQ(f.shortTimeFormat, "hh:mm");
    EXPECT_EQ(f.longTimeFormat, "hh:mm:ss");
    EXPECT_EQ(formatDateTime(f.shortDateFormat, kMorning, f), "07.03.26");
    EXPECT_EQ(formatDateTime(f.longTimeFormat, kMorning, f), "09:05:03");
    EXPECT_EQ(formatDateTime("mmmm", kMorning, f), "März");
}

TEST(LocaleMapping, CLocaleGivesDefaults)
{
    LocaleFormats f = LocaleFormats::fromLocale(QLocale::c());
    LocaleFormats d;
    EXPECT_EQ(f.shortDateFormat, d.shortDateFormat);
    EXPECT_EQ(f.longDateFormat, "mmmm d, yyyy");
    EXPECT_EQ(f.timeAMString, "am");
}
