// APF container: header layout, writer arithmetic, page walk, concatenation
// and what malformed files give.
#include <gtest/gtest.h>

#include <filesystem>

#include <cerrno>
#include <fstream>

#include "apftestutil.h"
#include "faximage/apf.h"
#include "faximage/apferrors.h"
#include "faximage/g3encoder.h"

using namespace qln::fax;
using namespace qln::fax::test;

TEST(ApfHeader, FieldsLandAtTheirOffsets)
{
    ApfFileHeader h;
    h.dateTime = 0x11223344;
    h.setStation("+1 555 0100");
    h.pageCount = 0x0203;
    uint8_t raw[64];
    h.pack(raw);
    EXPECT_EQ(0, memcmp(raw, "APF10\x1A", 6));
    EXPECT_EQ(0x44, raw[6]);
    EXPECT_EQ(0x11, raw[9]);
    EXPECT_EQ(11, raw[10]);
    EXPECT_EQ(0, memcmp(raw + 11, "+1 555 0100         ", 20)); // padded with spaces
    EXPECT_EQ(0, raw[31]);
    EXPECT_EQ(0x03, raw[32]);
    EXPECT_EQ(0x02, raw[33]);
    EXPECT_EQ(64, raw[34]);
    for (int i = 38; i < 64; ++i)
        EXPECT_EQ(0, raw[i]) << i;
    ApfFileHeader back = ApfFileHeader::unpack(raw);
    EXPECT_TRUE(back.hasSignature());
    EXPECT_EQ("+1 555 0100", back.stationText());
    EXPECT_EQ(0x0203, back.pageCount);

    ApfFileHeader longId;
    longId.setStation("123456789012345678901234");
    EXPECT_EQ(20, longId.stationIdLength);
    EXPECT_EQ("12345678901234567890", longId.stationText());
}

TEST(ApfHeader, DosDatePacksAndRejectsYearsOutsideRange)
{
    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 9;
    t.tm_hour = 9;
    t.tm_min = 51;
    t.tm_sec = 31;
    uint32_t p = packDosDateTime(t);
    EXPECT_EQ(((2026u - 1980) << 25) | (12u << 21) | (9u << 16) | (9u << 11) | (51u << 5) | 15u, p);
    std::tm u = unpackDosDateTime(p);
    EXPECT_EQ(t.tm_year, u.tm_year);
    EXPECT_EQ(t.tm_mon, u.tm_mon);
    EXPECT_EQ(30, u.tm_sec);
    t.tm_year = 1979 - 1900;
    EXPECT_EQ(0u, packDosDateTime(t));
    t.tm_year = 2100 - 1900;
    EXPECT_EQ(0u, packDosDateTime(t));
}

static std::vector<uint8_t> blankLineBytes()
{
    G3LineEncoder enc;
    enc.putBlankLine(kNormalWidth);
    return std::vector<uint8_t>(enc.data(), enc.data() + enc.codedLength());
}

class ApfWriterSizes : public ::testing::TestWithParam<uint16_t> {};

TEST_P(ApfWriterSizes, OneBlankLinePageHasTheFixedArithmetic)
{
    TempDir dir;
    const std::string path = dir.file("one.apf");
    ApfWriter w;
    ASSERT_EQ(0, w.create(path));
    ASSERT_EQ(0, w.beginPage(uint16_t(pfLineLengths | GetParam())));
    auto blank = blankLineBytes();
    ASSERT_EQ(0, w.writeFramedLine(blank.data(), blank.size()));
    ASSERT_EQ(0, w.endPage());
    ASSERT_EQ(0, w.finish("ID"));
    auto bytes = readFile(path);
    ASSERT_EQ(64u + 16 + 2 + 6 + 2 + 12, bytes.size());
    EXPECT_EQ(22u, getU32(&bytes[64]));
    EXPECT_EQ(4 + GetParam(), getU16(&bytes[68]));
    EXPECT_EQ(1, getU16(&bytes[32]));
    EXPECT_EQ(6, getU16(&bytes[80]));
    const uint8_t expectBlank[] = {0x00, 0x80, 0xB2, 0x59, 0x01, 0x00};
    EXPECT_EQ(0, memcmp(&bytes[82], expectBlank, 6));
    EXPECT_EQ(12, getU16(&bytes[88]));
    const uint8_t eop[] = {0x00, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00};
    EXPECT_EQ(0, memcmp(&bytes[90], eop, 12));
    EXPECT_NE(0u, getU32(&bytes[6])); // completion time written
}

