// The MR and MMR codecs on their own: the bits of the standard's fixed
// sequences, fill to a minimum line length and byte-aligned EOLs, damaged
// MR lines resynchronised at the next EOL, MMR errors ending the page, and
// the transcoders between APF's MH and the 2-D codes of a fax link.
#include <gtest/gtest.h>

#include <random>

#include "apftestutil.h"
#include "faximage/apf.h"
#include "faximage/apfreader.h"
#include "faximage/apfwriter.h"
#include "faximage/pagetranscode.h"
#include "faximage/twodimdecoder.h"
#include "faximage/twodimencoder.h"
#include "faximage/unpackertiff.h"

using namespace qln::fax;
using namespace qln::fax::test;

namespace {

struct Coded {
    std::vector<uint8_t> bytes;
    ByteSink sink()
    {
        return [this](const uint8_t *d, std::size_t n) { bytes.insert(bytes.end(), d, d + n); };
    }
};

// The stream as a text of '0'/'1', first bit first.
std::string bitText(const std::vector<uint8_t> &s)
{
    std::string out;
    for (uint8_t b : s)
        for (int i = 0; i < 8; ++i)
            out += (b >> i) & 1 ? '1' : '0';
    return out;
}

// Packs a text of '0'/'1' least significant bit first; the last byte is
// filled with 0 bits.
std::vector<uint8_t> packBits(const std::string &bits)
{
    std::vector<uint8_t> out((bits.size() + 7) / 8, 0);
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i] == '1')
            out[i / 8] |= uint8_t(1u << (i % 8));
    return out;
}

std::vector<uint8_t> encodePage(const std::vector<Line> &lines, int width, FaxCoding coding,
                                const TwoDimOptions &options = {})
{
    Coded c;
    TwoDimEncoder enc(coding, width, c.sink(), options);
    for (const auto &l : lines)
        enc.encodeLine(l.data());
    enc.endPage();
    return c.bytes;
}

struct Decoded {
    std::vector<Line> lines;
    std::vector<bool> damaged;
    uint32_t damagedRows = 0;
    uint32_t longestRun = 0;
    bool ended = false;
    bool failed = false;
    std::size_t taken = 0;
};

Decoded decodePage(const std::vector<uint8_t> &stream, int width, FaxCoding coding, std::size_t piece = 0)
{
    Decoded d;
    TwoDimDecoder dec(coding, width, [&](const uint8_t *l, int n, bool damaged) {
        d.lines.emplace_back(l, l + n);
        d.damaged.push_back(damaged);
    });
    if (piece == 0)
        piece = stream.size() + 1;
    for (std::size_t at = 0; at < stream.size() && !dec.ended(); at += piece) {
        const std::size_t n = std::min(piece, stream.size() - at);
        const std::size_t took = dec.feed(stream.data() + at, n);
        d.taken += took;
        if (took < n)
            break;
    }
    dec.finish();
    d.damagedRows = dec.damagedRows();
    d.longestRun = dec.longestDamagedRun();
    d.ended = dec.ended();
    d.failed = dec.failed();
    EXPECT_EQ(d.lines.size(), dec.rows());
    return d;
}

std::vector<Line> mixedPage(std::mt19937 &rng, int rows, int width)
{
    std::vector<Line> page;
    for (int i = 0; i < rows; ++i) {
        const int kind = int(rng() % 5);
        page.push_back(kind == 0 ? Line(std::size_t(width / 8), 0) : randomLine(rng, width / 8, kind * 6));
    }
    return page;
}

const std::string kEol = "000000000001";

// Bit positions where the EOLs of a stream end (the position of their 1).
std::vector<std::size_t> eolEnds(const std::string &bits)
{
    std::vector<std::size_t> ends;
    std::size_t zeros = 0;
    for (std::size_t i = 0; i < bits.size(); ++i) {
        if (bits[i] == '0') {
            ++zeros;
            continue;
        }
        if (zeros >= 11)
            ends.push_back(i);
        zeros = 0;
    }
    return ends;
}

} // namespace

