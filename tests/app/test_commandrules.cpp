// Decisions of the main window's commands: receive-mode refusals, beeps,
// question texts.
#include "app/commandrules.h"

#include <gtest/gtest.h>

using namespace qln;

namespace {
CommandContext ctx(bool receive, bool outgoingTab, long out, long in)
{
    CommandContext c;
    c.receiveMode = receive;
    c.outgoingTabActive = outgoingTab;
    c.outgoingQueryCount = out;
    c.incomingQueryCount = in;
    return c;
}
}  // namespace

TEST(CommandGates, ReceiveModeRefusesTheListedCommands)
{
    for (MainCommand cmd : {MainCommand::New, MainCommand::Edit, MainCommand::CoverSheets,
                            MainCommand::PhoneBook, MainCommand::Preferences,
                            MainCommand::RebuildIndexes, MainCommand::FaxLogCleanup,
                            MainCommand::VisitWebsite}) {
        EXPECT_EQ(gateCommand(cmd, ctx(true, true, 5, 5)), Gate::RefuseReceiveMode)
            << static_cast<int>(cmd);
        EXPECT_EQ(gateCommand(cmd, ctx(false, true, 5, 5)), Gate::Proceed)
            << static_cast<int>(cmd);
    }
    // Delete refuses on the incoming tab only; View and Print never refuse.
    EXPECT_EQ(gateCommand(MainCommand::Delete, ctx(true, false, 5, 5)), Gate::RefuseReceiveMode);
    EXPECT_EQ(gateCommand(MainCommand::Delete, ctx(true, true, 5, 5)), Gate::Proceed);
    EXPECT_EQ(gateCommand(MainCommand::View, ctx(true, false, 5, 5)), Gate::Proceed);
    EXPECT_EQ(gateCommand(MainCommand::Print, ctx(true, true, 5, 5)), Gate::Proceed);
    // Edit refuses on both tabs, even with nothing to edit.
    EXPECT_EQ(gateCommand(MainCommand::Edit, ctx(true, false, 0, 0)), Gate::RefuseReceiveMode);
}

TEST(CommandGates, NoCurrentFaxBeeps)
{
    EXPECT_EQ(gateCommand(MainCommand::Edit, ctx(false, true, 0, 3)), Gate::Beep);
    EXPECT_EQ(gateCommand(MainCommand::Edit, ctx(false, false, 3, 0)), Gate::Beep);
    EXPECT_EQ(gateCommand(MainCommand::Delete, ctx(false, false, 3, 0)), Gate::Beep);
    EXPECT_EQ(gateCommand(MainCommand::Delete, ctx(true, true, 0, 3)), Gate::Beep);
    EXPECT_EQ(gateCommand(MainCommand::View, ctx(false, true, 0, 3)), Gate::Beep);
    EXPECT_EQ(gateCommand(MainCommand::Print, ctx(false, false, 3, 0)), Gate::Beep);
    EXPECT_EQ(gateCommand(MainCommand::Delete, ctx(false, false, 0, 1)), Gate::Proceed);
}

TEST(CommandGates, CloneBeepsBeforeItRefusesThroughNew)
{
    EXPECT_EQ(gateCommand(MainCommand::Clone, ctx(true, true, 0, 0)), Gate::Beep);
    EXPECT_EQ(gateCommand(MainCommand::Clone, ctx(true, true, 1, 0)), Gate::RefuseReceiveMode);
    EXPECT_EQ(gateCommand(MainCommand::Clone, ctx(false, true, 1, 0)), Gate::Proceed);
}

TEST(CommandGates, SendChecksReceiveModeThenTabThenRows)
{
    EXPECT_EQ(gateCommand(MainCommand::Send, ctx(true, false, 0, 0)), Gate::RefuseSendReceive);
    EXPECT_EQ(gateCommand(MainCommand::Send, ctx(false, false, 4, 0)), Gate::RefuseSendWrongTab);
    EXPECT_EQ(gateCommand(MainCommand::Send, ctx(false, true, 0, 0)), Gate::Beep);
    EXPECT_EQ(gateCommand(MainCommand::Send, ctx(false, true, 1, 0)), Gate::Proceed);
}

TEST(CommandTexts, QuestionsAndRefusalsReadExactly)
{
    EXPECT_EQ(deleteOutgoingQuestion("Quarterly report"),
              "Delete the current fax?\r\n(subject: \"Quarterly report\")");
    EXPECT_EQ(deleteIncomingQuestion("+1 555 0100"),
              "Delete the current fax?\r\n(from: \"+1 555 0100\")");
    EXPECT_EQ(cloneSubject("Invoice"), "[clone]Invoice");
    EXPECT_EQ(notesDescription("ACME"), "From: ACME");
    EXPECT_STREQ(texts::kReceiveModeRefusal,
                 "You are in Fax Receive mode. This operation cannot be done\rwhile in Fax "
                 "Receive mode. Click the Stop button to end\rFax Receive mode");
    EXPECT_STREQ(texts::kMainCaption, "Quillon ");
}
