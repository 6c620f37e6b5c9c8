// Keeps Quillon to one running copy per user.
//
// The first copy listens on a local socket named after the program file and
// the user, in the user's private runtime directory (common/runtimedir.h),
// so no other local user can put a socket of that name where a copy looks
// for it. A later copy finds the socket, asks the first copy to restore and
// raise its window, and then ends without showing a window of its own. A
// socket file left behind by a copy that crashed is removed and taken over.
// Without a usable runtime directory the program runs unguarded rather than
// use a shared place. Lives on the user-interface thread; raiseRequested is
// emitted there.
//
// The socket also takes "print" requests from the print queue (`qlnfax
// printer job`): "print", then tab-separated fields (data directory,
// document file, subject, fax number, recipient), then a line feed. The
// print handler decides whether this copy takes the document, and the asker
// is answered "ok" or "no" at once.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QLocalServer;

namespace qln {

class SingleCopyGuard : public QObject {
    Q_OBJECT
public:
    // A name without '/' is placed in the runtime directory; an absolute
    // path is used as it is.
    explicit SingleCopyGuard(const QString &serverName, QObject *parent = nullptr);
    ~SingleCopyGuard() override;

    // "<program file name>-<user>", the name copies of the same program
    // started by the same user agree on.
    static QString defaultServerName();

    // True when this is the first copy (it now listens for later copies).
    // False when another copy runs: that copy has been asked to raise its
    // window and this one should end.
    bool claim();

    bool isFirstCopy() const { return server_ != nullptr; }

    // Full path of the socket; empty when there is no runtime directory.
    const QString &socketPath() const { return name_; }

    // Called for a print request with its fields (UTF-8, in order); returns
    // whether this copy takes the document. Without a handler every print
    // request is answered "no".
    using PrintHandler = std::function<bool(const QStringList &fields)>;
    void setPrintHandler(PrintHandler handler) { printHandler_ = std::move(handler); }

    // The answer to one request line ("raise\n", "print\t...\n"): emits
    // raiseRequested or runs the print handler; returns the reply to send
    // ("" for none).
    QByteArray handleRequest(const QByteArray &line);

signals:
    void raiseRequested();

private:
    bool askRunningCopy();
    void acceptConnections();

    QString name_;
    QLocalServer *server_ = nullptr;
    PrintHandler printHandler_;
};

}  // namespace qln
