#include "app/singlecopy.h"

#include "common/runtimedir.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace qln {

namespace {
constexpr int kConnectWaitMs = 1000;
const QByteArray kRaiseRequest = "raise\n";
const QByteArray kPrintRequest = "print\t";
// A request line is short; a longer one is not ours.
constexpr qint64 kMaxRequestLine = 8192;
}  // namespace

SingleCopyGuard::SingleCopyGuard(const QString &serverName, QObject *parent)
    : QObject(parent)
{
    if (serverName.startsWith(QLatin1Char('/'))) {
        name_ = serverName;
    } else {
        const std::string dir = ensureRuntimeDirectory();
        if (!dir.empty())
            name_ = QString::fromStdString(dir) + QLatin1Char('/') + serverName;
    }
}

SingleCopyGuard::~SingleCopyGuard()
{
    if (server_)
        server_->close();
}

QString SingleCopyGuard::defaultServerName()
{
    QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    if (program.isEmpty())
        program = QStringLiteral("quillon");
    return program + QLatin1Char('-') + QString::number(::getuid());
}

bool SingleCopyGuard::askRunningCopy()
{
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kConnectWaitMs))
        return false;
    socket.write(kRaiseRequest);
    socket.waitForBytesWritten(kConnectWaitMs);
    socket.disconnectFromServer();
    return true;
}

bool SingleCopyGuard::claim()
{
    if (server_)
        return true;
    if (name_.isEmpty()) {
        qWarning("single-copy guard: no private runtime directory; running unguarded");
        return true;
    }
    if (askRunningCopy())
        return false;
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(name_)) {
        // Either a socket file left by a crashed copy, or a copy that started
        // at the same moment. Ask once more before taking the name over.
        if (askRunningCopy()) {
            delete server;
            return false;
        }
        QLocalServer::removeServer(name_);
        if (!server->listen(name_)) {
            // Cannot guard; run anyway rather than refuse to start.
            qWarning("single-copy guard: cannot listen on %s: %s", qPrintable(name_),
                     qPrintable(server->errorString()));
            delete server;
            return true;
        }
    }
    server_ = server;
    connect(server_, &QLocalServer::newConnection, this, &SingleCopyGuard::acceptConnections);
    return true;
}

void SingleCopyGuard::acceptConnections()
{
    while (QLocalSocket *socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto handle = [this, socket] {
            if (socket->bytesAvailable() > 0 && socket->canReadLine()) {
                const QByteArray reply = handleRequest(socket->readLine(kMaxRequestLine));
                if (!reply.isEmpty()) {
                    socket->write(reply);
                    socket->flush();
                }
                socket->disconnectFromServer();
            } else if (socket->bytesAvailable() > kMaxRequestLine) {
                socket->abort();
            }
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
        handle();
    }
}

QByteArray SingleCopyGuard::handleRequest(const QByteArray &line)
{
    if (line == kRaiseRequest) {
        emit raiseRequested();
        return {};
    }
    if (!line.startsWith(kPrintRequest) || !line.endsWith('\n'))
        return {};
    const QStringList fields =
        QString::fromUtf8(line.mid(kPrintRequest.size(), line.size() - kPrintRequest.size() - 1)).split('\t');
    if (!printHandler_)
        return "no\n";
    return printHandler_(fields) ? "ok\n" : "no\n";
}

}  // namespace qln
