// Compound index: tags stay in step with every append, replace, delete and
// pack; index files that are missing, foreign, damaged or stale are never
// trusted and never crash the engine.
#include "records/sx.h"

#include "tablehelpers.h"
#include "tempdir.h"

#include <random>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace qln::records::test {
namespace {

struct TagDef {
    const char *name, *key;
    bool descending;
};
const TagDef kTags[] = {{"BYNAME", "UPPER(NAME)", false},
                        {"BYDATE", "DTOS(WHEN)+NAME", true},
                        {"BYQTY", "QTY", false}};
const char *kCond = ".not. deleted()";

class IndexTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        ASSERT_TRUE(createSample(path("T.DBF")));
    }
    int open() { return sx_Use(path("T.DBF"), "T", EXCLUSIVE, SDEFOX); }
    void makeTags()
    {
        for (const auto &t : kTags)
            ASSERT_GT(sx_IndexTag("", t.name, t.key, 0, t.descending, kCond), 0) << sx_ErrorText();
    }
    void fill(int n, unsigned seed)
    {
        std::mt19937 rng(seed);
        for (int i = 0; i < n; ++i) {
            std::string name = std::string(1, char('a' + rng() % 26)) + std::to_string(rng() % 100);
            std::string when = rng() % 4 ? "2025" + std::string(rng() % 2 ? "01" : "11") + "1" + std::to_string(rng() % 10) : "";
            ASSERT_TRUE(addRow(name, when, rng() % 2, int(rng() % 200) - 100));
        }
    }
    // Every tag visits the rows of a plain sort, forwards and backwards.
    void expectTagsConsistent()
    {
        for (const auto &t : kTags) {
            int order = sx_TagArea(t.name);
            ASSERT_GT(order, 0) << t.name;
            sx_SetOrder(order);
            auto expected = expectedOrder(t.key, kCond, t.descending);
            sx_SetOrder(order);
            EXPECT_EQ(walk(), expected) << t.name;
            auto back = expected;
            std::reverse(back.begin(), back.end());
            EXPECT_EQ(walkBackwards(), back) << t.name;
        }
    }
};

TEST_F(IndexTest, TagsFollowAppendReplaceDeleteAndPack)
{
    ASSERT_NE(open(), 0);
    fill(40, 1);
    makeTags();
    expectTagsConsistent();
    fill(30, 2);
    expectTagsConsistent();
    std::mt19937 rng(3);
    for (int i = 0; i < 25; ++i) {
        sx_Go(long(1 + rng() % sx_RecCount()));
        if (i % 3 == 0)
            ASSERT_TRUE(sx_Delete());
        else
            ASSERT_TRUE(sx_Replace("NAME", R_CHAR, "z" + std::to_string(i)));
        if (i % 2) {
            ASSERT_TRUE(sx_Replace("WHEN", R_DATESTR, i % 4 ? "20300101" : ""));
        }
    }
    expectTagsConsistent();
    ASSERT_TRUE(sx_Pack());
    expectTagsConsistent();
    ASSERT_TRUE(sx_Commit());
    sx_Close();
    ASSERT_NE(open(), 0);
    EXPECT_EQ(sx_ErrorText(), "");
    EXPECT_EQ(sx_TagCount(), 3);
    expectTagsConsistent();
}

// Removed keys are dropped lazily; a key removed and then given back to the
// same row before the next read must appear exactly once, and many rows
// flagged before a read must all leave every tag.
TEST_F(IndexTest, KeysRemovedAndRestoredBeforeAReadStayExact)
{
    ASSERT_NE(open(), 0);
    fill(60, 4);
    makeTags();
    expectTagsConsistent();
    for (long r : {3L, 17L, 42L}) {
        ASSERT_TRUE(sx_Go(r));
        const std::string name = sx_GetTrimString("NAME");
        ASSERT_TRUE(sx_Replace("NAME", R_CHAR, "changed"));
        ASSERT_TRUE(sx_Go(r == 3 ? 4 : 3));   // writes the change
        ASSERT_TRUE(sx_Go(r));
        ASSERT_TRUE(sx_Replace("NAME", R_CHAR, "again"));
        ASSERT_TRUE(sx_Go(1));
        ASSERT_TRUE(sx_Go(r));
        ASSERT_TRUE(sx_Replace("NAME", R_CHAR, name));
    }
    ASSERT_TRUE(sx_Go(1));
    expectTagsConsistent();
    for (long r = 2; r <= sx_RecCount(); r += 2) {
        ASSERT_TRUE(sx_Go(r));
        ASSERT_TRUE(sx_Delete());
    }
    ASSERT_TRUE(sx_Commit());
    expectTagsConsistent();
    sx_Close();
    ASSERT_NE(open(), 0);
    expectTagsConsistent();
}

