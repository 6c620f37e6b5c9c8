// The line encoder against the fixed coded lines and the code tables, and the
// table-driven decoder against a plain bit-by-bit code-tree walk on valid and
// damaged streams.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "apftestutil.h"
#include "faximage/g3decoder.h"
#include "faximage/g3encoder.h"
#include "faximage/t4codes.h"
#include "test_converterutil.h"

using namespace qln::fax;
using namespace qln::fax::test;

namespace {

// Packs a text of '0'/'1' least significant bit first, as the stream is sent.
std::vector<uint8_t> packBits(const std::string &bits)
{
    std::vector<uint8_t> out((bits.size() + 7) / 8 + 1, 0);
    for (std::size_t i = 0; i < bits.size(); ++i)
        if (bits[i] == '1')
            out[i / 8] |= uint8_t(1u << (i % 8));
    return out;
}

std::vector<uint8_t> coded(G3LineEncoder &enc)
{
    const uint8_t *d = enc.data();
    return std::vector<uint8_t>(d, d + enc.codedLength());
}

const std::string kLineStart = "0000000000000001";

} // namespace

TEST(G3Encoder, FixedLinesAreByteExact)
{
    G3LineEncoder enc;
    enc.putBlankLine(1728);
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x80, 0xB2, 0x59, 0x01, 0x00}), coded(enc));

    uint8_t eop[12];
    G3LineEncoder::endOfPageLine(eop);
    const uint8_t expect[] = {0x00, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00, 0x08, 0x80, 0x00};
    EXPECT_EQ(0, memcmp(eop, expect, 12));

    // An all-white raster line is one run of the page width, also for wide
    // pages.
    std::vector<uint8_t> white(256, 0);
    EXPECT_EQ(6u, enc.encodeRaster(white.data(), 1728));
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x80, 0xB2, 0x59, 0x01, 0x00}), coded(enc));
    enc.encodeRaster(white.data(), 2048);
    // extended make-up 1984 (000000010010) + white 0 ... no: 2048 = make-up 2048 + white 0
    auto expectWide = packBits(kLineStart + "000000010011" + "00110101");
    expectWide.resize(enc.codedLength());
    EXPECT_EQ(expectWide, coded(enc));
}

TEST(G3Encoder, MakeupAndTerminatingSplits)
{
    struct Case {
        int run;
        bool black;
        std::string bits;
    };
    const Case cases[] = {
        {64, false, "11011" "00110101"},                  // make-up 64 + white 0
        {1728, false, "010011011" "00110101"},            // make-up 1728 + white 0
        {2048, false, "000000010011" "00110101"},         // extended 2048 + white 0
        {2048, true, "000000010011" "0000110111"},        // extended 2048 + black 0
        {64, true, "0000001111" "0000110111"},            // black make-up 64 + black 0
        {63, true, "000001100111"},                       // terminating only
        {2560 + 65, false, "000000011111" "11011" "000111"}, // above the largest make-up
    };
    G3LineEncoder enc;
    for (const auto &c : cases) {
        enc.beginLine();
        enc.putRun(c.run, c.black);
        auto expect = packBits(kLineStart + c.bits);
        expect.resize(enc.codedLength());
        EXPECT_EQ(expect, coded(enc)) << c.run << (c.black ? " black" : " white");
    }
}

TEST(G3Encoder, LineStartingBlackBeginsWithWhiteZero)
{
    G3LineEncoder enc;
    Line l = blackSpan(216, 0, 3); // three black pixels then white
    enc.encodeRaster(l.data(), 1728);
    // white 0, black 3 (10), white 1725 = make-up 1664 (011000) + white 61 (00110010)
    auto expect = packBits(kLineStart + "00110101" + "10" + "011000" + "00110010");
    expect.resize(enc.codedLength());
    EXPECT_EQ(expect, coded(enc));
}

TEST(G3Encoder, CodedLengthCountsTheTailBytes)
{
    G3LineEncoder enc;
    enc.beginLine();
    enc.putRun(0, false); // 8 bits: ends exactly on a byte boundary
    EXPECT_EQ(3u, enc.byteIndex());
    EXPECT_EQ(0u, enc.bitIndex());
    EXPECT_EQ(5u, enc.codedLength());
    auto c = coded(enc);
    EXPECT_EQ(0, c[3]);
    EXPECT_EQ(0, c[4]);
    // A longer line followed by a shorter one leaves no stale bits behind.
    std::mt19937 rng(7);
    Line busy = randomLine(rng, 216, 3);
    enc.encodeRaster(busy.data(), 1728);
    enc.putBlankLine(1728);
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x80, 0xB2, 0x59, 0x01, 0x00}), coded(enc));
}

