// TStartingFaxForm: the receive-mode notice ("Starting Receive mode...").
// While receive mode starts it shows only "Please wait while fax receive
// mode is started....."; once receive mode is on it shows that Quillon is
// in receive mode, with "Ok" and the check box "Do not show this again".
// Shown without waiting, it hides itself after 15 seconds, on a mouse press
// on its texts or when a call is answered; the check box sets
// DisableReceivingFaxesNotification in the settings held in memory.
//
// User-interface thread only.
#pragma once

#include "sessions/receivestation.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

namespace qln {

struct Settings;

class TStartingFaxForm : public QDialog, public IReceiveNotice {
    Q_OBJECT
public:
    static constexpr int kShowMs = 15000;

    explicit TStartingFaxForm(Settings &settings, QWidget *parent = nullptr);

    void setStartingLook() override;
    void setReadyLook() override;
    void showNotice() override;
    void hideNotice() override;
    bool noticeVisible() const override { return isVisible(); }

    QWidget *ReadyPanel = nullptr;
    QWidget *StartingPanel = nullptr;
    QCheckBox *DontShowCheck = nullptr;
    QPushButton *OkButton = nullptr;
    QTimer *Timer = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    Settings &settings_;
};

} // namespace qln