TEST(TwoDimEncoder, WhiteLinesAndPageEndsAreTheStandardsBits)
{
    const Line white(216, 0);
    // MR: EOL+1, white 1728 (make-up 1728, white 0); EOL+0, V0 against the
    // white line; RTC of six EOL+1; the last byte filled.
    auto mr = encodePage({white, white}, 1728, FaxCoding::MR);
    std::string expect = kEol + "1" + "010011011" + "00110101" + kEol + "0" + "1";
    for (int i = 0; i < 6; ++i)
        expect += kEol + "1";
    EXPECT_EQ(packBits(expect), mr);

    // MMR: V0 per line, then EOFB (two EOLs).
    auto mmr = encodePage({white, white, white}, 1728, FaxCoding::MMR);
    EXPECT_EQ(packBits("111" + kEol + kEol), mmr);

    // An all-black first line: MR codes it 1-D (white 0, black 1728); MMR
    // in horizontal mode against the white reference line (b1 at the end
    // is too far from a1 = 0 for vertical mode).
    const Line black(216, 0xFF);
    auto mrBlack = encodePage({black}, 1728, FaxCoding::MR);
    EXPECT_EQ(kEol + "1" + "00110101" + "0000001100101" + "0000110111", bitText(mrBlack).substr(0, 44));
    auto mmrBlack = encodePage({black}, 1728, FaxCoding::MMR);
    EXPECT_EQ("001" "00110101" "0000001100101" "0000110111", bitText(mmrBlack).substr(0, 34));
}

TEST(TwoDimEncoder, KFactorSetsTheOneDimensionalLines)
{
    std::mt19937 rng(41);
    auto page = mixedPage(rng, 13, 1728);
    for (int k : {1, 2, 4, 7}) {
        TwoDimOptions o;
        o.k = k;
        const std::string bits = bitText(encodePage(page, 1728, FaxCoding::MR, o));
        auto ends = eolEnds(bits);
        ASSERT_EQ(page.size() + 6, ends.size()) << k;
        for (std::size_t i = 0; i < page.size(); ++i)
            EXPECT_EQ(i % std::size_t(k) == 0 ? '1' : '0', bits[ends[i] + 1]) << "K " << k << " line " << i;
        EXPECT_TRUE(decodePage(packBits(bits), 1728, FaxCoding::MR).lines == page) << k;
    }
}

TEST(TwoDimEncoder, FillReachesTheMinimumLineLengthAndAlignsEols)
{
    std::mt19937 rng(42);
    auto page = mixedPage(rng, 40, 1728);
    page.insert(page.begin(), 5, Line(216, 0)); // short lines need the most fill
    for (bool align : {false, true}) {
        TwoDimOptions o;
        o.k = 4;
        o.minLineBits = 288; // 20 ms at 14400 bit/s
        o.alignEol = align;
        const auto stream = encodePage(page, 1728, FaxCoding::MR, o);
        const std::string bits = bitText(stream);
        auto ends = eolEnds(bits);
        ASSERT_EQ(page.size() + 6, ends.size());
        // From each line's EOL to the next: at least the minimum. (The
        // EOLs of RTC follow one another without it.)
        for (std::size_t i = 1; i <= page.size(); ++i)
            EXPECT_GE(ends[i] - ends[i - 1], std::size_t(o.minLineBits)) << i;
        if (align) {
            for (std::size_t e : ends)
                EXPECT_EQ(7u, e % 8) << e;
        }
        auto d = decodePage(stream, 1728, FaxCoding::MR);
        EXPECT_TRUE(d.lines == page);
        EXPECT_TRUE(d.ended);
    }
}

TEST(TwoDimEncoder, MhCodingIsWhatTheMhDecoderReads)
{
    // Plain MH lines (no tag bits) with fill to a minimum length: the APF
    // decoder reads them as it reads a received page.
    std::mt19937 rng(40);
    auto page = mixedPage(rng, 30, 2048);
    TwoDimOptions o;
    o.minLineBits = 400;
    const auto stream = encodePage(page, 2048, FaxCoding::MH, o);
    std::vector<Line> got;
    G3Decoder g3([&](const uint8_t *l, int n) { got.emplace_back(l, l + n); });
    g3.feed(stream.data(), stream.size());
    EXPECT_TRUE(g3.pageEnded());
    EXPECT_EQ(0u, g3.badCodes());
    EXPECT_TRUE(got == page);
    EXPECT_TRUE(decodePage(stream, 2048, FaxCoding::MH).lines == page);
}