// Skipping from a row that has no key (just flagged deleted) continues
// from the place the row had in the order, in both directions.
TEST_F(IndexTest, SkipFromAHiddenRowKeepsItsPlaceInTheOrder)
{
    ASSERT_NE(open(), 0);
    for (const char *n : {"m", "c", "x", "a", "q"})
        ASSERT_TRUE(addRow(n, "", false, 0));
    ASSERT_GT(sx_IndexTag("", "BYNAME", "UPPER(NAME)", 0, true, kCond), 0);   // x q m c a
    sx_Go(1);   // "m"
    ASSERT_TRUE(sx_Delete());
    sx_Skip(1);
    EXPECT_EQ(sx_GetTrimString("NAME"), "c");
    sx_Go(1);
    sx_Skip(-1);
    EXPECT_EQ(sx_GetTrimString("NAME"), "q");
    sx_Go(3);   // "x", first in the order
    ASSERT_TRUE(sx_Delete());
    sx_Skip(-1);
    EXPECT_TRUE(sx_Bof());
    EXPECT_EQ(sx_GetTrimString("NAME"), "q");
}

TEST_F(IndexTest, ReplacingATagKeepsItsOrderNumber)
{
    ASSERT_NE(open(), 0);
    fill(10, 4);
    makeTags();
    EXPECT_EQ(sx_IndexTag("", "bydate", "WHEN", 0, false, kCond), 2);
    EXPECT_EQ(sx_TagCount(), 3);
    EXPECT_EQ(sx_IndexOrd(), 2);
    EXPECT_EQ(sx_IndexTag("", "BAD", "UPPER(", 0, false, kCond), 0);
    EXPECT_EQ(sx_IndexTag("", "BAD", "NAME", 0, false, "NAME"), 0);   // condition not logical
    EXPECT_EQ(sx_IndexTag("other.cdx", "X", "NAME", 0, false, ""), 0);
    EXPECT_EQ(sx_TagCount(), 3);
    EXPECT_EQ(sx_TagArea("NOSUCH"), 0);
    EXPECT_EQ(sx_SetOrder(0), 2);
    EXPECT_EQ(sx_IndexOrd(), 0);
}

TEST_F(IndexTest, MissingIndexFileOpensWithoutTags)
{
    ASSERT_NE(open(), 0);
    fill(10, 5);
    makeTags();
    sx_Close();
    ASSERT_EQ(::unlink(path("T.CDX").c_str()), 0);
    ASSERT_NE(open(), 0);
    EXPECT_EQ(sx_TagCount(), 0);
    EXPECT_EQ(sx_RecCount(), 10);
    makeTags();
    expectTagsConsistent();
}

TEST_F(IndexTest, ForeignOrRandomIndexFileIsReportedNotTrusted)
{
    ASSERT_NE(open(), 0);
    fill(10, 6);
    sx_Close();
    std::mt19937 rng(7);
    for (int size : {0, 10, 63, 64, 4096}) {
        std::string junk(size_t(size), '\0');
        for (char &c : junk)
            c = char(rng());
        if (size >= 8)
            junk.replace(0, 8, size == 4096 ? "QLNCDX01" : "FOXCDX!!");
        writeFile(path("T.CDX"), junk);
        ASSERT_NE(open(), 0) << size;
        EXPECT_EQ(sx_TagCount(), 0) << size;
        if (size > 0) {
            EXPECT_NE(sx_ErrorText(), "") << size;
        }
        EXPECT_EQ(walk().size(), 10u);
        sx_Close();
        // Opening and closing never rewrote the damaged file.
        EXPECT_EQ(readFile(path("T.CDX")), junk) << size;
    }
    // Making a tag replaces the damaged file with a sound one.
    ASSERT_NE(open(), 0);
    makeTags();
    sx_Close();
    ASSERT_NE(open(), 0);
    EXPECT_EQ(sx_ErrorText(), "");
    expectTagsConsistent();
}

