// Engine behaviour over real files: create/open, read/write, navigation
// with hidden deleted rows, queries, memo fields, pack, structure.
#include "records/sx.h"

#include "records/filelock.h"

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tablehelpers.h"
#include "tempdir.h"

namespace qln::records::test {
namespace {

class TableTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        ASSERT_TRUE(createSample(path("T.DBF"))) << sx_ErrorText();
    }
    int open() { return sx_Use(path("T.DBF"), "T", EXCLUSIVE, SDEFOX); }
};

TEST_F(TableTest, CreatedTableHasItsStructureAndFiles)
{
    EXPECT_TRUE(fileExists(path("T.DBF")));
    EXPECT_TRUE(fileExists(path("T.FPT")));
    EXPECT_FALSE(fileExists(path("T.CDX")));
    ASSERT_NE(open(), 0) << sx_ErrorText();
    EXPECT_EQ(sx_Version(), 0xF5);
    EXPECT_EQ(sx_FieldCount(), 5);
    EXPECT_EQ(sx_FieldName(1), "NAME");
    EXPECT_EQ(sx_FieldName(5), "NOTE");
    EXPECT_EQ(sx_FieldType("when"), 'D');
    EXPECT_EQ(sx_FieldWidth("NAME"), 20);
    EXPECT_EQ(sx_FieldWidth("NOTE"), 10);
    EXPECT_EQ(sx_FieldOffset("WHEN"), 21);
    EXPECT_EQ(sx_RecSize(), 1 + 20 + 8 + 1 + 4 + 10);
    EXPECT_EQ(sx_RecCount(), 0);
    EXPECT_TRUE(sx_Eof());
    EXPECT_TRUE(sx_Bof());
    EXPECT_EQ(sx_RecNo(), 1);
    EXPECT_EQ(sx_FieldType("NOSUCH"), 0);
}

TEST_F(TableTest, CreationRefusesBadFields)
{
    EXPECT_TRUE(sx_CreateNew(path("B.DBF"), "B", SDEFOX, 2));
    EXPECT_FALSE(sx_CreateField("X", "C", 0, 0));
    EXPECT_FALSE(sx_CreateField("TOOLONGNAME1", "C", 5, 0));
    EXPECT_FALSE(sx_CreateField("D", "D", 9, 0));
    EXPECT_FALSE(sx_CreateField("N", "N", 30, 0));
    EXPECT_TRUE(sx_CreateField("A", "C", 5, 0));
    EXPECT_TRUE(sx_CreateField("A", "C", 5, 0));
    EXPECT_FALSE(sx_CreateExec());   // duplicate name
    EXPECT_FALSE(fileExists(path("B.DBF")));
}

TEST_F(TableTest, ValuesSurviveCommitAndReopen)
{
    ASSERT_NE(open(), 0);
    ASSERT_TRUE(addRow("Alpha", "20260102", true, 7));
    ASSERT_TRUE(sx_Replace("NOTE", R_MEMO, "{\\rtf1 first memo}"));
    ASSERT_TRUE(addRow("Beta", "", false, -12));
    ASSERT_TRUE(sx_Commit());
    sx_Close();
    ASSERT_NE(open(), 0);
    ASSERT_EQ(sx_RecCount(), 2);
    sx_Go(1);
    EXPECT_EQ(sx_GetTrimString("NAME"), "Alpha");
    EXPECT_EQ(sx_GetString("NAME"), "Alpha" + std::string(15, ' '));
    EXPECT_EQ(sx_GetDateString("WHEN"), "20260102");
    EXPECT_TRUE(sx_GetLogical("DONE"));
    EXPECT_EQ(sx_GetDouble("QTY"), 7);
    EXPECT_EQ(sx_GetMemo("NOTE"), "{\\rtf1 first memo}");
    sx_Go(2);
    EXPECT_EQ(sx_GetDateString("WHEN"), "");
    EXPECT_FALSE(sx_GetLogical("DONE"));
    EXPECT_EQ(sx_GetDouble("QTY"), -12);
    EXPECT_EQ(sx_GetMemo("NOTE"), "");
}

TEST_F(TableTest, BadValuesAreRefusedAndLeaveTheRowAlone)
{
    ASSERT_NE(open(), 0);
    ASSERT_TRUE(addRow("Alpha", "20260102", true, 7));
    ASSERT_TRUE(sx_Commit());
    EXPECT_FALSE(sx_Replace("QTY", R_INTEGER, "123456"));   // wider than N 4
    EXPECT_FALSE(sx_Replace("WHEN", R_DATESTR, "20261399"));
    EXPECT_FALSE(sx_Replace("NOSUCH", R_CHAR, "x"));
    EXPECT_FALSE(sx_ErrorText().empty());
    sx_Commit();
    EXPECT_EQ(sx_GetDouble("QTY"), 7);
    EXPECT_EQ(sx_GetDateString("WHEN"), "20260102");
}