TEST(TwoDimEncoder, AnyWidthUpToTheLargestRoundTrips)
{
    std::mt19937 rng(43);
    for (int width : {1, 7, 1001, 1728, 2432, 3456, 4864}) {
        const int bytes = (width + 7) / 8;
        std::vector<Line> page;
        for (int i = 0; i < 30; ++i)
            page.push_back(randomLine(rng, bytes, 1 + i % 9));
        page.push_back(Line(std::size_t(bytes), 0xFF));
        page.push_back(Line(std::size_t(bytes), 0x55));
        // Pixels past the width are not coded: decoded lines have them white.
        for (auto &l : page)
            if (width % 8)
                l.back() &= uint8_t(0xFF << (8 - width % 8));
        std::vector<Line> dirty = page;
        for (auto &l : dirty)
            if (width % 8)
                l.back() |= uint8_t(0xFF >> (width % 8));
        for (FaxCoding c : {FaxCoding::MR, FaxCoding::MMR}) {
            auto d = decodePage(encodePage(dirty, width, c), width, c, 7);
            EXPECT_TRUE(d.lines == page) << faxCodingName(c) << " " << width;
            EXPECT_TRUE(d.ended);
            EXPECT_EQ(0u, d.damagedRows);
        }
    }
}

TEST(TwoDimDecoder, PageEndsAtRtcOrEofbAndTakesNothingAfter)
{
    std::mt19937 rng(44);
    auto page = mixedPage(rng, 20, 1728);
    for (FaxCoding c : {FaxCoding::MR, FaxCoding::MMR}) {
        auto stream = encodePage(page, 1728, c);
        // Up to the byte that holds the end of EOFB, or of RTC's third EOL
        // (counting the last line's as the first); the rest is not taken.
        const auto ends = eolEnds(bitText(stream));
        const std::size_t last = c == FaxCoding::MMR ? ends.back() : ends[page.size() + 2];
        stream.insert(stream.end(), {0xFF, 0x10, 0x03});
        for (std::size_t piece : {std::size_t(1), std::size_t(5), std::size_t(0)}) {
            auto d = decodePage(stream, 1728, c, piece);
            EXPECT_TRUE(d.lines == page) << faxCodingName(c);
            EXPECT_TRUE(d.ended);
            EXPECT_EQ(last / 8 + 1, d.taken) << faxCodingName(c) << " " << piece;
        }
    }
    // A decoder that has ended takes nothing more.
    TwoDimDecoder dec(FaxCoding::MMR, 1728, {});
    auto eofb = packBits(kEol + kEol);
    EXPECT_EQ(eofb.size(), dec.feed(eofb.data(), eofb.size()));
    EXPECT_TRUE(dec.ended());
    EXPECT_EQ(0u, dec.feed(eofb.data(), eofb.size()));
}

TEST(TwoDimDecoder, MrCodesBeforeTheFirstEolAreIgnored)
{
    std::mt19937 rng(45);
    auto page = mixedPage(rng, 6, 1728);
    auto stream = encodePage(page, 1728, FaxCoding::MR);
    // Something that would decode as lines (V0 codes) in front of the page.
    stream.insert(stream.begin(), {0xFF, 0xFF, 0x01});
    auto d = decodePage(stream, 1728, FaxCoding::MR);
    EXPECT_TRUE(d.lines == page);
    EXPECT_EQ(0u, d.damagedRows);
}

