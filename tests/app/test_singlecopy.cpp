// One copy per user: a later copy asks the first to come forward and ends.
#include "app/singlecopy.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QUuid>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace qln;

namespace {
QString uniqueName()
{
    return QStringLiteral("quillon-test-") + QUuid::createUuid().toString(QUuid::Id128);
}
}  // namespace

TEST(SingleCopyGuard, SecondCopyIsRefusedAndRaisesTheFirst)
{
    const QString name = uniqueName();
    SingleCopyGuard first(name);
    ASSERT_TRUE(first.claim());
    EXPECT_TRUE(first.isFirstCopy());
    QSignalSpy raised(&first, &SingleCopyGuard::raiseRequested);

    SingleCopyGuard second(name);
    EXPECT_FALSE(second.claim());
    EXPECT_FALSE(second.isFirstCopy());
    EXPECT_TRUE(raised.wait(2000));
    EXPECT_EQ(raised.count(), 1);

    // A third start raises it again.
    SingleCopyGuard third(name);
    EXPECT_FALSE(third.claim());
    EXPECT_TRUE(raised.wait(2000));
    EXPECT_EQ(raised.count(), 2);
}

TEST(SingleCopyGuard, NameIsFreeAgainAfterTheFirstCopyEnds)
{
    const QString name = uniqueName();
    {
        SingleCopyGuard first(name);
        ASSERT_TRUE(first.claim());
    }
    SingleCopyGuard next(name);
    EXPECT_TRUE(next.claim());
}

TEST(SingleCopyGuard, StaleSocketOfACrashedCopyIsTakenOver)
{
    const QString name = uniqueName();
    SingleCopyGuard guard(name);
    // A bound socket file nobody listens on is what a killed copy leaves.
    const QByteArray path = guard.socketPath().toLocal8Bit();
    ASSERT_FALSE(path.isEmpty());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<size_t>(path.size()), sizeof(addr.sun_path));
    std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(QString::fromLocal8Bit(path)));

    EXPECT_TRUE(guard.claim());
    EXPECT_TRUE(guard.isFirstCopy());
    SingleCopyGuard second(name);
    EXPECT_FALSE(second.claim());
}

TEST(SingleCopyGuard, DefaultNameCarriesProgramAndUser)
{
    const QString name = SingleCopyGuard::defaultServerName();
    EXPECT_TRUE(name.startsWith(QStringLiteral("test_app-"))) << name.toStdString();
}

namespace {

// Environment variables set for one test and restored afterwards.
class ScopedEnv {
public:
    void set(const char *name, const std::string &value)
    {
        const char *old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value.empty())
            ::unsetenv(name);
        else
            ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else
                ::unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

int listenAt(const std::string &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), std::min(path.size(), sizeof(addr.sun_path) - 1));
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) != 0 || ::listen(fd, 4) != 0)
        return -1;
    ::chmod(path.c_str(), 0777);
    return fd;
}

}  // namespace

