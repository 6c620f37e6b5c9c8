// The private runtime directory: only a directory of this user, never a
// link or another user's directory, and always mode 0700.
#include "common/runtimedir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include "testdir.h"

using namespace qln;
using qln::test::TempDir;

namespace {
constexpr uid_t kOtherUser = 65534;

mode_t modeOf(const std::string &p)
{
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}
}  // namespace

TEST(RuntimeDirectory, UsesOwnXdgDirectoryAndNarrowsItsMode)
{
    TempDir d;
    const std::string xdg = d.file("run");
    ASSERT_EQ(::mkdir(xdg.c_str(), 0755), 0);
    const RuntimeDirChoice c = chooseRuntimeDirectory(xdg + "/", d.path(), d.path(), ::getuid());
    EXPECT_EQ(c.path, xdg);
    EXPECT_EQ(modeOf(xdg), 0700u);
}

TEST(RuntimeDirectory, WithoutXdgMakesAPrivateDirectoryInTemp)
{
    TempDir d;
    const std::string expected = d.file("quillon-runtime-" + std::to_string(::getuid()));
    for (const std::string &xdg : {std::string(), std::string("relative/dir"), d.file("missing")}) {
        const RuntimeDirChoice c = chooseRuntimeDirectory(xdg, d.path(), "", ::getuid());
        EXPECT_EQ(c.path, expected) << xdg;
        EXPECT_EQ(modeOf(expected), 0700u);
    }
}

TEST(RuntimeDirectory, LinkOrFileInTheWayFallsBackToHome)
{
    TempDir tmp, home, elsewhere;
    const std::string name = tmp.file("quillon-runtime-" + std::to_string(::getuid()));
    // A link to a directory someone prepared is not taken, even when the
    // target is ours.
    ASSERT_EQ(::symlink(elsewhere.path().c_str(), name.c_str()), 0);
    RuntimeDirChoice c = chooseRuntimeDirectory("", tmp.path(), home.path(), ::getuid());
    EXPECT_EQ(c.path, home.path() + "/.cache/quillon-runtime");
    EXPECT_EQ(modeOf(c.path), 0700u);
    EXPECT_NE(c.problem.find("not a directory"), std::string::npos) << c.problem;

    ::unlink(name.c_str());
    tmp.write("quillon-runtime-" + std::to_string(::getuid()), "plain file");
    c = chooseRuntimeDirectory("", tmp.path(), "", ::getuid());
    EXPECT_EQ(c.path, "");  // nowhere private: the caller runs unguarded
}

TEST(RuntimeDirectory, AnotherUsersDirectoryIsNeverUsed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give a directory to another user";
    TempDir tmp, home;
    // Another user's XDG_RUNTIME_DIR, and a directory of the expected name
    // in the temporary directory made by another user first.
    const std::string xdg = tmp.file("their-run");
    const std::string squat = tmp.file("quillon-runtime-" + std::to_string(::getuid()));
    for (const std::string &p : {xdg, squat}) {
        ASSERT_EQ(::mkdir(p.c_str(), 0700), 0);
        ASSERT_EQ(::chown(p.c_str(), kOtherUser, kOtherUser), 0);
    }
    const RuntimeDirChoice c = chooseRuntimeDirectory(xdg, tmp.path(), home.path(), ::getuid());
    EXPECT_EQ(c.path, home.path() + "/.cache/quillon-runtime");
    EXPECT_NE(c.problem.find("belongs to another user"), std::string::npos) << c.problem;
}
