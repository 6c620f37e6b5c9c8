#include "app/desktopnotice.h"

#include "common/textutil.h"

#include <QApplication>
#include <QIcon>
#include <QSystemTrayIcon>
#include <QTimer>

#ifdef QLN_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#endif

namespace qln {

namespace {

constexpr int kNoticeMs = 10000;
const char *const kService = "org.freedesktop.Notifications";

bool notificationServiceThere()
{
#ifdef QLN_HAVE_DBUS
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    if (bus.interface()->isServiceRegistered(QString::fromLatin1(kService)))
        return true;
    // A service that the bus starts on the first call counts too.
    const QDBusReply<QStringList> names = bus.interface()->call(QStringLiteral("ListActivatableNames"));
    return names.isValid() && names.value().contains(QString::fromLatin1(kService));
#else
    return false;
#endif
}

void notifyThroughService(const DesktopNoticeText &text)
{
#ifdef QLN_HAVE_DBUS
    QDBusMessage call = QDBusMessage::createMethodCall(QString::fromLatin1(kService),
                                                       QStringLiteral("/org/freedesktop/Notifications"),
                                                       QString::fromLatin1(kService), QStringLiteral("Notify"));
    call << QStringLiteral("Quillon") << uint(0) << QStringLiteral("printer") << QString::fromStdString(text.title)
         << QString::fromStdString(text.body) << QStringList() << QVariantMap() << int(kNoticeMs);
    // Not waited for: a notice never holds up receive mode.
    QDBusConnection::sessionBus().asyncCall(call);
#else
    (void)text;
#endif
}

}  // namespace

NoticeChannel noticeChannel(bool trayAvailable, bool notificationService)
{
    if (trayAvailable)
        return NoticeChannel::Tray;
    if (notificationService)
        return NoticeChannel::Notifications;
    return NoticeChannel::None;
}

DesktopNoticeText receivedFaxNotice(const records::ReceivedFax &row)
{
    DesktopNoticeText t;
    t.title = "Fax received";
    const std::string from = trim(row.from);
    t.body = from.empty() ? "From an unknown sender" : "From " + from;
    if (row.pages > 0)
        t.body += ", " + std::to_string(row.pages) + (row.pages == 1 ? " page" : " pages");
    return t;
}

DesktopNotice::DesktopNotice(QObject *parent) : QObject(parent)
{
    trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    serviceAvailable = [] { return notificationServiceThere(); };
    deliver = [this](NoticeChannel c, const DesktopNoticeText &t) {
        if (c == NoticeChannel::Tray)
            showInTray(t);
        else if (c == NoticeChannel::Notifications)
            notifyThroughService(t);
    };
}

DesktopNotice::~DesktopNotice() = default;

NoticeChannel DesktopNotice::show(const DesktopNoticeText &text)
{
    const bool tray = trayAvailable && trayAvailable();
    const NoticeChannel c = noticeChannel(tray, !tray && serviceAvailable && serviceAvailable());
    if (c != NoticeChannel::None && deliver)
        deliver(c, text);
    return c;
}

void DesktopNotice::showInTray(const DesktopNoticeText &text)
{
    if (!tray_) {
        tray_ = new QSystemTrayIcon(QApplication::windowIcon(), this);
        tray_->setToolTip(QStringLiteral("Quillon"));
        hideTray_ = new QTimer(this);
        hideTray_->setSingleShot(true);
        connect(hideTray_, &QTimer::timeout, tray_, &QSystemTrayIcon::hide);
    }
    tray_->show();
    tray_->showMessage(QString::fromStdString(text.title), QString::fromStdString(text.body),
                       QSystemTrayIcon::Information, kNoticeMs);
    // The icon goes again once the last message has had its time.
    hideTray_->start(kNoticeMs + 2000);
}

}  // namespace qln