INSTANTIATE_TEST_SUITE_P(Flags, ApfWriterSizes, ::testing::Values(0, pfFine, pfWide, pfFine | pfWide));

TEST(ApfWriter, RejectsOverlongFramedLineAndEmptyName)
{
    TempDir dir;
    ApfWriter w;
    EXPECT_EQ(ecFileNotFound, w.create(""));
    ASSERT_EQ(0, w.create(dir.file("x.apf")));
    ASSERT_EQ(0, w.beginPage(pfLineLengths));
    std::vector<uint8_t> big(4097, 0);
    EXPECT_EQ(ecBadArgument, w.writeFramedLine(big.data(), big.size()));
    EXPECT_EQ(0, w.writeFramedLine(big.data(), 4096));
}

TEST(ApfWriter, UnfinishedFileLeavesNothingAndKeepsTheOldFile)
{
    TempDir dir;
    const std::string path = dir.file("gone.apf");
    auto entries = [&dir]() {
        std::vector<std::string> names;
        for (const auto &e : std::filesystem::directory_iterator(dir.path()))
            names.push_back(e.path().filename().string());
        return names;
    };
    {
        ApfWriter w;
        ASSERT_EQ(0, w.create(path));
        ASSERT_EQ(0, w.beginPage(pfLineLengths));
        EXPECT_FALSE(fileExists(path)); // written under a temporary name
        EXPECT_EQ(entries().size(), 1u);
    }
    EXPECT_TRUE(entries().empty());

    // An existing file of the name stays as it was until a new one is done.
    writeRawApf(path, {0x00, 0x80}, pfFine);
    const std::vector<uint8_t> before = readFile(path);
    {
        ApfWriter w;
        ASSERT_EQ(0, w.create(path));
        ASSERT_EQ(0, w.beginPage(pfLineLengths));
        EXPECT_EQ(readFile(path), before);
    }
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(entries(), std::vector<std::string>{"gone.apf"});
    ApfWriter w;
    ASSERT_EQ(0, w.create(path));
    ASSERT_EQ(0, w.finish("NEW"));
    EXPECT_NE(readFile(path), before);
    EXPECT_EQ(entries(), std::vector<std::string>{"gone.apf"});
}

namespace {
// Fails the n-th write with the given errno.
class FailingWriter : public ApfWriter {
public:
    FailingWriter(int failAt, int err)
        : failAt_(failAt)
        , err_(err)
    {
    }

protected:
    int osWrite(int fd, const uint8_t *d, std::size_t n) override
    {
        if (++writes_ == failAt_)
            return err_;
        return ApfWriter::osWrite(fd, d, n);
    }

private:
    int failAt_, err_, writes_ = 0;
};
} // namespace

TEST(ApfWriter, DiskFullWhileFlushingClosesAndDeletes)
{
    TempDir dir;
    const std::string path = dir.file("full.apf");
    FailingWriter w(2, ENOSPC);
    ASSERT_EQ(0, w.create(path));
    ASSERT_EQ(0, w.beginPage(pfLineLengths));
    std::vector<uint8_t> line(300, 0x55);
    int rc = 0;
    for (int i = 0; i < 100 && rc == 0; ++i) // 30 KB: several buffer flushes
        rc = w.writeFramedLine(line.data(), line.size());
    EXPECT_EQ(ecDiskFull, rc);
    EXPECT_FALSE(w.isOpen());
    EXPECT_FALSE(fileExists(path));
    EXPECT_EQ(ecBadArgument, w.endPage());
}

TEST(ApfWriter, LargeWritesKeepTheirOrder)
{
    // A write larger than the buffer's free space goes partly straight to
    // the file; the bytes must still come out in order.
    TempDir dir;
    const std::string path = dir.file("big.apf");
    ApfWriter w;
    ASSERT_EQ(0, w.create(path));
    ASSERT_EQ(0, w.beginPage(0));
    std::vector<uint8_t> data(10000);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 7);
    ASSERT_EQ(0, w.writeRaw(data.data(), 100));
    ASSERT_EQ(0, w.writeRaw(data.data() + 100, 9900));
    ASSERT_EQ(0, w.endPage());
    ASSERT_EQ(0, w.finish(""));
    auto bytes = readFile(path);
    ASSERT_EQ(80u + 10000, bytes.size());
    EXPECT_EQ(10000u, getU32(&bytes[64]));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), bytes.begin() + 80));
}