TEST(TwoDimDecoder, DamagedMrLineIsReplacedAndDecodingResumesAtTheNextEol)
{
    std::mt19937 rng(46);
    auto page = mixedPage(rng, 40, 1728);
    TwoDimOptions o;
    o.k = 4;
    const std::string bits = bitText(encodePage(page, 1728, FaxCoding::MR, o));
    const auto ends = eolEnds(bits);
    int tried = 0;
    for (std::size_t victim = 0; victim < page.size(); ++victim) {
        // Lines with room for the damage before their EOL: from just after
        // the tag bit, a code that does not exist (eight 0s, then 1s).
        if (ends[victim + 1] - ends[victim] < 13 + 20 || (victim % 3 && victim != 0))
            continue;
        ++tried;
        std::string damaged = bits;
        damaged.replace(ends[victim] + 2, 13, "0000000010111");
        auto d = decodePage(packBits(damaged), 1728, FaxCoding::MR);
        ASSERT_EQ(page.size(), d.lines.size()) << victim;
        EXPECT_TRUE(d.damaged[victim]) << victim;
        EXPECT_TRUE(d.lines[victim] == (victim ? page[victim - 1] : Line(216, 0))) << victim;
        EXPECT_TRUE(d.ended);
        // Lines before are whole. Lines coded 2-D after it are decoded
        // against the copy (and may be damaged too); from the next 1-D
        // line (every fourth) on the page is exact again.
        const std::size_t next1D = (victim / 4 + 1) * 4;
        for (std::size_t i = 0; i < page.size(); ++i) {
            if (i >= victim && i < next1D)
                continue;
            EXPECT_TRUE(d.lines[i] == page[i]) << victim << " " << i;
            EXPECT_FALSE(d.damaged[i]) << victim << " " << i;
        }
    }
    EXPECT_GE(tried, 6);
}

TEST(TwoDimDecoder, MrLinesOfTheWrongLengthAreDamaged)
{
    // 1-D lines: white 1727 (make-up 1664, white 63) ended by an EOL; white
    // 1700 then black 30, past the width; white 1728 and then a 1 bit (a
    // V0 code) before the EOL; then a good white line and RTC.
    const std::string white1728 = "010011011" "00110101";
    std::string bits = kEol + "1" + "011000" "00110100" +
                       kEol + "1" + "011000" "00010101" "000001101000" +
                       kEol + "1" + white1728 + "1" +
                       kEol + "1" + white1728;
    for (int i = 0; i < 6; ++i)
        bits += kEol + "1";
    auto d = decodePage(packBits(bits), 1728, FaxCoding::MR);
    ASSERT_EQ(4u, d.lines.size());
    EXPECT_EQ((std::vector<bool>{true, true, true, false}), d.damaged);
    EXPECT_EQ(3u, d.damagedRows);
    EXPECT_EQ(3u, d.longestRun);
    EXPECT_TRUE(d.ended);
}

TEST(TwoDimDecoder, MhStreamsDecodeWithTheWidthChecked)
{
    // MH as the receiver stores it (no tag bits): the lines come back; one
    // line of 1727 pixels in the middle is damaged and stands in as a copy.
    std::mt19937 rng(49);
    auto page = mixedPage(rng, 8, 1728);
    auto head = unframedStream({page.begin(), page.begin() + 4}, 1728);
    head.resize(head.size() - G3LineEncoder::kEndOfPageLength);
    const std::string bits = bitText(head) + kEol + "011000" "00110100"; // white 1664 + 63
    auto stream = packBits(bits);
    auto tail = unframedStream({page.begin() + 4, page.end()}, 1728);
    stream.insert(stream.end(), tail.begin(), tail.end());
    auto d = decodePage(stream, 1728, FaxCoding::MH);
    ASSERT_EQ(9u, d.lines.size());
    EXPECT_EQ(1u, d.damagedRows);
    EXPECT_TRUE(d.damaged[4]);
    EXPECT_TRUE(d.lines[4] == page[3]);
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_TRUE(d.lines[i < 4 ? i : i + 1] == page[i]) << i;
    EXPECT_TRUE(d.ended);
}

TEST(TwoDimDecoder, MmrErrorEndsTheDecodablePart)
{
    std::mt19937 rng(47);
    auto page = mixedPage(rng, 12, 1728);
    // The twelve lines' bits (the stream up to its EOFB), then an extension
    // code (uncompressed mode, not supported) and more lines' worth of V0s.
    const std::string bits = bitText(encodePage(page, 1728, FaxCoding::MMR));
    const std::size_t eofb = eolEnds(bits).at(0) - 11;
    auto d = decodePage(packBits(bits.substr(0, eofb) + "0000001111" + "1111111111"), 1728, FaxCoding::MMR);
    EXPECT_TRUE(d.failed);
    EXPECT_FALSE(d.ended);
    EXPECT_TRUE(d.lines == page);
    // An EOL inside a line fails too: V0 (a white line), then horizontal
    // mode with white 10 and an EOL where the black run should be.
    auto d2 = decodePage(packBits("1" "001" "00111" + kEol + kEol), 1728, FaxCoding::MMR);
    EXPECT_TRUE(d2.failed);
    EXPECT_EQ(1u, d2.lines.size());
}

