// Damaged or foreign table files: each gives a clear failure (0/false with a
// text), never a crash, and opening never writes to the file.
#include "records/sx.h"

#include "tablehelpers.h"
#include "tempdir.h"

#include <random>
#include <tuple>

namespace qln::records::test {
namespace {

class DamagedTableTest : public TempDirTest {
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        ASSERT_TRUE(createSample(path("T.DBF")));
        ASSERT_NE(sx_Use(path("T.DBF"), "T", EXCLUSIVE, SDEFOX), 0);
        for (int i = 0; i < 5; ++i) {
            ASSERT_TRUE(addRow("row" + std::to_string(i), "20250101", true, i));
            ASSERT_TRUE(sx_Replace("NOTE", R_MEMO, "memo text " + std::to_string(i)));
        }
        ASSERT_TRUE(sx_Commit());
        sx_Close();
        good = readFile(path("T.DBF"));
        headerLen = uint8_t(good[8]) | uint8_t(good[9]) << 8;
        recLen = uint8_t(good[10]) | uint8_t(good[11]) << 8;
    }
    // Opens the damaged image; checks the file was not changed.
    int openImage(const std::string &img)
    {
        writeFile(path("T.DBF"), img);
        int area = sx_Use(path("T.DBF"), "T", EXCLUSIVE, SDEFOX);
        if (area) {
            // Reading everything must be safe too.
            for (sx_GoTop(); !sx_Eof(); sx_Skip(1))
                for (int f = 1; f <= sx_FieldCount(); ++f)
                    (void)sx_GetString(sx_FieldName(f));
            sx_Close();
        }
        EXPECT_EQ(readFile(path("T.DBF")), img);
        return area;
    }
    std::string good;
    int headerLen = 0, recLen = 0;
};

TEST_F(DamagedTableTest, TruncatedFiles)
{
    for (size_t len : {size_t(0), size_t(1), size_t(31), size_t(40), size_t(headerLen - 1)}) {
        EXPECT_EQ(openImage(good.substr(0, len)), 0) << len;
        EXPECT_NE(sx_ErrorText(), "") << len;
    }
    // Cut inside the third record: two whole records remain, and they can
    // be read; the header (five rows) disagrees, so nothing is written.
    std::string cut = good.substr(0, size_t(headerLen + 2 * recLen + recLen / 2));
    writeFile(path("T.DBF"), cut);
    EXPECT_EQ(sx_Use(path("T.DBF"), "T", EXCLUSIVE, SDEFOX), 0);
    ASSERT_NE(sx_Use(path("T.DBF"), "T", READONLY, SDEFOX), 0);
    EXPECT_EQ(sx_RecCount(), 2);
    sx_Close();
    EXPECT_EQ(readFile(path("T.DBF")), cut);
}

TEST_F(DamagedTableTest, HeaderCountsThatDisagreeWithTheFileAreNeverWritten)
{
    // A header that claims more rows than the file holds, and one that
    // counts fewer: both open for reading (the smaller count wins) and
    // neither opens for writing, so no append, pack or rewrite can destroy
    // rows the header does not count.
    std::string more = good;
    more[4] = 100;
    std::string fewer = good;
    fewer[4] = 3;
    for (const auto &[img, counted, shown] : {std::tuple{more, 100, 5}, std::tuple{fewer, 3, 3}}) {
        writeFile(path("T.DBF"), img);
        EXPECT_EQ(sx_Use(path("T.DBF"), "T", EXCLUSIVE, SDEFOX), 0) << counted;
        EXPECT_NE(sx_ErrorText().find("damaged"), std::string::npos) << sx_ErrorText();
        EXPECT_NE(sx_ErrorText().find("counts " + std::to_string(counted) + " rows but the file holds 5"),
                  std::string::npos)
            << sx_ErrorText();
        EXPECT_EQ(sx_Use(path("T.DBF"), "T", READWRITE, SDEFOX), 0) << counted;
        ASSERT_NE(sx_Use(path("T.DBF"), "T", READONLY, SDEFOX), 0) << sx_ErrorText();
        EXPECT_EQ(sx_RecCount(), shown);
        EXPECT_FALSE(sx_AppendBlank());
        EXPECT_FALSE(sx_Pack());
        sx_Close();
        EXPECT_EQ(readFile(path("T.DBF")), img);
    }

    // A record only partly on disk (an append cut short) is no disagreement:
    // the table opens and the next append takes its place.
    std::string torn = good + std::string(size_t(recLen / 2), 'x');
    writeFile(path("T.DBF"), torn);
    ASSERT_NE(sx_Use(path("T.DBF"), "T", EXCLUSIVE, SDEFOX), 0) << sx_ErrorText();
    EXPECT_EQ(sx_RecCount(), 5);
    ASSERT_TRUE(addRow("new", "", false, 1));
    ASSERT_TRUE(sx_Commit());
    EXPECT_EQ(sx_RecCount(), 6);
    sx_Close();
}

TEST_F(DamagedTableTest, BadRecordLengthOrHeaderLength)
{
    std::string img = good;
    img[10] = char(img[10] + 1);
    EXPECT_EQ(openImage(img), 0);
    EXPECT_NE(sx_ErrorText().find("record length"), std::string::npos) << sx_ErrorText();
    img = good;
    img[8] = char(0xFF);
    img[9] = char(0x7F);
    EXPECT_EQ(openImage(img), 0);
    img = good;
    img[0] = 0x42;   // not a DBF at all
    EXPECT_EQ(openImage(img), 0);
}

TEST_F(DamagedTableTest, GarbageFieldDescriptors)
{
    std::mt19937 rng(42);
    int opened = 0;
    for (int round = 0; round < 300; ++round) {
        std::string img = good;
        int flips = 1 + int(rng() % 4);
        for (int i = 0; i < flips; ++i) {
            size_t at = 32 + rng() % size_t(headerLen - 32);
            img[at] = char(rng());
        }
        opened += openImage(img) != 0;
    }
    // Some flips only touch bytes nobody reads; most must be refused.
    EXPECT_LT(opened, 300);
    // No terminator at all.
    std::string img = good;
    img[size_t(headerLen - 1)] = 'X';
    EXPECT_EQ(openImage(img), 0);
}

TEST_F(DamagedTableTest, MemoPointersPastTheEnd)
{
    std::string img = good;
    int memoOffset = 1 + 20 + 8 + 1 + 4;
    img.replace(size_t(headerLen + memoOffset), 10, "  99999999");
    img.replace(size_t(headerLen + recLen + memoOffset), 10, "   garbage");
    writeFile(path("T.DBF"), img);
    std::string fpt = readFile(path("T.FPT"));
    ASSERT_NE(sx_Use(path("T.DBF"), "T", EXCLUSIVE, SDEFOX), 0);
    sx_Go(1);
    EXPECT_EQ(sx_GetMemo("NOTE"), "");
    EXPECT_NE(sx_ErrorText(), "");
    EXPECT_FALSE(sx_BlobToFile("NOTE", path("out.rtf")));
    sx_Go(2);
    EXPECT_EQ(sx_GetMemo("NOTE"), "");
    EXPECT_NE(sx_ErrorText(), "");
    sx_Go(3);
    EXPECT_EQ(sx_GetMemo("NOTE"), "memo text 2");
    sx_Close();
    EXPECT_EQ(readFile(path("T.FPT")), fpt);
}

// A lost header update leaves the free pointer one block (or more) short
// of the end: a memo written then must not land on the memos of existing
// rows.
TEST_F(DamagedTableTest, MemoFreePointerBelowTheEndIsNeverTrusted)
{
    std::string fpt = readFile(path("T.FPT"));
    const uint32_t blocks = uint32_t(fpt.size() / 64);
    for (uint32_t back : {1u, blocks - 8u}) {  // one block short; pointing at the first memo
        std::string bad = fpt;
        const uint32_t next = blocks - back;
        bad[0] = char(next >> 24), bad[1] = char(next >> 16), bad[2] = char(next >> 8), bad[3] = char(next);
        writeFile(path("T.FPT"), bad);
        ASSERT_NE(sx_Use(path("T.DBF"), "T", EXCLUSIVE, SDEFOX), 0) << sx_ErrorText();
        ASSERT_TRUE(addRow("new", "20250101", false, 9));
        ASSERT_TRUE(sx_Replace("NOTE", R_MEMO, "a new memo that is long enough to span two blocks of the file"));
        ASSERT_TRUE(sx_Commit());
        for (int i = 0; i < 5; ++i) {
            sx_Go(i + 1);
            EXPECT_EQ(sx_GetMemo("NOTE"), "memo text " + std::to_string(i)) << back;
        }
        sx_Go(6);
        EXPECT_EQ(sx_GetMemo("NOTE"), "a new memo that is long enough to span two blocks of the file");
        sx_Close();
        // The header now points past the new memo.
        const std::string after = readFile(path("T.FPT"));
        const uint32_t free = uint32_t(uint8_t(after[0])) << 24 | uint32_t(uint8_t(after[1])) << 16 |
                              uint32_t(uint8_t(after[2])) << 8 | uint8_t(after[3]);
        EXPECT_EQ(uint64_t(free) * 64, after.size());
        writeFile(path("T.DBF"), good);
    }
}

TEST_F(DamagedTableTest, MemoLengthPastTheEndAndMissingMemoFile)
{
    std::string fpt = readFile(path("T.FPT"));
    // First memo block starts at 512; its length field follows the type.
    std::string bad = fpt;
    bad.replace(512 + 4, 4, std::string("\x7f\xff\xff\xff", 4));
    writeFile(path("T.FPT"), bad);
    ASSERT_NE(sx_Use(path("T.DBF"), "T", EXCLUSIVE, SDEFOX), 0);
    sx_Go(1);
    EXPECT_EQ(sx_GetMemo("NOTE"), "");
    sx_Go(2);
    EXPECT_EQ(sx_GetMemo("NOTE"), "memo text 1");
    sx_Close();
    writeFile(path("T.FPT"), fpt.substr(0, 100));
    EXPECT_EQ(sx_Use(path("T.DBF"), "T", EXCLUSIVE, SDEFOX), 0);
    ::unlink(path("T.FPT").c_str());
    EXPECT_EQ(sx_Use(path("T.DBF"), "T", EXCLUSIVE, SDEFOX), 0);
    EXPECT_NE(sx_ErrorText().find("memo"), std::string::npos) << sx_ErrorText();
}

TEST_F(DamagedTableTest, CallsWithoutATableFailCleanly)
{
    sx_CloseAll();
    EXPECT_EQ(sx_RecCount(), 0);
    EXPECT_FALSE(sx_AppendBlank());
    EXPECT_FALSE(sx_Replace("NAME", R_CHAR, "x"));
    EXPECT_EQ(sx_GetString("NAME"), "");
    EXPECT_TRUE(sx_Eof());
    EXPECT_FALSE(sx_Query(".t."));
    EXPECT_EQ(sx_IndexTag("", "A", "NAME", 0, false, ""), 0);
    EXPECT_NE(sx_ErrorText(), "");
    sx_GoTop();
    sx_Skip(1);
    sx_Close();
}

} // namespace
} // namespace qln::records::test