TEST(ApfReader, WalksToPageNAndRefusesPagesBeyondTheCount)
{
    TempDir dir;
    const std::string path = dir.file("two.apf");
    std::vector<Line> p1(3, blackSpan(216, 10, 20)), p2(5, blackSpan(216, 0, 1000));
    writeApf(path, {p1, p2}, 0);
    ApfReader r;
    ASSERT_EQ(0, r.open(path));
    EXPECT_EQ(2, r.pageCount());
    ApfPageHeader h1, h2;
    ASSERT_EQ(0, r.seekPage(1, &h1));
    ASSERT_EQ(0, r.seekPage(2, &h2));
    EXPECT_EQ(64u + 16 + h1.imageLength, r.pageHeaderOffset());
    EXPECT_NE(h1.imageLength, h2.imageLength);
    EXPECT_EQ(ecFaxBadFormat, r.seekPage(3));
    EXPECT_EQ(ecFaxBadFormat, r.seekPage(0));
    // Framed lines of page 2 then the end of its data.
    uint8_t buf[4096];
    std::size_t n = 0;
    int lines = 0;
    int rc;
    ASSERT_EQ(0, r.seekPage(2));
    while ((rc = r.readFramedLine(buf, n)) == 0)
        ++lines;
    EXPECT_EQ(1, rc);
    EXPECT_EQ(6, lines); // five lines and the end-of-page line
}

TEST(ApfReader, PagesReadInOrderWalkTheFileOnce)
{
    TempDir dir;
    const std::string path = dir.file("many.apf");
    constexpr int kPages = 3000;
    writeApf(path, std::vector<std::vector<Line>>(kPages, std::vector<Line>(1, blackSpan(216, 3, 9))), 0);
    ApfReader r;
    ASSERT_EQ(0, r.open(path));
    uint64_t lastOffset = 0;
    for (int p = 1; p <= kPages; ++p) {
        ASSERT_EQ(0, r.seekPage(p)) << p;
        ASSERT_GT(r.pageHeaderOffset(), lastOffset);
        lastOffset = r.pageHeaderOffset();
    }
    // Walking from page 1 for each page would read 4.5 million headers.
    EXPECT_EQ(r.pageHeadersRead(), uint64_t(kPages));
    // Going back walks from the start again and finds the same page.
    ASSERT_EQ(0, r.seekPage(2));
    EXPECT_EQ(r.pageHeadersRead(), uint64_t(kPages + 2));
    ApfReader fresh;
    ASSERT_EQ(0, fresh.open(path));
    ASSERT_EQ(0, fresh.seekPage(2));
    EXPECT_EQ(fresh.pageHeaderOffset(), r.pageHeaderOffset());
    // The same page again reads its header only.
    ASSERT_EQ(0, r.seekPage(2));
    EXPECT_EQ(r.pageHeadersRead(), uint64_t(kPages + 3));
}

TEST(ApfText, ControlBytesOfAStationIdentifierAreEscaped)
{
    EXPECT_EQ(escapedText("+49 30 1234"), "+49 30 1234");
    EXPECT_EQ(escapedText(std::string("A\rB\nC\x1b[2J\x7f\xe9\0", 12)), "A\\x0DB\\x0AC\\x1B[2J\\x7F\\xE9\\x00");
    EXPECT_EQ(escapedText("say \"hi\" \\ bye"), "say \\\"hi\\\" \\\\ bye");
}

TEST(ApfReader, BadFilesGiveTheirCodes)
{
    TempDir dir;
    ApfReader r;
    EXPECT_EQ(ecFileNotFound, r.open(""));
    EXPECT_EQ(ecFileNotFound, r.open(dir.file("missing.apf")));

    std::ofstream(dir.file("short.apf")) << "APF10";
    EXPECT_EQ(ecFaxBadFormat, r.open(dir.file("short.apf")));

    std::vector<uint8_t> junk(200, 'x');
    writeRawApf(dir.file("sig.apf"), junk, 0);
    auto bytes = readFile(dir.file("sig.apf"));
    bytes[3] = '2';
    std::ofstream(dir.file("sig.apf"), std::ios::binary).write(reinterpret_cast<char *>(bytes.data()),
                                                               std::streamsize(bytes.size()));
    EXPECT_EQ(ecFaxBadFormat, r.open(dir.file("sig.apf")));

    // A header claiming three pages over a file with one.
    writeRawApf(dir.file("count.apf"), junk, 0);
    bytes = readFile(dir.file("count.apf"));
    bytes[32] = 3;
    std::ofstream(dir.file("count.apf"), std::ios::binary).write(reinterpret_cast<char *>(bytes.data()),
                                                                 std::streamsize(bytes.size()));
    ASSERT_EQ(0, r.open(dir.file("count.apf")));
    EXPECT_EQ(0, r.seekPage(1));
    EXPECT_EQ(ecFaxBadFormat, r.seekPage(2));
}