TEST(TwoDimDecoder, DamagedStreamsStayWithinTheirLineBudget)
{
    // Whatever the bits, every line handed on took input: MMR at least one
    // bit a line, MR at least an EOL; lines are always the width.
    std::mt19937 rng(48);
    for (int round = 0; round < 200; ++round) {
        const FaxCoding c = round % 2 ? FaxCoding::MMR : FaxCoding::MR;
        auto stream = encodePage(mixedPage(rng, 10, 1728), 1728, c);
        switch (round % 4) {
        case 0:
            for (int i = 0; i < 1 + int(rng() % 10); ++i)
                stream[rng() % stream.size()] ^= uint8_t(1u << (rng() % 8));
            break;
        case 1:
            stream.resize(rng() % stream.size());
            break;
        case 2:
            for (auto &b : stream)
                b = uint8_t(rng() & rng());
            break;
        case 3:
            stream.insert(stream.begin() + long(rng() % stream.size()), 30, (rng() & 1) ? 0x00 : 0xFF);
            break;
        }
        auto d = decodePage(stream, 1728, c, 1 + rng() % 40);
        EXPECT_LE(d.lines.size(), stream.size() * 8 + 1) << round;
        for (const auto &l : d.lines)
            ASSERT_EQ(216u, l.size());
    }
}

TEST(TwoDimDecoder, ZeroLengthRunsAreNoChange)
{
    // MMR, first line: horizontal white 10 and black 5; horizontal white 0
    // and black 0 (the change on a0 undone and made again); V0 to the end
    // of the white reference line: black 10..14.
    // Second line, against it: V0 (a1 = 10), VL3 (a1 = 15 - 3 = 12), then
    // V0 to b1 = the end of the line, as the first line changes only at
    // 10 and 15: black 10..11. Were the zero-length runs kept as changes,
    // b1 would be a 15 and the line would not end there.
    std::string bits = "001" "00111" "0011"
                       "001" "00110101" "0000110111"
                       "1"
                       "1" "0000010" "1";
    auto d = decodePage(packBits(bits + kEol + kEol), 1728, FaxCoding::MMR);
    ASSERT_EQ(2u, d.lines.size());
    EXPECT_FALSE(d.failed);
    EXPECT_TRUE(d.ended);
    EXPECT_TRUE(d.lines[0] == blackSpan(216, 10, 15));
    EXPECT_TRUE(d.lines[1] == blackSpan(216, 10, 12));
}

TEST(PageTranscode, ApfPagesBecomeMrAndMmrStreamsOfTheSameLines)
{
    TempDir dir;
    std::mt19937 rng(51);
    auto page = mixedPage(rng, 60, 2048);
    writeApf(dir.file("framed.apf"), {page, page}, pfFine | pfWide);
    writeRawApf(dir.file("raw.apf"), unframedStream(page, 2048), pfWide);
    for (FaxCoding c : {FaxCoding::MR, FaxCoding::MMR}) {
        for (const char *name : {"framed.apf", "raw.apf"}) {
            ApfReader r;
            ASSERT_EQ(0, r.open(dir.file(name)));
            Coded out;
            uint32_t lines = 0;
            ASSERT_EQ(0, encodeApfPage(r, 1, c, out.sink(), {}, &lines));
            EXPECT_EQ(page.size(), lines);
            auto d = decodePage(out.bytes, 2048, c);
            EXPECT_TRUE(d.lines == page) << name << " " << faxCodingName(c);
            EXPECT_TRUE(d.ended);
        }
    }
    // K comes from the page's resolution: 4 for the fine page.
    ApfReader r;
    ASSERT_EQ(0, r.open(dir.file("framed.apf")));
    Coded out;
    ASSERT_EQ(0, encodeApfPage(r, 2, FaxCoding::MR, out.sink()));
    const std::string bits = bitText(out.bytes);
    auto ends = eolEnds(bits);
    for (std::size_t i = 0; i < 8; ++i)
        EXPECT_EQ(i % 4 == 0 ? '1' : '0', bits[ends[i] + 1]) << i;
    EXPECT_EQ(-8001, encodeApfPage(r, 3, FaxCoding::MR, out.sink()));
}

