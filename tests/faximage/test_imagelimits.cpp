// Hostile image inputs: files whose headers or strip tables would make the
// converter write far more than the file holds. Each must end with a code
// (and no output file) or with exactly the rows the header promises.
#include <gtest/gtest.h>

#include "apftestutil.h"
#include "faximage/converter.h"
#include "test_converterutil.h"

namespace qln::fax::test {
namespace {

// A little-endian TIFF built entry by entry: header, one directory, then the
// extra data (strip tables, image data) at the offsets the test gives.
struct TiffBuilder {
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
    };
    std::vector<Entry> entries;
    std::vector<uint8_t> tail; // bytes placed right after the directory

    void add(uint16_t tag, uint16_t type, uint32_t count, uint32_t value) { entries.push_back({tag, type, count, value}); }
    // Offset at which tail byte `i` lands.
    uint32_t tailOffset(std::size_t i = 0) const { return uint32_t(8 + 2 + 12 * entries.size() + 4 + i); }
    std::vector<uint8_t> bytes() const
    {
        std::vector<uint8_t> v(8, 0);
        v[0] = v[1] = 'I';
        v[2] = 42;
        put32(v, 4, 8);
        v.resize(v.size() + 2 + 12 * entries.size() + 4, 0);
        put16(v, 8, uint32_t(entries.size()));
        std::size_t at = 10;
        for (const Entry &e : entries) {
            put16(v, at, e.tag);
            put16(v, at + 2, e.type);
            put32(v, at + 4, e.count);
            if (e.type == 3 && e.count <= 2)
                put16(v, at + 8, e.value), put16(v, at + 10, e.value >> 16);
            else
                put32(v, at + 8, e.value);
            at += 12;
        }
        v.insert(v.end(), tail.begin(), tail.end());
        return v;
    }
};

constexpr uint16_t kShort = 3, kLong = 4;

// Entries of a one-bit uncompressed image `width` pixels wide; the caller
// adds the length, strip offsets and rows per strip.
TiffBuilder tiffOf(uint32_t width, uint32_t length)
{
    TiffBuilder t;
    t.add(256, kLong, 1, width);
    t.add(257, kLong, 1, length);
    t.add(258, kShort, 1, 1);
    t.add(259, kShort, 1, 1);
    t.add(262, kShort, 1, 0);
    return t;
}

class HostileImage : public ::testing::Test {
protected:
    int convert(const std::vector<uint8_t> &data, TFaxInputDocumentType type, const char *name)
    {
        writeBytes(dir.file(name), data);
        cvt.SetInputDocumentType(type);
        cvt.SetDocumentFile(dir.file(name));
        cvt.SetOutFileName(dir.file("out.apf"));
        return cvt.convertDocument();
    }
    TempDir dir;
    TApdFaxConverter cvt;
};

TEST_F(HostileImage, TiffStripsThatRunOutDoNotRepeat)
{
    // One strip offset, one row per strip, a length of 100000 rows: the one
    // strip may not be read again for the rows after it.
    TiffBuilder one = tiffOf(64, 100000);
    one.add(273, kLong, 1, 0);
    one.add(278, kLong, 1, 1);
    one.entries[5].value = one.tailOffset();
    one.tail.assign(8, 0x0F);
    EXPECT_EQ(convert(one.bytes(), idTiff, "one.tif"), ecUnsupportedFormat);
    EXPECT_FALSE(fileExists(dir.file("out.apf")));

    // Two short strip offsets held in the entry itself, alternating.
    TiffBuilder two = tiffOf(64, 100000);
    two.add(273, kShort, 2, 0);
    two.add(278, kLong, 1, 1);
    const uint32_t at = two.tailOffset();
    two.entries[5].value = at | (at + 8) << 16;
    two.tail.assign(16, 0xF0);
    EXPECT_EQ(convert(two.bytes(), idTiff, "two.tif"), ecUnsupportedFormat);
    EXPECT_FALSE(fileExists(dir.file("out.apf")));
}

TEST_F(HostileImage, TiffStripsSharingTheirDataCannotOutgrowTheFile)
{
    // 2000 strip offsets all naming the same 10 rows: 20000 rows from a
    // file of 8 KB. Strip data can only be read as often as the file holds it.
    constexpr uint32_t kStrips = 2000, kRowsPerStrip = 10, kWidth = 1728;
    TiffBuilder t = tiffOf(kWidth, kStrips * kRowsPerStrip);
    t.add(273, kLong, kStrips, 0);
    t.add(278, kLong, 1, kRowsPerStrip);
    t.entries[5].value = t.tailOffset();
    t.tail.resize(4 * kStrips, 0);
    const uint32_t data = t.tailOffset(t.tail.size());
    for (uint32_t i = 0; i < kStrips; ++i)
        put32(t.tail, 4 * i, data);
    t.tail.resize(t.tail.size() + kRowsPerStrip * kWidth / 8, 0x55);
    EXPECT_EQ(convert(t.bytes(), idTiff, "shared.tif"), ecDeviceRead);
    EXPECT_FALSE(fileExists(dir.file("out.apf")));
}

TEST_F(HostileImage, PagesLongerThanTheUnpackerTakesAreRefused)
{
    // PackBits rows of 8 bytes cost 2 bytes each, so a small file can claim
    // more lines than a fax page (and the unpacker) can hold.
    auto packBits = [](uint32_t rows) {
        TiffBuilder t = tiffOf(64, rows);
        t.entries[3].value = 32773;
        t.add(273, kLong, 1, 0);
        t.entries[5].value = t.tailOffset();
        for (uint32_t r = 0; r < rows; ++r) {
            t.tail.push_back(uint8_t(257 - 8)); // repeat the next byte 8 times
            t.tail.push_back(r % 3 ? 0x00 : 0x81);
        }
        return t.bytes();
    };
    cvt.SetOptions(0);
    ASSERT_EQ(convert(packBits(kApfMaxPageLines), idTiff, "max.tif"), 0);
    DecodedFile f = decodeApfFile(dir.file("out.apf"));
    ASSERT_EQ(f.pages.size(), 1u);
    EXPECT_EQ(f.pages[0].lines.size(), std::size_t(kApfMaxPageLines));

    std::remove(dir.file("out.apf").c_str());
    EXPECT_EQ(convert(packBits(kApfMaxPageLines + 1), idTiff, "over.tif"), ecUnsupportedFormat);
    EXPECT_FALSE(fileExists(dir.file("out.apf")));
    // The top margin counts towards the page.
    cvt.SetTopMargin(10);
    EXPECT_EQ(convert(packBits(kApfMaxPageLines - 5), idTiff, "margin.tif"), ecUnsupportedFormat);
}

TEST_F(HostileImage, PcxRowCountComesFromTheHeaderAndThePaletteIsNoImage)
{
    // Version 5 files end with 0x0C and a 768-byte palette after the rows.
    const PixelFn pattern = [](int x, int y) { return (x + y) % 5 == 0; };
    std::vector<uint8_t> pcx = makePcx(64, 10, pattern);
    pcx.push_back(0x0C);
    for (int i = 0; i < 768; ++i)
        pcx.push_back(uint8_t(i * 7));
    cvt.SetOptions(0);
    ASSERT_EQ(convert(pcx, idPcx, "pal.pcx"), 0);
    DecodedFile f = decodeApfFile(dir.file("out.apf"));
    ASSERT_EQ(f.pages.size(), 1u);
    ASSERT_EQ(f.pages[0].lines.size(), 10u);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(pixelAt(f.pages[0].lines[std::size_t(y)], 50 + x), pattern(x, y)) << x << "," << y;
}

TEST_F(HostileImage, PcxRunsBeyondTheHeaderRowsAreNotImage)
{
    // Two rows of one byte, then 100 runs of 63 bytes each: a reader that
    // takes rows from the run data would make 6300 rows of them.
    std::vector<uint8_t> pcx = makePcx(8, 2, [](int x, int) { return x == 3; });
    for (int i = 0; i < 100; ++i) {
        pcx.push_back(0xFF);
        pcx.push_back(0x00);
    }
    ASSERT_EQ(convert(pcx, idPcx, "runs.pcx"), 0);
    EXPECT_EQ(decodeApfFile(dir.file("out.apf")).pages.at(0).lines.size(), 2u);

    // A header whose last row lies before its first is no image.
    std::vector<uint8_t> upside = makePcx(8, 2, [](int, int) { return false; });
    put16(upside, 6, 5);
    put16(upside, 10, 4);
    EXPECT_EQ(convert(upside, idPcx, "upside.pcx"), ecUnsupportedFormat);
}

TEST_F(HostileImage, DcxPagesSharingOneImageAreRefused)
{
    std::vector<uint8_t> page = makePcx(800, 400, [](int x, int y) { return (x ^ y) & 1; });
    std::vector<uint8_t> dcx = makeDcx({page});
    // 1000 more offsets naming the same image.
    for (uint32_t i = 1; i <= 1000; ++i)
        put32(dcx, 4 + 4 * i, 4100);
    EXPECT_EQ(convert(dcx, idDcx, "same.dcx"), ecUnsupportedFormat);
    EXPECT_FALSE(fileExists(dir.file("out.apf")));
}

} // namespace
} // namespace qln::fax::test