TEST(ApfReader, ClaimedHugePageIsReadOnlyAsFarAsTheFileGoes)
{
    TempDir dir;
    const std::string path = dir.file("huge.apf");
    writeRawApf(path, std::vector<uint8_t>(5000, 0), 0, 0xFFFFFFF0u);
    ApfReader r;
    ASSERT_EQ(0, r.open(path));
    ASSERT_EQ(0, r.seekPage(1));
    uint8_t buf[4096];
    std::size_t got = 0;
    EXPECT_EQ(0, r.readData(buf, sizeof buf, got));
    EXPECT_EQ(4096u, got);
    EXPECT_EQ(0, r.readData(buf, sizeof buf, got));
    EXPECT_EQ(904u, got);
    EXPECT_EQ(ecFaxBadFormat, r.readData(buf, sizeof buf, got));
}

TEST(ApfReader, FramedLengthWordsAreChecked)
{
    TempDir dir;
    // A length word above 4096, and one running past the image length.
    std::vector<uint8_t> data = {0x01, 0x10, 1, 2, 3};
    writeRawApf(dir.file("long.apf"), data, pfLineLengths);
    ApfReader r;
    ASSERT_EQ(0, r.open(dir.file("long.apf")));
    ASSERT_EQ(0, r.seekPage(1));
    uint8_t buf[4096];
    std::size_t n;
    EXPECT_EQ(ecFaxBadFormat, r.readFramedLine(buf, n));

    data = {0x10, 0x00, 1, 2, 3};
    writeRawApf(dir.file("past.apf"), data, pfLineLengths);
    ASSERT_EQ(0, r.open(dir.file("past.apf")));
    ASSERT_EQ(0, r.seekPage(1));
    EXPECT_EQ(0, r.readFramedLine(buf, n));
    EXPECT_EQ(3u, n);
    EXPECT_EQ(1, r.readFramedLine(buf, n));
}

TEST(ApfConcatenate, PagesAddUpAndKeepTheirOrder)
{
    TempDir dir;
    std::vector<std::vector<Line>> a, b;
    for (int i = 0; i < 2; ++i)
        a.push_back(std::vector<Line>(2 + i, blackSpan(216, i, 100)));
    for (int i = 0; i < 3; ++i)
        b.push_back(std::vector<Line>(4 + i, blackSpan(216, 200 + i, 300)));
    writeApf(dir.file("a.apf"), a, pfFine);
    writeApf(dir.file("b.apf"), b, 0);
    ASSERT_EQ(0, concatenateApf(dir.file("ab.apf"), {dir.file("a.apf"), dir.file("b.apf")}));
    auto fa = readFile(dir.file("a.apf")), fb = readFile(dir.file("b.apf")), fab = readFile(dir.file("ab.apf"));
    ASSERT_EQ(fa.size() + fb.size() - 64, fab.size());
    EXPECT_EQ(5, getU16(&fab[32]));
    EXPECT_TRUE(std::equal(fb.begin() + 64, fb.end(), fab.begin() + long(fa.size())));

    ApfReader r;
    ASSERT_EQ(0, r.open(dir.file("ab.apf")));
    ApfPageHeader h;
    ASSERT_EQ(0, r.seekPage(3, &h));
    EXPECT_EQ(0, h.flags & pfFine); // the second file's first page
    EXPECT_EQ(0, r.seekPage(5));
    EXPECT_EQ(ecFaxBadFormat, r.seekPage(6));

    // The destination may be one of the inputs.
    ASSERT_EQ(0, concatenateApf(dir.file("a.apf"), {dir.file("a.apf"), dir.file("b.apf")}));
    EXPECT_EQ(fab, readFile(dir.file("a.apf")));
}

TEST(ApfConcatenate, RefusesNonApfInputWithoutWriting)
{
    TempDir dir;
    writeApf(dir.file("a.apf"), {{blackSpan(216, 0, 8)}}, 0);
    std::ofstream(dir.file("b.apf")) << "not an apf file at all, really not one";
    EXPECT_EQ(ecFaxBadFormat, concatenateApf(dir.file("out.apf"), {dir.file("a.apf"), dir.file("b.apf")}));
    EXPECT_FALSE(fileExists(dir.file("out.apf")));
    EXPECT_EQ(ecFileNotFound, concatenateApf(dir.file("out.apf"), {}));
}