// The line coder works a byte and a word at a time; it must give exactly
// the bits of coding each run on its own, for every width and run length.
TEST(G3Encoder, LinesCodeExactlyAsRunByRun)
{
    std::mt19937 rng(11);
    G3LineEncoder fast, plain;
    for (int width : {1728, 2048, 4096, 1727, 1000, 64, 13, 8})
        for (int meanRun : {1, 2, 3, 9, 40, 300, 3000})
            for (int n = 0; n < 6; ++n) {
                const int bytes = (width + 7) / 8;
                Line l = randomLine(rng, bytes, meanRun);
                if (n == 4) // black only after the last whole byte
                    std::fill(l.begin(), l.end(), uint8_t(width % 8 ? 0 : 0x10));
                if (n == 4 && width % 8)
                    l.back() = 0x80;
                if (n == 5)
                    std::fill(l.begin(), l.end(), uint8_t(0xFF)); // one black run
                const std::size_t len = fast.encodeRaster(l.data(), width);
                plain.beginLine();
                bool allWhite = true;
                for (int x = 0; x < width; ++x)
                    allWhite = allWhite && !pixelAt(l, x);
                if (allWhite) {
                    plain.putRun(width, false);
                } else {
                    bool colour = false;
                    int run = 0;
                    for (int x = 0; x < width; ++x) {
                        if (pixelAt(l, x) != colour) {
                            plain.putRun(run, colour);
                            colour = !colour;
                            run = 0;
                        }
                        ++run;
                    }
                    plain.putRun(run, colour);
                }
                ASSERT_EQ(len, plain.codedLength()) << width << " " << meanRun << " " << n;
                const std::vector<uint8_t> a(fast.data(), fast.data() + len), b(plain.data(), plain.data() + len);
                ASSERT_EQ(a, b) << width << " " << meanRun << " " << n;
            }
}

TEST(G3Encoder, FindChangeScansAcrossWords)
{
    Line l = blackSpan(256, 100, 1900);
    EXPECT_EQ(100, G3LineEncoder::findChange(l.data(), 0, 2048, false));
    EXPECT_EQ(1900, G3LineEncoder::findChange(l.data(), 100, 2048, true));
    EXPECT_EQ(2048, G3LineEncoder::findChange(l.data(), 1900, 2048, false));
    EXPECT_EQ(1000, G3LineEncoder::findChange(l.data(), 1000, 1000, true));
}

// ---------------------------------------------------------------------------
// Reference decoder: the code tree walked one bit at a time.

namespace {

class TreeWalkDecoder {
public:
    struct Result {
        std::vector<Line> lines;
        uint32_t bad = 0;
        bool ended = false;
        std::size_t taken = 0;
    };

    TreeWalkDecoder()
    {
        for (int c = 0; c < 2; ++c) {
            roots_[c] = newNode();
            const T4Code *term = c ? kBlackTerminating : kWhiteTerminating;
            const T4Code *mk = c ? kBlackMakeup : kWhiteMakeup;
            for (int r = 0; r < 64; ++r)
                insert(c, term[r], r);
            for (int i = 0; i < 27; ++i)
                insert(c, mk[i], 64 * (i + 1));
            for (int i = 0; i < 13; ++i)
                insert(c, kExtendedMakeup[i], 1792 + 64 * i);
            insert(c, kEolCode, kEol);
            int n = roots_[c];
            for (int i = 0; i < 11; ++i)
                n = nodes_[std::size_t(n)].child[0];
            nodes_[std::size_t(n)].child[0] = n; // fill loops on itself
            loops_[c] = n;
        }
    }