TEST_F(TableTest, DeletedRowsAreHiddenSkippedAndNotCounted)
{
    ASSERT_NE(open(), 0);
    for (int i = 1; i <= 5; ++i)
        ASSERT_TRUE(addRow("R" + std::to_string(i), "", false, i));
    ASSERT_TRUE(sx_Query(".not. deleted()"));
    sx_Go(1);
    ASSERT_TRUE(sx_Delete());
    sx_Go(3);
    ASSERT_TRUE(sx_Delete());
    sx_Go(5);
    ASSERT_TRUE(sx_Delete());
    ASSERT_TRUE(sx_Commit());
    EXPECT_EQ(sx_QueryRecCount(), 2);
    EXPECT_EQ(walk(), (std::vector<long>{2, 4}));
    EXPECT_EQ(walkBackwards(), (std::vector<long>{4, 2}));
    EXPECT_EQ(sx_RecCount(), 5);   // still in the file
    // Skipping from a hidden row lands on the next visible one.
    sx_Go(3);
    EXPECT_TRUE(sx_Deleted());
    sx_Skip(1);
    EXPECT_EQ(sx_RecNo(), 4);
    sx_Go(3);
    sx_Skip(-1);
    EXPECT_EQ(sx_RecNo(), 2);
    // Past the end: record number is count + 1.
    sx_GoBottom();
    sx_Skip(1);
    EXPECT_TRUE(sx_Eof());
    EXPECT_EQ(sx_RecNo(), 6);
    sx_Skip(-1);
    EXPECT_EQ(sx_RecNo(), 4);
    // With the setting off, the flagged rows come back.
    sx_SetDeleted(false);
    ASSERT_TRUE(sx_Query(""));
    EXPECT_EQ(walk().size(), 5u);
    EXPECT_EQ(sx_QueryRecCount(), 5);
    sx_SetDeleted(true);
    EXPECT_EQ(sx_QueryRecCount(), 2);
}

TEST_F(TableTest, QueryFiltersNavigationAndCount)
{
    ASSERT_NE(open(), 0);
    ASSERT_TRUE(addRow("smith a", "20240101", true, 1));
    ASSERT_TRUE(addRow("jones", "", false, 2));
    ASSERT_TRUE(addRow("SMITH B", "20250101", true, 3));
    ASSERT_TRUE(sx_Query("\"SMITH\"$UPPER(NAME)"));
    EXPECT_EQ(sx_DBFilter(), "\"SMITH\"$UPPER(NAME)");
    EXPECT_EQ(sx_QueryRecCount(), 2);
    EXPECT_EQ(walk(), (std::vector<long>{1, 3}));
    // A change to a row updates its membership at once.
    sx_Go(2);
    ASSERT_TRUE(sx_Replace("NAME", R_CHAR, "smithers"));
    EXPECT_EQ(sx_QueryRecCount(), 3);
    EXPECT_FALSE(sx_Query("UPPER(NAME"));
    EXPECT_FALSE(sx_Query("NAME"));   // not logical
    EXPECT_TRUE(sx_Query(""));
    EXPECT_EQ(sx_QueryRecCount(), 3);
}

TEST_F(TableTest, MemoToAndFromFiles)
{
    ASSERT_NE(open(), 0);
    std::string big(200000, 'x');
    for (size_t i = 0; i < big.size(); i += 97)
        big[i] = char('a' + i % 26);
    writeFile(path("in.rtf"), big);
    ASSERT_TRUE(addRow("m", "", false, 0));
    ASSERT_TRUE(sx_Replace("NOTE", R_BLOBFILE, path("in.rtf")));
    ASSERT_TRUE(sx_Commit());
    ASSERT_TRUE(sx_BlobToFile("NOTE", path("out.rtf")));
    EXPECT_EQ(readFile(path("out.rtf")), big);
    // Replacing keeps the old memo intact until the pointer moves.
    ASSERT_TRUE(sx_Replace("NOTE", R_MEMO, "short"));
    EXPECT_EQ(sx_GetMemo("NOTE"), "short");
    EXPECT_FALSE(sx_Replace("NOTE", R_BLOBFILE, path("missing.rtf")));
    EXPECT_EQ(sx_GetMemo("NOTE"), "short");
    EXPECT_FALSE(sx_BlobToFile("NAME", path("x.rtf")));
}

