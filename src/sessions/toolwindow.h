// The frame of the modem tools that work as soon as they are shown (find
// modem, check fax class): no system menu, a hidden "Ok" that appears once
// the work is done, and no way out before that (Escape and closing are
// ignored while the work runs).
#pragma once

#include <QDialog>

class QPushButton;

namespace qln {

class ToolWindow : public QDialog {
    Q_OBJECT
public:
    bool done() const { return done_; }
    QPushButton *okButton() const { return Ok; }

protected:
    // caption: the window's caption while it works.
    ToolWindow(const char *caption, QWidget *parent);
    // Adds the row with the hidden "Ok" to the window's layout; call it last.
    void addOkRow();
    // The work, run once after the window is first shown (hourglass cursor
    // meanwhile).
    virtual void work() = 0;
    // The caption once the work is done.
    virtual const char *doneCaption() const = 0;

    void showEvent(QShowEvent *e) override;
    void reject() override;
    void closeEvent(QCloseEvent *e) override;

private:
    void run();

    QPushButton *Ok = nullptr;
    bool started_ = false;
    bool done_ = false;
};

} // namespace qln