    Result decode(const std::vector<uint8_t> &data)
    {
        Result res;
        std::vector<uint8_t> line(520, 0);
        int colour = 0, node = roots_[0], depth = 0, eolRun = 0;
        unsigned pos = 0;
        bool skip = false, seenEol = false;
        for (std::size_t i = 0; i < data.size() && !res.ended; ++i) {
            for (int b = 0; b < 8 && !res.ended; ++b) {
                int bit = (data[i] >> b) & 1;
                if (skip) {
                    if (bit)
                        continue;
                    skip = false;
                }
                node = child(node, bit);
                depth = node == loops_[colour] ? 11 : depth + 1;
                int v = nodes_[std::size_t(node)].value;
                if (v == kEol) {
                    seenEol = true;
                    if (pos > 0 && (pos / 8 == 216 || pos / 8 == 256))
                        res.lines.emplace_back(line.begin(), line.begin() + pos / 8);
                    std::fill(line.begin(), line.end(), 0);
                    pos = 0;
                    colour = 0;
                    if (++eolRun == 3) {
                        res.ended = true;
                        res.taken = i + 1;
                    }
                } else if (v >= 0) {
                    eolRun = 0;
                    if (seenEol && pos + unsigned(v) <= 4096) {
                        for (int k = 0; k < v; ++k, ++pos)
                            if (colour)
                                line[pos / 8] |= uint8_t(0x80 >> (pos % 8));
                        if (v < 64)
                            colour ^= 1;
                    }
                } else if (depth == 13) {
                    ++res.bad;
                    skip = true;
                } else {
                    continue;
                }
                node = roots_[colour];
                depth = 0;
            }
        }
        if (!res.ended)
            res.taken = data.size();
        return res;
    }

private:
    static constexpr int kEol = 100000;
    struct Node {
        int child[2] = {-1, -1};
        int value = -1;
    };
    int newNode()
    {
        nodes_.emplace_back();
        return int(nodes_.size() - 1);
    }
    int child(int n, int bit)
    {
        if (nodes_[std::size_t(n)].child[bit] < 0) {
            int c = newNode();
            nodes_[std::size_t(n)].child[bit] = c;
        }
        return nodes_[std::size_t(n)].child[bit];
    }
    void insert(int c, const T4Code &code, int value)
    {
        int n = roots_[c];
        for (int i = code.bits - 1; i >= 0; --i)
            n = child(n, (code.code >> i) & 1);
        nodes_[std::size_t(n)].value = value;
    }
    std::vector<Node> nodes_;
    int roots_[2];
    int loops_[2];
};

TreeWalkDecoder::Result fastDecode(const std::vector<uint8_t> &data, std::mt19937 *split = nullptr)
{
    TreeWalkDecoder::Result res;
    G3Decoder dec([&](const uint8_t *l, int n) { res.lines.emplace_back(l, l + n); });
    std::size_t at = 0;
    while (at < data.size() && !dec.pageEnded()) {
        std::size_t n = data.size() - at;
        if (split)
            n = std::min<std::size_t>(n, 1 + (*split)() % 40);
        res.taken = at + dec.feed(data.data() + at, n);
        at += n;
    }
    if (!dec.pageEnded())
        res.taken = data.size();
    res.bad = dec.badCodes();
    res.ended = dec.pageEnded();
    EXPECT_EQ(res.lines.size(), dec.lines());
    return res;
}

void expectSame(const std::vector<uint8_t> &stream, std::mt19937 &rng, const std::string &what)
{
    static TreeWalkDecoder ref;
    auto a = ref.decode(stream);
    auto b = fastDecode(stream);
    auto c = fastDecode(stream, &rng);
    ASSERT_EQ(a.lines.size(), b.lines.size()) << what;
    EXPECT_TRUE(a.lines == b.lines) << what;
    EXPECT_EQ(a.bad, b.bad) << what;
    EXPECT_EQ(a.ended, b.ended) << what;
    EXPECT_EQ(a.taken, b.taken) << what;
    EXPECT_TRUE(b.lines == c.lines) << what << " (split feeding)";
    EXPECT_EQ(b.bad, c.bad) << what << " (split feeding)";
    EXPECT_EQ(b.ended, c.ended) << what << " (split feeding)";
}

std::vector<Line> randomPage(std::mt19937 &rng, int lines, int bytes)
{
    std::vector<Line> page;
    for (int i = 0; i < lines; ++i) {
        int kind = rng() % 4;
        page.push_back(kind == 0 ? Line(std::size_t(bytes), 0) : randomLine(rng, bytes, kind == 1 ? 2 : 40));
    }
    return page;
}

} // namespace

TEST(G3Decoder, ConverterPageDecodesToExactlyTheLinesWritten)
{
    std::mt19937 rng(1);
    for (int bytes : {216, 256}) {
        auto lines = randomPage(rng, 50, bytes);
        auto stream = unframedStream(lines, bytes * 8);
        stream.insert(stream.end(), {0xFF, 0x12, 0x34}); // after the page
        auto res = fastDecode(stream);
        EXPECT_TRUE(res.lines == lines);
        EXPECT_TRUE(res.ended);
        EXPECT_EQ(0u, res.bad);
        // The third EOL lies in the fifth byte of the end-of-page line; the
        // rest of it and what follows are not taken.
        EXPECT_EQ(stream.size() - 3 - 7, res.taken);
    }
}

TEST(G3Decoder, KeepsOnlyLinesOf216Or256WholeBytes)
{
    auto lineOf = [](int white, int black) {
        G3LineEncoder enc;
        enc.beginLine();
        enc.putRun(white, false);
        if (black)
            enc.putRun(black, true);
        const uint8_t *d = enc.data();
        return std::vector<uint8_t>(d, d + enc.codedLength());
    };
    std::vector<uint8_t> stream;
    for (auto [w, b] : {std::pair{1727, 0}, {1700, 28}, {2048, 0}, {1730, 5}, {0, 0}, {2040, 30}})
        for (uint8_t x : lineOf(w, b))
            stream.push_back(x);
    uint8_t eop[12];
    G3LineEncoder::endOfPageLine(eop);
    stream.insert(stream.end(), eop, eop + 12);
    auto res = fastDecode(stream);
    ASSERT_EQ(3u, res.lines.size());
    EXPECT_EQ(216u, res.lines[0].size()); // 1728
    EXPECT_EQ(0x0F, res.lines[0][212]);
    EXPECT_EQ(256u, res.lines[1].size()); // 2048
    EXPECT_EQ(216u, res.lines[2].size()); // 1735 pixels: 216 whole bytes
    EXPECT_EQ(0, res.lines[2][215]); // the black pixels lay past byte 216
}