// Another local user gets in first: a socket of the guard's name in the
// shared temporary directory, and a directory of the private directory's
// name there with a listening socket inside. Neither may capture the guard:
// this user's copy becomes the first copy, and later copies of this user
// still reach it.
TEST(SingleCopyGuard, AnotherUsersSocketDoesNotCaptureTheGuard)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the other user's part under another uid";
    constexpr uid_t kOtherUser = 65534;
    QTemporaryDir tmp, home;
    ASSERT_TRUE(tmp.isValid() && home.isValid());
    ASSERT_EQ(::chmod(tmp.path().toLocal8Bit().constData(), 01777), 0);
    const QString name = uniqueName();
    const std::string base = tmp.path().toStdString();
    const std::string squatDir = base + "/quillon-runtime-" + std::to_string(::getuid());
    const std::string squatInDir = squatDir + "/" + name.toStdString();
    const std::string squatInTmp = base + "/" + name.toStdString();

    int ready[2], report[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(report), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The other user: plain system calls only, nothing of Qt.
        if (::setgid(kOtherUser) != 0 || ::setuid(kOtherUser) != 0)
            ::_exit(3);
        ::mkdir(squatDir.c_str(), 0777);
        ::chmod(squatDir.c_str(), 0777);
        const int a = listenAt(squatInDir), b = listenAt(squatInTmp);
        const char ok = (a >= 0 && b >= 0) ? 'y' : 'n';
        (void)!::write(ready[1], &ok, 1);
        // Waits for a connection, or for this user's copies to be done.
        pollfd fds[3] = {{a, POLLIN, 0}, {b, POLLIN, 0}, {done[0], POLLIN, 0}};
        ::poll(fds, 3, 10000);
        const char got = ((fds[0].revents | fds[1].revents) & POLLIN) ? 'c' : '-';
        (void)!::write(report[1], &got, 1);
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(report[1]);
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    ASSERT_EQ(ok, 'y') << "the other user could not set up its sockets";

    {
        ScopedEnv env;
        env.set("XDG_RUNTIME_DIR", "");
        env.set("TMPDIR", base);
        env.set("HOME", home.path().toStdString());
        SingleCopyGuard first(name);
        EXPECT_EQ(first.socketPath().toStdString(),
                  home.path().toStdString() + "/.cache/quillon-runtime/" + name.toStdString());
        EXPECT_TRUE(first.claim());
        EXPECT_TRUE(first.isFirstCopy());
        QSignalSpy raised(&first, &SingleCopyGuard::raiseRequested);
        SingleCopyGuard second(name);
        EXPECT_FALSE(second.claim());
        EXPECT_TRUE(raised.wait(2000));
    }
    (void)!::write(done[1], "x", 1);
    char got = 0;
    ASSERT_EQ(::read(report[0], &got, 1), 1);
    EXPECT_EQ(got, '-') << "a copy connected to the other user's socket";
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int fd : {ready[0], report[0], done[0], done[1]})
        ::close(fd);
}

// The print queue hands a running copy the document it printed: the copy's
// handler decides, and the asker reads the answer.
TEST(SingleCopyGuard, PrintRequestIsAnsweredByTheHandler)
{
    SingleCopyGuard guard(uniqueName());
    ASSERT_TRUE(guard.claim());
    std::vector<QStringList> asked;
    guard.setPrintHandler([&](const QStringList &fields) {
        asked.push_back(fields);
        return fields.value(0) == QLatin1String("/home/jane/Quillon data/");
    });
    EXPECT_EQ(guard.handleRequest("print\t/home/jane/Quillon data/\t/d/_PRINTJOB_1.pdf\tQuote \xc3\xa4\t100\t\n"), "ok\n");
    EXPECT_EQ(guard.handleRequest("print\t/elsewhere/\tx\ty\tz\t\n"), "no\n");
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], (QStringList{"/home/jane/Quillon data/", "/d/_PRINTJOB_1.pdf", QString::fromUtf8("Quote \xc3\xa4"),
                                     "100", ""}));
    // A request cut off before its line feed, or of another kind, is not one.
    EXPECT_EQ(guard.handleRequest("print\t/home/jane/Quillon data/\tx"), "");
    EXPECT_EQ(guard.handleRequest("edit 5 /d/\n"), "");
    EXPECT_EQ(asked.size(), 2u);

    // Over the socket, as qlnfax asks.
    QLocalSocket socket;
    socket.connectToServer(guard.socketPath());
    ASSERT_TRUE(socket.waitForConnected(2000));
    socket.write("print\t/home/jane/Quillon data/\t/d/_PRINTJOB_2.pdf\tQuote\t100\tJane\n");
    QByteArray reply;
    for (int i = 0; i < 100 && !reply.endsWith('\n'); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        socket.waitForReadyRead(20);
        reply += socket.readAll();
    }
    EXPECT_EQ(reply, "ok\n");
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[2].value(4), "Jane");
}

TEST(SingleCopyGuard, PrintRequestWithoutHandlerIsRefused)
{
    SingleCopyGuard guard(uniqueName());
    EXPECT_EQ(guard.handleRequest("print\t/d/\tx\ty\tz\tw\n"), "no\n");
}