TEST_F(IndexTest, DamagedKeysAreRebuiltFromTheTable)
{
    ASSERT_NE(open(), 0);
    fill(50, 8);
    makeTags();
    sx_Close();
    std::string good = readFile(path("T.CDX"));
    // Flip bytes in the key area (past header and directory).
    std::mt19937 rng(9);
    for (int round = 0; round < 20; ++round) {
        std::string bad = good;
        size_t at = good.size() / 2 + rng() % (good.size() / 2);
        bad[at] = char(bad[at] ^ (1 + rng() % 255));
        writeFile(path("T.CDX"), bad);
        ASSERT_NE(open(), 0);
        EXPECT_EQ(sx_TagCount(), 3);
        expectTagsConsistent();
        sx_Close();
    }
}

TEST_F(IndexTest, TableChangedBehindTheIndexIsDetected)
{
    ASSERT_NE(open(), 0);
    fill(20, 10);
    makeTags();
    sx_Close();
    // Another program renames row 5 in place (same size, same count).
    std::string img = readFile(path("T.DBF"));
    int headerLen = uint8_t(img[8]) | uint8_t(img[9]) << 8;
    int recLen = uint8_t(img[10]) | uint8_t(img[11]) << 8;
    img.replace(size_t(headerLen + 4 * recLen + 1), 3, "AAA");
    ::usleep(20000);
    writeFile(path("T.DBF"), img);
    ASSERT_NE(open(), 0);
    expectTagsConsistent();
    sx_SetOrder(sx_TagArea("BYNAME"));
    sx_GoTop();
    EXPECT_EQ(sx_RecNo(), 5);
}

TEST_F(IndexTest, IndexOlderThanTheTableIsRebuilt)
{
    ASSERT_NE(open(), 0);
    fill(20, 11);
    makeTags();
    ASSERT_TRUE(sx_Commit());
    std::string staleIndex = readFile(path("T.CDX"));
    sx_Go(3);
    ASSERT_TRUE(sx_Replace("NAME", R_CHAR, "AAAA"));
    sx_Go(4);   // the row is written, the index file not yet
    // As after a crash here: the table holds the change, the index file is
    // the one of the last commit.
    writeFile(path("T.CDX") + ".keep", staleIndex);
    sx_CloseAll();
    ::rename((path("T.CDX") + ".keep").c_str(), path("T.CDX").c_str());
    ASSERT_NE(open(), 0);
    expectTagsConsistent();
    sx_SetOrder(sx_TagArea("BYNAME"));
    sx_GoTop();
    EXPECT_EQ(sx_GetTrimString("NAME"), "AAAA");
}

// A writer killed with SIGKILL at arbitrary moments never leaves a table
// that cannot be opened, and every commit it acknowledged is there.
TEST_F(IndexTest, KilledWriterLeavesAnOpenableConsistentTable)
{
    ASSERT_NE(open(), 0);
    makeTags();
    sx_Close();
    long acknowledged = 0;
    for (int round = 0; round < 4; ++round) {
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            if (!sx_Use(path("T.DBF"), "T", EXCLUSIVE, SDEFOX))
                ::_exit(3);
            for (int i = 0;; ++i) {
                if (!addRow("w" + std::to_string(i % 97), i % 3 ? "20250101" : "", i % 2, i % 50))
                    ::_exit(4);
                sx_Replace("NOTE", R_MEMO, std::string(300 + i % 700, char('a' + i % 26)));
                if (i % 5 == 0) {
                    sx_Go(1 + i % long(sx_RecCount()));
                    sx_Replace("NAME", R_CHAR, "r" + std::to_string(i));
                }
                if (i % 7 == 0) {
                    sx_Go(1 + (i * 31) % long(sx_RecCount()));
                    sx_Delete();
                }
                if (!sx_Commit())
                    ::_exit(5);
                long n = sx_RecCount();
                if (::write(fds[1], &n, sizeof n) != sizeof n)
                    ::_exit(6);
            }
        }
        ::close(fds[1]);
        long n = 0;
        int reads = 0;
        while (reads < 6 + round * 6 && ::read(fds[0], &n, sizeof n) == sizeof n) {
            acknowledged = n;
            ++reads;
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(fds[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "writer failed with " << WEXITSTATUS(status);
        ASSERT_NE(open(), 0) << sx_ErrorText();
        EXPECT_GE(sx_RecCount(), acknowledged);
        EXPECT_EQ(sx_TagCount(), 3);
        expectTagsConsistent();
        for (long r = 1; r <= sx_RecCount(); r += 13) {
            sx_Go(r);
            std::string memo = sx_GetMemo("NOTE");
            EXPECT_TRUE(memo.empty() || memo.find_first_not_of(memo[0]) == std::string::npos) << r;
        }
        sx_Close();
    }
}

} // namespace
} // namespace qln::records::test