TEST(G3Decoder, ThirdEolInARowEndsThePageAndRunsResetTheCount)
{
    // EOL EOL run EOL EOL (not ended) EOL (ended)
    std::string bits = "000000000001" "000000000001" "0111" "000000000001" "000000000001";
    auto s = packBits(bits);
    s.pop_back();
    std::mt19937 rng(3);
    expectSame(s, rng, "two eols");
    EXPECT_FALSE(fastDecode(s).ended);
    s = packBits(bits + "0000000000000001"); // fill before the third EOL
    EXPECT_TRUE(fastDecode(s).ended);
    expectSame(s, rng, "third eol");
}

TEST(G3Decoder, BadCodesAreCountedAndOnesSkipped)
{
    // After the first EOL: 10 zeros, 1, then 1 1 -> a 13-bit prefix with no
    // code; the 1s after it are skipped and decoding resumes.
    std::string bits = kLineStart + "0000000000" "1" "11" "1111" + "011000";
    auto s = packBits(bits);
    auto res = fastDecode(s);
    EXPECT_EQ(1u, res.bad);
    std::mt19937 rng(4);
    expectSame(s, rng, "bad code");
}

TEST(G3Decoder, MatchesTheTreeWalkOnValidPages)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 20; ++round) {
        int bytes = round % 2 ? 256 : 216;
        auto stream = unframedStream(randomPage(rng, 30, bytes), bytes * 8);
        expectSame(stream, rng, "valid page " + std::to_string(round));
    }
}

TEST(G3Decoder, MatchesTheTreeWalkOnDamagedStreams)
{
    std::mt19937 rng(12);
    for (int round = 0; round < 150; ++round) {
        auto stream = unframedStream(randomPage(rng, 12, 216), 1728);
        switch (round % 5) {
        case 0: // bit flips
            for (int i = 0; i < 1 + int(rng() % 20); ++i)
                stream[rng() % stream.size()] ^= uint8_t(1u << (rng() % 8));
            break;
        case 1: // dropped bytes
            for (int i = 0; i < 1 + int(rng() % 5); ++i)
                stream.erase(stream.begin() + long(rng() % stream.size()));
            break;
        case 2: // truncated
            stream.resize(rng() % stream.size());
            break;
        case 3: // random garbage
            for (auto &b : stream)
                b = uint8_t(rng());
            break;
        case 4: // long runs of fill and of 1 bits spliced in
            stream.insert(stream.begin() + long(rng() % stream.size()), 20 + rng() % 40,
                          (rng() & 1) ? 0x00 : 0xFF);
            break;
        }
        expectSame(stream, rng, "damaged " + std::to_string(round));
    }
}

TEST(G3Decoder, RunsPastTheLineLimitAreIgnored)
{
    // white 4090 (2560 + 1472 + 58), black 10 (past 4096: ignored, colour
    // stays black), black 6, EOL: a 512-byte line, dropped; then a valid
    // line whose pixels show the colour bookkeeping is intact.
    G3LineEncoder enc;
    enc.beginLine();
    enc.putRun(4090, false);
    enc.putRun(10, true);
    enc.putRun(6, true);
    std::vector<uint8_t> s(enc.data(), enc.data() + enc.codedLength());
    Line l = blackSpan(216, 5, 9);
    auto rest = unframedStream({l}, 1728);
    s.insert(s.end(), rest.begin(), rest.end());
    auto res = fastDecode(s);
    ASSERT_EQ(1u, res.lines.size());
    EXPECT_TRUE(res.lines[0] == l);
    std::mt19937 rng(5);
    expectSame(s, rng, "overlong");
}

TEST(G3Decoder, RunsBeforeTheFirstEolAreIgnored)
{
    // Black-looking runs with no EOL in front, then a normal page.
    std::string bits = "00110101" "10" "011000";
    auto s = packBits(bits);
    s.pop_back();
    Line l = blackSpan(216, 0, 1728);
    auto page = unframedStream({l}, 1728);
    s.insert(s.end(), page.begin(), page.end());
    auto res = fastDecode(s);
    ASSERT_EQ(1u, res.lines.size());
    EXPECT_TRUE(res.lines[0] == l);
}
