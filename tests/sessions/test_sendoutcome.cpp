// The record update after the send window closes: nothing without an
// attempt, PAGES/LASTRESULT/PHONE after any attempt, SENT with date and
// 24-hour time only after a sent fax, and an earlier send kept on failure.
#include "records/faxtables.h"
#include "sessions/sendoutcome.h"

#include <gtest/gtest.h>

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
};

}  // namespace

TEST_F(Outcome, NoAttemptWritesNothing)
{
    EXPECT_FALSE(WriteSendOutcome(t(), 3, {false, "Sent", "999"}, afternoon));
    EXPECT_EQ(row().phone, "555-0000");
    EXPECT_EQ(row().pages, 0);
    EXPECT_FALSE(row().sent);
}

TEST_F(Outcome, FailedAttemptKeepsSentUnchanged)
{
    EXPECT_TRUE(WriteSendOutcome(t(), 3, {true, "Error opening communications port", "9,555-0100"}, afternoon));
    records::OutgoingFax r = row();
    EXPECT_EQ(r.pages, 3);
    EXPECT_EQ(r.lastResult, "Error opening communications port");
    EXPECT_EQ(r.phone, "9,555-0100");
    EXPECT_FALSE(r.sent);
    EXPECT_EQ(r.dateSent, "");
    EXPECT_EQ(r.timeSent, "");

    // A blank result leaves the stored one.
    WriteSendOutcome(t(), 2, {true, "   ", "555-0100"}, afternoon);
    EXPECT_EQ(row().lastResult, "Error opening communications port");
    EXPECT_EQ(row().pages, 2);
}

TEST_F(Outcome, SentFaxGetsDateAndTwentyFourHourTime)
{
    EXPECT_TRUE(WriteSendOutcome(t(), 3, {true, "Sent", "555-0100"}, afternoon));
    records::OutgoingFax r = row();
    EXPECT_TRUE(r.sent);
    EXPECT_EQ(r.dateSent, "20240305");
    EXPECT_EQ(r.timeSent, "14:07");
    EXPECT_EQ(r.lastResult, "Sent");

    // A later failed attempt does not take the earlier send away.
    WriteSendOutcome(t(), 3, {true, "Called fax number was busy", "555-0100"},
                     QDateTime(QDate(2024, 3, 6), QTime(9, 1)));
    r = row();
    EXPECT_TRUE(r.sent);
    EXPECT_EQ(r.dateSent, "20240305");
    EXPECT_EQ(r.lastResult, "Called fax number was busy");

    // "ok" in any case also counts as sent.
    WriteSendOutcome(t(), 1, {true, "ok", "1"}, QDateTime(QDate(2025, 1, 2), QTime(7, 5)));
    EXPECT_EQ(row().dateSent, "20250102");
    EXPECT_EQ(row().timeSent, "07:05");
}
