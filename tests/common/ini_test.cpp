// The INI reader/writer: number rules, lookup rules, what a write keeps, and
// files that are damaged or cannot be written.
#include "common/ini.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

#include "testdir.h"

using qln::IniFile;
using qln::IniWriteError;
using qln::test::TempDir;

TEST(IniNumbers, HexadecimalNeedsMoreThanTwoCharacters)
{
    int v = 0;
    EXPECT_TRUE(IniFile::parseInteger("0x2", v));
    EXPECT_EQ(v, 2);
    EXPECT_TRUE(IniFile::parseInteger("0X1f", v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(IniFile::parseInteger("0xFFFFFFFF", v));
    EXPECT_EQ(v, -1);
    EXPECT_FALSE(IniFile::parseInteger("0x", v));
    EXPECT_FALSE(IniFile::parseInteger("0x1G", v));
    EXPECT_FALSE(IniFile::parseInteger("0x100000000", v));
}

TEST(IniNumbers, DecimalAndNonNumbers)
{
    int v = 0;
    EXPECT_TRUE(IniFile::parseInteger("-1", v));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(IniFile::parseInteger("+14400", v));
    EXPECT_EQ(v, 14400);
    EXPECT_TRUE(IniFile::parseInteger("-2147483648", v));
    EXPECT_EQ(v, -2147483647 - 1);
    for (const char *bad : {"", "-", "12a", "1 2", "2147483648", "99999999999999999999", "abc", "1.5"})
        EXPECT_FALSE(IniFile::parseInteger(bad, v)) << bad;
}

TEST(IniRead, NamesIgnoreCaseAndValuesAreTrimmed)
{
    TempDir d;
    d.write("a.ini", "[modem]\ncomport = 0x2 \nInitString=\"AT&F \"\n[Other]\nX=notanumber\n");
    IniFile ini(d.file("a.ini"));
    EXPECT_EQ(ini.readInteger("Modem", "ComPort", -1), 2);
    EXPECT_EQ(ini.readString("MODEM", "initstring", ""), "AT&F ");
    EXPECT_EQ(ini.readInteger("Other", "X", 7), 7);
    EXPECT_TRUE(ini.readBool("Other", "Missing", true));
    EXPECT_FALSE(ini.readBool("Modem", "Missing", false));
}

TEST(IniRead, BooleansAreIntegers)
{
    TempDir d;
    d.write("a.ini", "[S]\nA=1\nB=0\nC=5\nD=yes\n");
    IniFile ini(d.file("a.ini"));
    EXPECT_TRUE(ini.readBool("S", "A", false));
    EXPECT_FALSE(ini.readBool("S", "B", true));
    EXPECT_TRUE(ini.readBool("S", "C", false));
    EXPECT_TRUE(ini.readBool("S", "D", true));  // not a number: default
    EXPECT_FALSE(ini.readBool("S", "D", false));
}

TEST(IniRead, MissingFileReadsEveryDefault)
{
    TempDir d;
    IniFile ini(d.file("none.ini"));
    EXPECT_EQ(ini.readString("A", "B", "def"), "def");
    EXPECT_EQ(ini.readInteger("A", "B", 42), 42);
    EXPECT_TRUE(ini.sections().empty());
}

TEST(IniRead, FirstOfDuplicateSectionsAndKeysWins)
{
    TempDir d;
    d.write("a.ini", "[S]\nK=first\nK=second\n[s]\nK=third\nOnly=here\n");
    IniFile ini(d.file("a.ini"));
    EXPECT_EQ(ini.readString("S", "K", ""), "first");
    EXPECT_EQ(ini.readString("S", "Only", "none"), "none");
    EXPECT_EQ(ini.sections().size(), 1u);
}

TEST(IniRead, BinaryGarbageAndOverlongLinesLoad)
{
    TempDir d;
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 37 + 11) & 0xFF);
    std::string data = junk + "\n[Modem]\r\nComPort=3\r\n" + std::string(1, '\0') + "=x\n[" + junk
                       + "\nLong=" + std::string(5000, 'v') + "\n[Modem\nno-equals-line\n";
    d.write("a.ini", data);
    IniFile ini(d.file("a.ini"));
    EXPECT_EQ(ini.readInteger("Modem", "ComPort", -1), 3);
    // Values are read into a 1024-character buffer.
    EXPECT_EQ(ini.readString("Modem", "Long", "").size(), 1023u);
    EXPECT_EQ(ini.readString("X", "Y", std::string(2000, 'd')).size(), 1023u);
    // A multi-byte character across the cut is left out whole.
    EXPECT_EQ(ini.readString("X", "Y", std::string(1022, 'd') + "\xC3\xA9").size(), 1022u);
    EXPECT_EQ(ini.readString("X", "Y", std::string(1021, 'd') + "\xC3\xA9").size(), 1023u);
}

