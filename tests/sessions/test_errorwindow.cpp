// The error window: Continue only for an ask, the memo sized to the text,
// the auto close and its stop, one window at a time, and Technical Help
// leaving the window open.
#include "sessions/modemhelpers.h"
#include "sessions/showerrorform.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

using namespace qln;

namespace {

// Runs `act` on the error window once it is showing.
void whenShowing(std::function<void(TShowErrorForm &)> act)
{
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, poll] {
        if (TShowErrorForm *f = TShowErrorForm::current(); f && f->isVisible())
            act(*f);
        else
            QTimer::singleShot(5, *poll);
    };
    QTimer::singleShot(0, *poll);
}

class ErrorWindow : public ::testing::Test {
protected:
    ~ErrorWindow() override { TShowErrorForm::setAutoCloseMsOverride(0); }
};

}  // namespace

TEST(ErrorWindowRules, LinesSplitAtEveryKindOfBreakAndRowsAddThree)
{
    EXPECT_EQ(ErrorWindowRules::textLines("a\r\n\r\nb\rc\nd\r\n"),
              (std::vector<std::string>{"a", "", "b", "c", "d"}));
    EXPECT_TRUE(ErrorWindowRules::textLines("").empty());
    ErrorWindowRules rules({"c", "one\r\ntwo\r\n\r\nfour", false, false});
    EXPECT_EQ(rules.memoRows(), 4 + 3);
    // A line that wraps counts with all its rows.
    EXPECT_EQ(rules.memoRows([](const std::string &l) { return l == "two" ? 3 : 1; }), 6 + 3);
    EXPECT_FALSE(ErrorWindowRules::continued(ErrorWindowResult::Dropped));
    EXPECT_FALSE(ErrorWindowRules::continued(ErrorWindowResult::Ok));
    EXPECT_TRUE(ErrorWindowRules::continued(ErrorWindowResult::Continue));
}

TEST_F(ErrorWindow, ShowOffersNoContinueAndAskAnswersContinue)
{
    bool continueWasEnabled = true;
    whenShowing([&](TShowErrorForm &f) {
        continueWasEnabled = f.continueButton()->isEnabled();
        EXPECT_EQ(f.windowTitle(), "Fax Failure");
        EXPECT_EQ(f.memo()->toPlainText(), "line one\n\nline three");
        f.okButton()->click();
    });
    TShowErrorForm::ShowError("Fax Failure", "line one\r\n\r\nline three", false);
    EXPECT_FALSE(continueWasEnabled);

    whenShowing([](TShowErrorForm &f) {
        ASSERT_TRUE(f.continueButton()->isEnabled());
        f.continueButton()->click();
    });
    EXPECT_TRUE(TShowErrorForm::AskError("No Response From Modem", "text", false));

    whenShowing([](TShowErrorForm &f) { f.okButton()->click(); });
    EXPECT_FALSE(TShowErrorForm::AskError("No Response From Modem", "text", false));

    // The close box (Escape) counts as OK.
    whenShowing([](TShowErrorForm &f) { f.reject(); });
    EXPECT_FALSE(TShowErrorForm::AskError("No Response From Modem", "text", false));
}

TEST_F(ErrorWindow, MemoGrowsWithTheTextAndShowsEveryLine)
{
    TShowErrorForm shortOne({"c", "one line", false, false});
    std::string many;
    for (int i = 0; i < 12; ++i)
        many += "line " + std::to_string(i) + "\r\n";
    TShowErrorForm longOne({"c", many, false, false});
    EXPECT_EQ(shortOne.memoRows(), 1 + 3);
    EXPECT_EQ(longOne.memoRows(), 12 + 3);
    EXPECT_GT(longOne.memo()->height(), shortOne.memo()->height() * 3);

    // A long paragraph wraps, and its rows are counted too.
    std::string paragraph(600, 'x');
    for (std::size_t i = 5; i < paragraph.size(); i += 6)
        paragraph[i] = ' ';
    TShowErrorForm wrapped({"c", paragraph, false, false});
    EXPECT_GT(wrapped.memoRows(), 1 + 3);

    longOne.show();
    QApplication::processEvents();
    EXPECT_FALSE(longOne.memo()->verticalScrollBar()->isVisible());
    wrapped.show();
    QApplication::processEvents();
    EXPECT_FALSE(wrapped.memo()->verticalScrollBar()->isVisible());
}

TEST_F(ErrorWindow, AutoCloseAnswersOkAndAnEarlyCloseStopsTheTimer)
{
    TShowErrorForm::setAutoCloseMsOverride(60);
    QElapsedTimer t;
    t.start();
    // Nobody presses a button: the window closes itself, and an ask is not
    // continued.
    EXPECT_FALSE(TShowErrorForm::AskError("No Response From Modem", "x", true));
    EXPECT_GE(t.elapsed(), 50);

    bool running = false, runningAfter = true;
    whenShowing([&](TShowErrorForm &f) {
        running = f.autoCloseRunning();
        f.okButton()->click();
        runningAfter = f.autoCloseRunning();
    });
    TShowErrorForm::ShowError("c", "x", true);
    EXPECT_TRUE(running);
    EXPECT_FALSE(runningAfter);

    // Without auto close no timer runs.
    whenShowing([&](TShowErrorForm &f) {
        running = f.autoCloseRunning();
        f.okButton()->click();
    });
    TShowErrorForm::ShowError("c", "x", false);
    EXPECT_FALSE(running);
}

TEST_F(ErrorWindow, ASecondRequestWhileOneShowsIsDropped)
{
    ErrorWindowResult inner = ErrorWindowResult::Ok;
    bool innerAsk = true;
    whenShowing([&](TShowErrorForm &f) {
        inner = TShowErrorForm::run({"second", "y", false, false});
        innerAsk = TShowErrorForm::AskError("second", "y", false);
        EXPECT_EQ(TShowErrorForm::current(), &f);
        f.okButton()->click();
    });
    TShowErrorForm::ShowError("first", "x", false);
    EXPECT_EQ(inner, ErrorWindowResult::Dropped);
    EXPECT_FALSE(innerAsk);
    // The slot is free again afterwards.
    EXPECT_FALSE(ErrorWindowSlot::busy());
    whenShowing([](TShowErrorForm &f) { f.continueButton()->click(); });
    EXPECT_TRUE(TShowErrorForm::AskError("third", "z", false));
}

TEST_F(ErrorWindow, TechnicalHelpOpensTheSolverAndKeepsTheWindow)
{
    int topic = 0;
    SetHelpOpener([&](int t) {
        topic = t;
        return true;
    });
    bool stillVisible = false;
    whenShowing([&](TShowErrorForm &f) {
        f.helpButton()->click();
        QApplication::processEvents();
        stillVisible = f.isVisible();
        f.okButton()->click();
    });
    TShowErrorForm::ShowError("c", "x", false);
    SetHelpOpener(nullptr);
    EXPECT_EQ(topic, 10000);
    EXPECT_TRUE(stillVisible);
}
