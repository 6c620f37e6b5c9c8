// Text helpers, rate/index, fax class names, rich-text emptiness, ticks and
// the scripted message interface.
#include <gtest/gtest.h>

#include "common/messages.h"
#include "common/textutil.h"
#include "common/ticks.h"

using namespace qln;

TEST(Trim, BlanksOnly)
{
    EXPECT_EQ(trimLeft("  a b  "), "a b  ");
    EXPECT_EQ(trimRight("  a b  "), "  a b");
    EXPECT_EQ(trim("  a b  "), "a b");
    EXPECT_EQ(trim("\ta\t"), "\ta\t");
    EXPECT_EQ(trim("    "), "");
    EXPECT_EQ(trimLeft(""), "");
}

TEST(Rates, IndexAndRateBothWaysWithFallbacks)
{
    const int rates[] = {2400, 4800, 7200, 9600, 12000, 14400};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(rateFromIndex(i), rates[i]);
        EXPECT_EQ(indexFromRate(rates[i]), i);
    }
    EXPECT_EQ(rateFromIndex(-1), 9600);
    EXPECT_EQ(rateFromIndex(6), 9600);
    EXPECT_EQ(indexFromRate(33600), 3);
    EXPECT_EQ(indexFromRate(0), 3);
}

TEST(FaxClassNames, KnownAndUnknown)
{
    EXPECT_EQ(faxClassName(0), "AutoDetect");
    EXPECT_EQ(faxClassName(1), "Class 1");
    EXPECT_EQ(faxClassName(2), "Class 2");
    EXPECT_EQ(faxClassName(3), "Class 2.0");
    EXPECT_EQ(faxClassName(4), "unknown");
    EXPECT_EQ(faxClassName(-1), "unknown");
}

TEST(RichTextIsEmpty, Rules)
{
    EXPECT_TRUE(richTextIsEmpty(true, "text the control says is not there"));
    EXPECT_TRUE(richTextIsEmpty(false, ""));
    EXPECT_TRUE(richTextIsEmpty(false, "   \n \r\n    "));
    EXPECT_FALSE(richTextIsEmpty(false, "\n\n  x\n"));
    // 256 characters or more: not empty, even when all blank.
    EXPECT_FALSE(richTextIsEmpty(false, std::string(256, ' ')));
    EXPECT_TRUE(richTextIsEmpty(false, std::string(255, ' ')));
    // Only the first 201 lines are looked at.
    std::string lines(201, '\n');
    EXPECT_TRUE(richTextIsEmpty(false, lines + "x"));
    EXPECT_FALSE(richTextIsEmpty(false, std::string(200, '\n') + "x"));
    // Multi-byte characters count once.
    std::string accents;
    for (int i = 0; i < 200; ++i)
        accents += "\xC3\xA9";
    EXPECT_FALSE(richTextIsEmpty(false, accents));
    EXPECT_FALSE(richTextIsEmpty(false, "\t"));  // a tab is not a blank
}

TEST(Ticks, SecondsAndTicks)
{
    EXPECT_EQ(secsToTicks(6), 109);
    EXPECT_EQ(secsToTicks(10), 182);
    EXPECT_EQ(secsToTicks(30), 546);
    EXPECT_EQ(secsToTicks(60), 1092);
    EXPECT_EQ(secsToTicks(0), 0);
    EXPECT_EQ(ticksToSecs(109), 6);
    EXPECT_EQ(ticksToSecs(182), 10);
    EXPECT_EQ(ticksToSecs(0), 0);
    EXPECT_EQ(ticksToSecs(9), 0);
    EXPECT_EQ(ticksToSecs(10), 1);  // 18.2 ticks a second, rounded from 9 ticks early
    for (long s = 0; s < 5000; ++s)
        EXPECT_EQ(ticksToSecs(secsToTicks(s)), s) << s;
    long a = tickCount(), b = tickCount();
    EXPECT_GE(b, a);
}

TEST(ScriptedMessages, RecordsAndAnswersInOrder)
{
    ScriptedMessages m;
    ScopedMessages installed(m);
    m.answers({false, true});
    messages().information("Fax sent successfully");
    EXPECT_FALSE(messages().question("Save changes?", "Save Preferences"));
    EXPECT_TRUE(messages().cautiousQuestion("Delete the current fax?", "Delete"));
    // Queue empty: the default buttons answer, and that is counted.
    EXPECT_TRUE(messages().question("Q", "C"));
    EXPECT_FALSE(messages().cautiousQuestion("Q", "C"));
    EXPECT_FALSE(messages().askError("No Response From Modem", "text", true));
    messages().showError("Fax Failure", "boom", false);
    messages().beep();
    EXPECT_EQ(m.unscriptedAnswers(), 3);

    auto calls = m.calls();
    ASSERT_EQ(calls.size(), 8u);
    EXPECT_EQ(calls[0].caption, "Information");
    EXPECT_EQ(calls[0].text, "Fax sent successfully");
    EXPECT_EQ(calls[1].caption, "Save Preferences");
    EXPECT_FALSE(calls[1].answer);
    EXPECT_EQ(calls[2].kind, ScriptedMessages::Kind::CautiousQuestion);
    EXPECT_TRUE(calls[5].autoClose);
    EXPECT_EQ(m.count(ScriptedMessages::Kind::Beep), 1u);
    EXPECT_EQ(m.last().kind, ScriptedMessages::Kind::Beep);
}

TEST(ScriptedMessages, UninstallRestoresFallback)
{
    ScriptedMessages m;
    {
        ScopedMessages installed(m);
        EXPECT_EQ(&messages(), &m);
    }
    EXPECT_NE(&messages(), &m);
    EXPECT_THROW(m.last(), std::out_of_range);
}
