// Enabling rules of the main window, without a window.
#include "app/buttonrules.h"

#include <gtest/gtest.h>

using namespace qln;

namespace {
MainViewState state(bool outgoingTab, bool outEmpty, bool inEmpty, bool receive = false)
{
    MainViewState s;
    s.outgoingTabActive = outgoingTab;
    s.outgoingEmpty = outEmpty;
    s.incomingEmpty = inEmpty;
    s.receiveMode = receive;
    return s;
}
}  // namespace

TEST(ButtonRules, EmptyListRuleIsRecordNumberPastRowCount)
{
    EXPECT_TRUE(listIsEmpty(1, 0));
    EXPECT_TRUE(listIsEmpty(11, 10));
    EXPECT_FALSE(listIsEmpty(10, 10));
    EXPECT_FALSE(listIsEmpty(1, 10));
}

TEST(ButtonRules, BothListsEmptyLeavesOnlyNewOnOutgoingTabAndReceive)
{
    const ButtonEnables e = computeButtonEnables(state(true, true, true));
    EXPECT_TRUE(e.newFax);
    EXPECT_TRUE(e.receiveItem);
    EXPECT_FALSE(e.clone);
    EXPECT_FALSE(e.edit);
    EXPECT_FALSE(e.remove);
    EXPECT_FALSE(e.send);
    EXPECT_FALSE(e.view);
    EXPECT_FALSE(e.print);
    EXPECT_FALSE(e.faxGrid);
    EXPECT_FALSE(e.recFaxGrid);

    const ButtonEnables in = computeButtonEnables(state(false, true, true));
    EXPECT_FALSE(in.newFax);
    EXPECT_TRUE(in.receiveItem);
    EXPECT_FALSE(in.edit || in.remove || in.view || in.print || in.send || in.clone);
}

TEST(ButtonRules, ActiveTabDecidesRowCommands)
{
    // Outgoing rows only, looking at the incoming tab: Send stays usable,
    // Clone and New do not, row commands follow the empty incoming list.
    const ButtonEnables a = computeButtonEnables(state(false, false, true));
    EXPECT_TRUE(a.send);
    EXPECT_FALSE(a.clone);
    EXPECT_FALSE(a.newFax);
    EXPECT_FALSE(a.edit || a.remove || a.view || a.print);
    EXPECT_TRUE(a.faxGrid);
    EXPECT_FALSE(a.recFaxGrid);

    // Incoming rows only, looking at the outgoing tab.
    const ButtonEnables b = computeButtonEnables(state(true, true, false));
    EXPECT_TRUE(b.newFax);
    EXPECT_FALSE(b.send || b.clone || b.edit || b.remove || b.view || b.print);
    EXPECT_TRUE(b.recFaxGrid);

    const ButtonEnables c = computeButtonEnables(state(false, true, false));
    EXPECT_TRUE(c.edit && c.remove && c.view && c.print);
    EXPECT_FALSE(c.send);

    const ButtonEnables d = computeButtonEnables(state(true, false, false));
    EXPECT_TRUE(d.newFax && d.clone && d.send && d.edit && d.remove && d.view && d.print);
}

TEST(ButtonRules, ReceiveModeDisablesOnlyTheReceiveItem)
{
    const ButtonEnables off = computeButtonEnables(state(true, false, false, false));
    const ButtonEnables on = computeButtonEnables(state(true, false, false, true));
    EXPECT_TRUE(off.receiveItem);
    EXPECT_FALSE(on.receiveItem);
    // The other commands stay enabled and refuse when used instead.
    EXPECT_TRUE(on.newFax && on.edit && on.remove && on.send);

    EXPECT_EQ(receiveButtonText(true).caption, "STOP");
    EXPECT_EQ(receiveButtonText(true).hint, "Stop receiving faxes");
    EXPECT_EQ(receiveButtonText(false).caption, "&Receive");
    EXPECT_EQ(receiveButtonText(false).hint, "Start receiving faxes");
}
