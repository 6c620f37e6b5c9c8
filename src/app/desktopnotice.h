// A short notice on the desktop when a fax has been received, besides the
// row in the list and the configured sound: the system tray's message when
// a tray is available, else a notification through the desktop's
// notification service (org.freedesktop.Notifications on the session bus)
// when one runs or can be started. With neither, nothing is shown and that
// is not an error.
//
// User-interface thread only.
#pragma once

#include "records/faxrows.h"

#include <QObject>

#include <functional>
#include <string>

class QSystemTrayIcon;
class QTimer;

namespace qln {

enum class NoticeChannel { None, Tray, Notifications };

// The tray first, then the notification service, else none.
NoticeChannel noticeChannel(bool trayAvailable, bool notificationService);

struct DesktopNoticeText {
    std::string title;
    std::string body;
};
// "Fax received" and "From SENDER, N page(s)" ("From an unknown sender"
// when the sender gave no identification).
DesktopNoticeText receivedFaxNotice(const records::ReceivedFax &row);

class DesktopNotice : public QObject {
    Q_OBJECT
public:
    explicit DesktopNotice(QObject *parent = nullptr);
    ~DesktopNotice() override;

    // Shows the notice on the channel this desktop offers; returns it.
    NoticeChannel show(const DesktopNoticeText &text);

    // Replaceable for tests: whether a tray / a notification service is
    // there, and what is done to show a notice (default: the tray's message
    // or a call of the service's Notify).
    std::function<bool()> trayAvailable;
    std::function<bool()> serviceAvailable;
    std::function<void(NoticeChannel, const DesktopNoticeText &)> deliver;

private:
    void showInTray(const DesktopNoticeText &text);
    QSystemTrayIcon *tray_ = nullptr;
    QTimer *hideTray_ = nullptr;
};

}  // namespace qln
