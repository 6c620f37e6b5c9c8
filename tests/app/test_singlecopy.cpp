// One copy per user: a later copy asks the first to come forward and ends.
#include "app/singlecopy.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLocalServer>
#include <QSignalSpy>
#include <QUuid>
#include <QDir>
#include <QFileInfo>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
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
    // A bound socket file nobody listens on is what a killed copy leaves.
    const QByteArray path = (QDir::tempPath() + QLatin1Char('/') + name).toLocal8Bit();
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(static_cast<size_t>(path.size()), sizeof(addr.sun_path));
    std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(QString::fromLocal8Bit(path)));

    SingleCopyGuard guard(name);
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