TEST_F(TableTest, PackRemovesFlaggedRowsAndKeepsMemos)
{
    ASSERT_NE(open(), 0);
    for (int i = 1; i <= 6; ++i) {
        ASSERT_TRUE(addRow("R" + std::to_string(i), "", false, i));
        ASSERT_TRUE(sx_Replace("NOTE", R_MEMO, "memo " + std::to_string(i)));
    }
    for (long r : {2L, 3L, 6L}) {
        sx_Go(r);
        ASSERT_TRUE(sx_Delete());
    }
    ASSERT_TRUE(sx_Pack()) << sx_ErrorText();
    EXPECT_EQ(sx_RecCount(), 3);
    std::vector<std::string> names, memos;
    for (long r = 1; r <= 3; ++r) {
        sx_Go(r);
        names.push_back(sx_GetTrimString("NAME"));
        memos.push_back(sx_GetMemo("NOTE"));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"R1", "R4", "R5"}));
    EXPECT_EQ(memos, (std::vector<std::string>{"memo 1", "memo 4", "memo 5"}));
    sx_Close();
    ASSERT_NE(open(), 0);
    EXPECT_EQ(sx_RecCount(), 3);
}

TEST_F(TableTest, PackCompactsTheMemoFile)
{
    ASSERT_NE(open(), 0);
    for (int i = 1; i <= 20; ++i) {
        ASSERT_TRUE(addRow("R" + std::to_string(i), "", false, i));
        for (int v = 0; v < 3; ++v)   // every save leaves the old memo behind
            ASSERT_TRUE(sx_Replace("NOTE", R_MEMO, std::string(500, char('a' + v)) + std::to_string(i)));
    }
    for (long r = 1; r <= 20; r += 2) {
        sx_Go(r);
        ASSERT_TRUE(sx_Delete());
    }
    ASSERT_TRUE(sx_Commit());
    size_t before = readFile(path("T.FPT")).size();
    ASSERT_TRUE(sx_Pack()) << sx_ErrorText();
    size_t after = readFile(path("T.FPT")).size();
    EXPECT_LT(after * 4, before);
    ASSERT_EQ(sx_RecCount(), 10);
    for (long r = 1; r <= 10; ++r) {
        sx_Go(r);
        EXPECT_EQ(sx_GetMemo("NOTE"), std::string(500, 'c') + std::to_string(2 * r)) << r;
    }
    EXPECT_FALSE(fileExists(path("T.PAK")));
    EXPECT_FALSE(fileExists(path("T.DBF.tmp")));
    EXPECT_FALSE(fileExists(path("T.FPT.tmp")));
}

// A pack writes both new files, then a journal, then renames them; an open
// after a crash finishes the renames when the journal exists and ignores
// the new files otherwise.
TEST_F(TableTest, InterruptedPackIsFinishedOrIgnored)
{
    ASSERT_NE(open(), 0);
    for (int i = 1; i <= 6; ++i) {
        ASSERT_TRUE(addRow("R" + std::to_string(i), "", false, i));
        ASSERT_TRUE(sx_Replace("NOTE", R_MEMO, "memo " + std::to_string(i)));
    }
    sx_Go(2);
    ASSERT_TRUE(sx_Delete());
    sx_Close();
    const std::string oldDbf = readFile(path("T.DBF")), oldFpt = readFile(path("T.FPT"));
    ASSERT_NE(open(), 0);
    ASSERT_TRUE(sx_Pack());
    sx_Close();
    const std::string newDbf = readFile(path("T.DBF")), newFpt = readFile(path("T.FPT"));
    auto restore = [&](bool journal, bool fptRenamed) {
        writeFile(path("T.DBF"), oldDbf);
        writeFile(path("T.FPT"), fptRenamed ? newFpt : oldFpt);
        writeFile(path("T.DBF.tmp"), newDbf);
        if (!fptRenamed)
            writeFile(path("T.FPT.tmp"), newFpt);
        if (journal)
            writeFile(path("T.PAK"), "pack\n");
    };
    auto memos = [&] {
        std::vector<std::string> out;
        for (long r = 1; r <= sx_RecCount(); ++r) {
            sx_Go(r);
            out.push_back(sx_GetMemo("NOTE"));
        }
        return out;
    };
    const std::vector<std::string> packed{"memo 1", "memo 3", "memo 4", "memo 5", "memo 6"};
    for (bool fptRenamed : {false, true}) {
        restore(true, fptRenamed);
        ASSERT_NE(open(), 0) << sx_ErrorText();
        EXPECT_EQ(sx_RecCount(), 5);
        EXPECT_EQ(memos(), packed);
        sx_Close();
        EXPECT_FALSE(fileExists(path("T.PAK")));
    }
    // Without the journal the old table stands.
    restore(false, false);
    ASSERT_NE(open(), 0);
    EXPECT_EQ(sx_RecCount(), 6);
    EXPECT_EQ(memos().at(2), "memo 3");
    sx_Close();
    EXPECT_EQ(readFile(path("T.DBF")), oldDbf);
}

