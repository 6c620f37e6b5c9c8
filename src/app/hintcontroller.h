// Shows or hides the hints (tool tips) of every widget of the program.
//
// Installed as an application-wide event filter: while hints are off, tool
// tip requests are swallowed; while they are on, each hint stays visible for
// the configured time. The delay before a hint appears is set through the
// application style. Status tips of menu items keep going to the status line
// either way. User-interface thread only.
#pragma once

#include <QObject>

namespace qln {

class HintController : public QObject {
    Q_OBJECT
public:
    static constexpr int kHintPauseMs = 1200;
    static constexpr int kHintHideMs = 30000;

    explicit HintController(QObject *parent = nullptr);
    ~HintController() override;

    // Installs the filter on the application (once) and the style delay.
    void install();
    void setEnabled(bool on) { enabled_ = on; }
    bool enabled() const { return enabled_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool enabled_ = true;
    bool installed_ = false;
};

}  // namespace qln