TEST(IniWrite, OtherSectionsCommentsAndJunkArePreserved)
{
    TempDir d;
    const std::string before = "; Quillon settings\r\n[Foreign]\r\nKeep=this\r\n\r\n"
                               "[Modem]\r\n; a comment\r\ncomport=1\r\nweird line\r\n\r\n[Tail]\r\nZ=9\r\n";
    d.write("a.ini", before);
    IniFile ini(d.file("a.ini"));
    ini.writeInteger("MODEM", "ComPort", 4);
    ini.writeString("Modem", "InitString", "AT&F");
    ini.writeString("New Section", "Key", "v");
    EXPECT_EQ(d.read("a.ini"), "; Quillon settings\r\n[Foreign]\r\nKeep=this\r\n\r\n"
                               "[Modem]\r\n; a comment\r\ncomport=4\r\nweird line\r\nInitString=AT&F\r\n\r\n"
                               "[Tail]\r\nZ=9\r\n\r\n[New Section]\r\nKey=v\r\n");
    IniFile again(d.file("a.ini"));
    EXPECT_EQ(again.readInteger("modem", "COMPORT", 0), 4);
    EXPECT_EQ(again.readString("Foreign", "Keep", ""), "this");
}

TEST(IniWrite, LineBreaksInValuesCannotInjectLines)
{
    TempDir d;
    IniFile ini(d.file("a.ini"));
    ini.writeString("S", "K", "a\n[Evil]\nX=1");
    IniFile again(d.file("a.ini"));
    EXPECT_FALSE(again.sectionExists("Evil"));
    EXPECT_EQ(again.readString("S", "K", ""), "a [Evil] X=1");
}

TEST(IniWrite, DeferredUpdateWritesOnce)
{
    TempDir d;
    IniFile ini(d.file("a.ini"));
    ini.beginUpdate();
    ini.writeBool("S", "A", true);
    ini.writeInteger("S", "B", -3);
    EXPECT_FALSE(std::filesystem::exists(d.file("a.ini")));
    ini.endUpdate();
    EXPECT_EQ(d.read("a.ini"), "[S]\nA=1\nB=-3\n");
}

TEST(IniWrite, EraseSectionRemovesEveryCopy)
{
    TempDir d;
    d.write("a.ini", "[A]\nx=1\n[B]\ny=2\n[a]\nz=3\n");
    IniFile ini(d.file("a.ini"));
    ini.eraseSection("A");
    ini.deleteKey("B", "y");
    EXPECT_EQ(d.read("a.ini"), "[B]\n");
}

TEST(IniWrite, UnwritableLocationRaisesUnableToWrite)
{
    TempDir d;
    d.write("plainfile", "x");
    const std::string path = d.file("plainfile") + "/QLN.INI";  // parent is not a directory
    IniFile ini(path);
    try {
        ini.writeString("S", "K", "v");
        FAIL() << "no error raised";
    } catch (const IniWriteError &e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + path);
        EXPECT_EQ(e.path(), path);
    }
}

TEST(IniWrite, FailedWriteLeavesOldFileIntact)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "directory permissions do not bind root";
    TempDir d;
    d.write("a.ini", "[S]\nK=old\n");
    IniFile ini(d.file("a.ini"));
    std::filesystem::permissions(d.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    EXPECT_THROW(ini.writeString("S", "K", "new"), IniWriteError);
    std::filesystem::permissions(d.path(), std::filesystem::perms::owner_all);
    EXPECT_EQ(d.read("a.ini"), "[S]\nK=old\n");
}

TEST(IniWrite, FailedReplaceLeavesNoTemporaryFiles)
{
    TempDir d;
    std::filesystem::create_directory(d.file("QLN.INI"));  // cannot be replaced by a file
    IniFile ini(d.file("QLN.INI"));
    EXPECT_THROW(ini.writeString("S", "K", "v"), IniWriteError);
    int entries = 0;
    for ([[maybe_unused]] const auto &e : std::filesystem::directory_iterator(d.path()))
        ++entries;
    EXPECT_EQ(entries, 1);
}