TEST(PageTranscode, HeaderLinesFedBeforeThePageComeFirst)
{
    std::mt19937 rng(52);
    auto header = mixedPage(rng, 3, 1728);
    auto page = mixedPage(rng, 10, 1728);
    // The header's MH lines without an end of page, then the page's data.
    auto headerMh = unframedStream(header, 1728);
    headerMh.resize(headerMh.size() - G3LineEncoder::kEndOfPageLength);
    auto pageMh = unframedStream(page, 1728);
    Coded out;
    MhToTwoDim t(FaxCoding::MMR, 1728, out.sink());
    t.feedMh(headerMh.data(), headerMh.size());
    t.feedMh(pageMh.data(), pageMh.size());
    EXPECT_TRUE(t.mhEnded());
    EXPECT_EQ(header.size() + page.size(), t.endPage());
    std::vector<Line> expect = header;
    expect.insert(expect.end(), page.begin(), page.end());
    EXPECT_TRUE(decodePage(out.bytes, 1728, FaxCoding::MMR).lines == expect);

    // A page of lines with no end of page: its last line is coded at the
    // page's end all the same.
    out.bytes.clear();
    t.feedMh(headerMh.data(), headerMh.size());
    EXPECT_EQ(header.size(), t.endPage());
    EXPECT_TRUE(decodePage(out.bytes, 1728, FaxCoding::MMR).lines == header);
}

TEST(PageTranscode, TwoDimStreamsBecomeMhPagesTheUnpackerReads)
{
    TempDir dir;
    std::mt19937 rng(53);
    auto page = mixedPage(rng, 50, 1728);
    for (FaxCoding c : {FaxCoding::MR, FaxCoding::MMR}) {
        const auto stream = encodePage(page, 1728, c);
        // Unframed, as the receiver stores a page.
        Coded mh;
        TwoDimToMh t(c, 1728, mh.sink());
        for (std::size_t at = 0; at < stream.size(); at += 17)
            t.feed(stream.data() + at, std::min<std::size_t>(17, stream.size() - at));
        t.endPage();
        EXPECT_EQ(page.size(), t.linesOut());
        EXPECT_TRUE(t.decoder().ended());
        writeRawApf(dir.file("raw.apf"), mh.bytes, 0);
        FaxPageLines lines;
        ASSERT_EQ(0, readFaxPageLines(dir.file("raw.apf"), 1, lines));
        EXPECT_TRUE(lines.lines == page) << faxCodingName(c);

        // Framed lines through ApfWriter, on a wide page: lines are filled
        // out to 2048 pixels with white.
        ApfWriter w;
        ASSERT_EQ(0, w.create(dir.file("framed.apf")));
        ASSERT_EQ(0, w.beginPage(pfLineLengths | pfWide));
        int rc = 0;
        TwoDimToMh f(
            c, 1728, [&](const uint8_t *d, std::size_t n) { rc |= w.writeFramedLine(d, n); },
            MhFraming::FramedLines, 2048);
        f.feed(stream.data(), stream.size());
        f.endPage();
        ASSERT_EQ(0, rc);
        ASSERT_EQ(0, w.endPage());
        ASSERT_EQ(0, w.finish("T"));
        ASSERT_EQ(0, readFaxPageLines(dir.file("framed.apf"), 1, lines));
        ASSERT_EQ(page.size(), lines.lines.size());
        for (std::size_t i = 0; i < page.size(); ++i) {
            Line wide = page[i];
            wide.resize(256, 0);
            EXPECT_TRUE(lines.lines[i] == wide) << i;
        }
    }
}