TEST_F(TableTest, ExclusiveUseKeepsOthersOut)
{
    ASSERT_NE(open(), 0);
    EXPECT_EQ(sx_Use(path("T.DBF"), "T2", EXCLUSIVE, SDEFOX), 0);
    EXPECT_NE(sx_ErrorText().find("in use"), std::string::npos) << sx_ErrorText();
    EXPECT_EQ(sx_Use(path("T.DBF"), "T", READONLY, SDEFOX), 0);   // alias taken
}

// Another process holding the table: the open waits for it a bounded time,
// and when the time runs out names the holder.
TEST_F(TableTest, ExclusiveUseWaitsForAnotherProgramAndNamesIt)
{
    auto holdLock = [&](int holdMs) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            const int fd = ::open(path("T.DBF").c_str(), O_RDWR);
            ::flock(fd, LOCK_EX);
            (void)!::write(ready[1], "x", 1);
            ::usleep(useconds_t(holdMs) * 1000);
            ::_exit(0);
        }
        char c;
        EXPECT_EQ(::read(ready[0], &c, 1), 1);
        ::close(ready[0]);
        ::close(ready[1]);
        return child;
    };
    const int savedWait = tableLockWaitMs();
    setTableLockWaitMs(10000);
    pid_t child = holdLock(200);
    EXPECT_NE(open(), 0) << sx_ErrorText();
    sx_Close();
    ::waitpid(child, nullptr, 0);

    setTableLockWaitMs(100);
    child = holdLock(60000);
    EXPECT_EQ(open(), 0);
    const std::string text = sx_ErrorText();
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    setTableLockWaitMs(savedWait);
    EXPECT_NE(text.find("in use by records_tests (pid " + std::to_string(child) + ")"), std::string::npos) << text;
}

TEST_F(TableTest, WorkAreasAndAliases)
{
    ASSERT_TRUE(createSample(path("U.DBF"), false));
    int a = open();
    int b = sx_Use(path("U.DBF"), "U", EXCLUSIVE, SDEFOX);
    ASSERT_NE(a, 0);
    ASSERT_NE(b, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(sx_WorkArea("t"), a);
    EXPECT_EQ(sx_WorkArea("U"), b);
    EXPECT_EQ(sx_WorkArea("V"), 0);
    EXPECT_EQ(sx_Select(a), b);
    EXPECT_EQ(sx_Alias(), "T");
    sx_Close();
    EXPECT_EQ(sx_WorkArea("T"), 0);
    EXPECT_EQ(sx_Select(b), a);
    EXPECT_EQ(sx_Version(), 0x03);
}

TEST_F(TableTest, DriverFollowsTheFirstByte)
{
    EXPECT_EQ(sx_DriverFor(path("T.DBF")), SDEFOX);
    ASSERT_TRUE(createSample(path("P.DBF"), false));
    EXPECT_EQ(sx_DriverFor(path("P.DBF")), SDEFOX);
    writeFile(path("P.NSX"), "x");
    EXPECT_EQ(sx_DriverFor(path("P.DBF")), SDENSX);
    writeFile(path("P.CDX"), "x");
    EXPECT_EQ(sx_DriverFor(path("P.DBF")), SDEFOX);
    std::string img = readFile(path("P.DBF"));
    img[0] = char(0x83);
    writeFile(path("Q.DBF"), img);
    EXPECT_EQ(sx_DriverFor(path("Q.DBF")), SDENTX);
    img[0] = char(0xE5);
    writeFile(path("Q.DBF"), img);
    EXPECT_EQ(sx_DriverFor(path("Q.DBF")), SDENSX);
    EXPECT_EQ(sx_DriverFor(path("none.DBF")), 0);
}

TEST_F(TableTest, PositionedAccessFollowsTheOrder)
{
    ASSERT_NE(open(), 0);
    for (const char *n : {"d", "b", "e", "a", "c"})
        ASSERT_TRUE(addRow(n, "", false, 0));
    ASSERT_GT(sx_IndexTag("", "NAME", "NAME", 0, false, ".not. deleted()"), 0);
    sx_Go(2);   // "b"
    ASSERT_TRUE(sx_Delete());
    ASSERT_TRUE(sx_Query(".not. deleted()"));
    EXPECT_EQ(sx_KeyCount(), 4);
    std::vector<long> at;
    for (long i = 0; i < sx_KeyCount(); ++i)
        at.push_back(sx_RecNoAt(i));
    EXPECT_EQ(at, (std::vector<long>{4, 5, 1, 3}));
    EXPECT_EQ(sx_RecNoAt(4), 0);
    EXPECT_EQ(sx_RecNoAt(-1), 0);
    EXPECT_EQ(sx_PositionOf(1), 2);
    EXPECT_EQ(sx_PositionOf(2), -1);
    sx_Go(3);
    EXPECT_EQ(sx_KeyNo(), 3);
}

} // namespace
} // namespace qln::records::test
