// TShowErrorForm: the error window of the send window and of receive mode.
// A dialog without system menu whose caption and text the caller gives; the
// text stands in a borderless read-only memo sized to show every line of it
// plus three more, under it a note pointing at the technical help, and
// the buttons "Ok", "Technical Help" (opens the solver's help page, the
// window stays open) and "Continue" (enabled only for an "ask").
//
// ShowError and AskError show it modally. Only one error window exists at a
// time: a request made while one is showing is dropped (an ask then
// answers "do not continue"). The decisions live in ErrorWindowRules.
//
// User-interface thread only.
#pragma once

#include "sessions/errorwindowrules.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace qln {

class TShowErrorForm : public QDialog {
    Q_OBJECT
public:
    explicit TShowErrorForm(const ErrorWindowRequest &request, QWidget *parent = nullptr);
    ~TShowErrorForm() override;

    // Modal error window without Continue.
    static void ShowError(const std::string &caption, const std::string &text, bool autoClose,
                          QWidget *parent = nullptr);
    // Modal error window with Continue; true when Continue was pressed.
    static bool AskError(const std::string &caption, const std::string &text, bool autoClose,
                         QWidget *parent = nullptr);
    // Shows the window for a request unless another one is showing.
    static ErrorWindowResult run(const ErrorWindowRequest &request, QWidget *parent = nullptr);
    // The window currently showing through run(), or nullptr.
    static TShowErrorForm *current();

    ErrorWindowResult outcome() const { return outcome_; }
    const ErrorWindowRules &rules() const { return rules_; }
    // Whether the auto-close timer is running.
    bool autoCloseRunning() const;
    // Rows of text the memo is sized for.
    int memoRows() const { return memoRows_; }

    QPlainTextEdit *memo() const { return Memo; }
    QPushButton *okButton() const { return OkButton; }
    QPushButton *helpButton() const { return HelpButton; }
    QPushButton *continueButton() const { return ContinueButton; }

    // Tests shorten the 30 seconds of the auto close (0 restores it).
    static void setAutoCloseMsOverride(int ms);

protected:
    void done(int r) override;
    void showEvent(QShowEvent *e) override;

private:
    void finish(ErrorWindowResult r);

    ErrorWindowRules rules_;
    ErrorWindowResult outcome_ = ErrorWindowResult::Ok;
    int memoRows_ = 0;
    QPlainTextEdit *Memo = nullptr;
    QLabel *SolverNote = nullptr;
    QPushButton *OkButton = nullptr;
    QPushButton *HelpButton = nullptr;
    QPushButton *ContinueButton = nullptr;
    QTimer *AutoCloseTimer = nullptr;
};

}  // namespace qln
