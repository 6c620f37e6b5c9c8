// The record update after the send window closes: nothing without an
// attempt, PAGES/LASTRESULT/PHONE after any attempt, SENT with date and
// 24-hour time of the call's end only after a sent fax, an earlier send
// kept on failure, page counts beyond the two-digit field, and the rendered
// file deleted whatever happened.
#include "common/localeformats.h"
#include "common/messages.h"
#include "common/settings.h"
#include "records/faxtables.h"
#include "sessions/sendfaxjob.h"
#include "sessions/sendoutcome.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace qln;

namespace {

class Outcome : public ::testing::Test {
protected:
    Outcome() : tables(dir.path().toStdString() + "/")
    {
        EXPECT_TRUE(tables.OpenFaxDBF());
        t().Append();
        t().SetString("SUBJECT", "Quote");
        t().SetString("PHONE", "555-0000");
        t().SetString("LASTRESULT", "earlier result");
        t().Post();
    }
    records::TTable &t() { return tables.FaxTable; }
    records::OutgoingFax row() { return records::readOutgoing(t()); }

    QTemporaryDir dir;
    records::FaxTables tables;
    const QDateTime afternoon{QDate(2024, 3, 5), QTime(14, 7, 9)};
    SendOutcome outcome(bool attempted, const std::string &result, const std::string &phone,
                        const QDateTime &at = QDateTime())
    {
        return {attempted, result, phone, at.isValid() ? at : afternoon};
    }
};

}  // namespace

TEST_F(Outcome, NoAttemptWritesNothing)
{
    EXPECT_FALSE(WriteSendOutcome(t(), 3, outcome(false, "Sent", "999")));
    EXPECT_EQ(row().phone, "555-0000");
    EXPECT_EQ(row().pages, 0);
    EXPECT_FALSE(row().sent);
}

TEST_F(Outcome, FailedAttemptKeepsSentUnchanged)
{
    EXPECT_TRUE(WriteSendOutcome(t(), 3, outcome(true, "Error opening communications port", "9,555-0100")));
    records::OutgoingFax r = row();
    EXPECT_EQ(r.pages, 3);
    EXPECT_EQ(r.lastResult, "Error opening communications port");
    EXPECT_EQ(r.phone, "9,555-0100");
    EXPECT_FALSE(r.sent);
    EXPECT_EQ(r.dateSent, "");
    EXPECT_EQ(r.timeSent, "");

    // A blank result leaves the stored one.
    WriteSendOutcome(t(), 2, outcome(true, "   ", "555-0100"));
    EXPECT_EQ(row().lastResult, "Error opening communications port");
    EXPECT_EQ(row().pages, 2);
}

TEST_F(Outcome, SentFaxGetsDateAndTwentyFourHourTime)
{
    EXPECT_TRUE(WriteSendOutcome(t(), 3, outcome(true, "Sent", "555-0100")));
    records::OutgoingFax r = row();
    EXPECT_TRUE(r.sent);
    EXPECT_EQ(r.dateSent, "20240305");
    EXPECT_EQ(r.timeSent, "14:07");
    EXPECT_EQ(r.lastResult, "Sent");

    // A later failed attempt does not take the earlier send away.
    WriteSendOutcome(t(), 3, outcome(true, "Called fax number was busy", "555-0100",
                                     QDateTime(QDate(2024, 3, 6), QTime(9, 1))));
    r = row();
    EXPECT_TRUE(r.sent);
    EXPECT_EQ(r.dateSent, "20240305");
    EXPECT_EQ(r.lastResult, "Called fax number was busy");

    // "ok" in any case also counts as sent.
    WriteSendOutcome(t(), 1, outcome(true, "ok", "1", QDateTime(QDate(2025, 1, 2), QTime(7, 5))));
    EXPECT_EQ(row().dateSent, "20250102");
    EXPECT_EQ(row().timeSent, "07:05");
}

TEST_F(Outcome, TimeSentIsWhenTheCallEndedNotWhenTheWindowClosed)
{
    setLocaleFormats(LocaleFormats{});
    Settings settings;
    ScriptedMessages msgs;
    ScopedMessages scoped{msgs};
    const std::string data = dir.path().toStdString() + "/";
    SendFaxJob job(settings, data + "QLN_1.APF", data);
    QDateTime clock(QDate(2024, 3, 5), QTime(14, 7, 9));
    job.Now = [&clock] { return clock; };
    job.ApdSendFax1FaxFinish(0);
    EXPECT_TRUE(job.sentAt().isValid());
    clock = QDateTime(QDate(2024, 3, 5), QTime(16, 45));  // the window closes much later
    SendOutcome o = SendOutcome::of(job, "555-0100");
    EXPECT_EQ(o.lastResult, "Sent");
    o.attempted = true;  // the attempt itself is the send tests' business
    ASSERT_TRUE(WriteSendOutcome(t(), 2, o));
    EXPECT_EQ(row().timeSent, "14:07");
    EXPECT_EQ(row().dateSent, "20240305");
    // The send log's finish line carries the same time.
    QFile log(QString::fromStdString(data + "Lastsend.log"));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("Finish: March 5, 2024 2:07:09"));
}

TEST_F(Outcome, HundredPagesSentAreMarkedSentWithTheTrueCountInTheResult)
{
    ASSERT_TRUE(WriteSendOutcome(t(), 120, outcome(true, "Sent", "555-0100")));
    records::OutgoingFax r = row();
    EXPECT_TRUE(r.sent);
    EXPECT_EQ(r.pages, 99);
    EXPECT_EQ(r.lastResult, "Sent (120 pages)");
    EXPECT_EQ(r.timeSent, "14:07");

    // A long failure text is cut, never the count.
    const std::string longText(100, 'x');
    ASSERT_TRUE(WriteSendOutcome(t(), 100, outcome(true, longText, "555-0100")));
    r = row();
    EXPECT_EQ(r.lastResult.size(), 100u);
    EXPECT_EQ(r.lastResult.substr(r.lastResult.size() - 12), " (100 pages)");
    EXPECT_EQ(r.pages, 99);
}

TEST_F(Outcome, CompleteSendDeletesTheFaxFileEvenWithoutAnAttempt)
{
    const QString file = dir.path() + "/QLN_7.APF";
    for (bool attempted : {false, true}) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        EXPECT_EQ(CompleteSend(t(), 1, outcome(attempted, "No response from modem", "1"), file.toStdString()),
                  attempted);
        EXPECT_FALSE(QFile::exists(file));
    }
    EXPECT_EQ(row().lastResult, "No response from modem");
}
