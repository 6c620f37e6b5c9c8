// The data directory's choice and names inside it: case-insensitive lookup
// and names that would leave the directory.
#include "common/datadir.h"
#include "common/settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "testdir.h"

using namespace qln;
using qln::test::TempDir;

TEST(SafeChildPath, RefusesNamesLeavingTheDirectory)
{
    const std::string dir = "/data/";
    for (const char *bad : {"", "/", "/etc/passwd", "\\etc\\passwd", "..", "../x", "a/../../x", "a\\..\\b",
                            "..\\QLN.INI", "C:\\x", "c:x", ".", "./", "a/.."})
        EXPECT_EQ(safeChildPath(dir, bad), "") << bad;
    EXPECT_EQ(safeChildPath(dir, std::string("a\0b", 3)), "");
}

TEST(SafeChildPath, JoinsAndTurnsBackslashes)
{
    EXPECT_EQ(safeChildPath("/data", "RECEIVE\\FAX0001.APF"), "/data/RECEIVE/FAX0001.APF");
    EXPECT_EQ(safeChildPath("/data/", "./x..y"), "/data/x..y");
    EXPECT_EQ(safeChildPath("/data/", "a//b"), "/data/a/b");
}

TEST(FindNameNoCase, MatchesEveryComponentWithoutRegardToCase)
{
    TempDir d;
    std::filesystem::create_directory(d.file("receive"));
    d.write("receive/fax0001.apf", "x");
    d.write("QLN.INI", "");
    EXPECT_EQ(findNameNoCase(d.path(), "RECEIVE\\FAX0001.APF"), d.path() + "/receive/fax0001.apf");
    EXPECT_EQ(findNameNoCase(d.path() + "/", "qln.ini"), d.path() + "/QLN.INI");
    EXPECT_EQ(findNameNoCase(d.path(), "receive/FAX0002.APF"), "");
    EXPECT_EQ(findNameNoCase(d.path(), "..\\receive"), "");
    EXPECT_EQ(resolveNameNoCase(d.path(), "RECEIVE\\NEW.APF"), d.path() + "/receive/NEW.APF");
    EXPECT_EQ(resolveNameNoCase(d.path(), "/abs"), "");
}

TEST(FindNameNoCase, ExactSpellingWinsOverOtherCase)
{
    TempDir d;
    d.write("Name.txt", "1");
    d.write("NAME.TXT", "2");
    EXPECT_EQ(findNameNoCase(d.path(), "NAME.TXT"), d.path() + "/NAME.TXT");
    EXPECT_EQ(findNameNoCase(d.path(), "Name.txt"), d.path() + "/Name.txt");
}

TEST(DataDirectory, OverrideThenEnvironmentThenProgramDirectory)
{
    TempDir a, b;
    const char *oldEnv = std::getenv("QLN_DATA_DIR");
    std::string saved = oldEnv ? oldEnv : "";
    ::setenv("QLN_DATA_DIR", b.path().c_str(), 1);
    setDataDirectoryOverride(a.path());
    EXPECT_EQ(dataDirectory(), a.path() + "/");
    EXPECT_EQ(settingsPath(), a.path() + "/QLN.INI");
    setDataDirectoryOverride("");
    EXPECT_EQ(dataDirectory(), b.path() + "/");
    ::unsetenv("QLN_DATA_DIR");
    // The test program's own directory (the build tree) is writable.
    EXPECT_EQ(dataDirectory(), programDirectory());
    EXPECT_EQ(dataDirectory().back(), '/');
    if (oldEnv)
        ::setenv("QLN_DATA_DIR", saved.c_str(), 1);
}

// A data directory holding "qln.ini" (or "Receive") keeps using it: settings
// are read from and written to that file, and no second "QLN.INI" appears.
TEST(DataDirectory, SettingsFileAndReceiveFolderFoundInAnyCase)
{
    TempDir d;
    setDataDirectoryOverride(d.path());
    EXPECT_EQ(settingsPath(), d.path() + "/QLN.INI");
    EXPECT_EQ(receiveDirectory(), d.path() + "/receive/");

    d.write("qln.ini", "[Modem]\nComPort=2\n");
    std::filesystem::create_directory(d.file("Receive"));
    EXPECT_EQ(settingsPath(), d.path() + "/qln.ini");
    EXPECT_EQ(receiveDirectory(), d.path() + "/Receive/");

    Settings s;
    s.load(settingsPath());
    EXPECT_EQ(s.comPort, 2);
    s.userName = "Ann";
    s.save(settingsPath());
    EXPECT_FALSE(std::filesystem::exists(d.file("QLN.INI")));
    EXPECT_NE(d.read("qln.ini").find("Name=Ann"), std::string::npos);
    setDataDirectoryOverride("");
}
