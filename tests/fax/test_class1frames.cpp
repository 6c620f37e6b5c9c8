#include "fax/t30frames.h"

#include <gtest/gtest.h>

using namespace qln::fax::t30;

namespace {
Frame collect(const Bytes &bytes)
{
    FrameCollector c;
    for (auto b : bytes)
        if (c.feed(b))
            return c.frame();
    ADD_FAILURE() << "frame never completed";
    return {};
}

// A rate by bit rate and modulation.
int rateOf(int bps, Modulation m)
{
    for (int i = 0; i < kRateCount; ++i)
        if (rateAt(i).bps == bps && rateAt(i).modulation == m)
            return i;
    return -1;
}

const std::string kAllCodes = "3,24,48,72,73,74,96,97,98,121,122,145,146";
} // namespace

// The DCS bit-rate field, bits 11..14 of octet 2 (0x04, 0x08, 0x10, 0x20 as
// the modem delivers them), as the table of the recommendation lists it.
TEST(DcsRateField, BuildsAndReadsEveryRateOfTheTable)
{
    struct Row {
        int bps;
        Modulation m;
        uint8_t bits; // bits 11,12,13,14
    } rows[] = {
        {2400, Modulation::V27ter, 0x00}, // 0000
        {4800, Modulation::V27ter, 0x08}, // 0100
        {9600, Modulation::V29, 0x04},    // 1000
        {7200, Modulation::V29, 0x0C},    // 1100
        {14400, Modulation::V17, 0x20},   // 0001
        {12000, Modulation::V17, 0x28},   // 0101
        {9600, Modulation::V17, 0x24},    // 1001
        {7200, Modulation::V17, 0x2C},    // 1101
    };
    FrameParams dis = parseDIS({0x00, 0x6E, 0x79});
    for (const auto &r : rows) {
        int rate = rateOf(r.bps, r.m);
        ASSERT_GE(rate, 0);
        Bytes info = dcsInfo(rate, false, 0, false, dis);
        EXPECT_EQ(info[1] & 0x3C, r.bits) << r.bps << " " << modulationName(r.m);
        // Read back from the table's pattern, not from our own builder.
        FrameParams p = parseDCS({0x00, static_cast<uint8_t>(0x02 | r.bits), 0x00});
        EXPECT_EQ(p.rate, rate) << r.bps << " " << modulationName(r.m);
    }
    // V.33 codes (0010 14400, 0110 12000) are no V.17 rate.
    EXPECT_EQ(parseDCS({0x00, 0x12, 0x00}).rate, -1);
    EXPECT_EQ(parseDCS({0x00, 0x1A, 0x00}).rate, -1);
}

TEST(DcsRateField, ModulationCodesFollowTheRate)
{
    struct Row {
        int bps;
        Modulation m;
        const char *training, *page;
    } rows[] = {
        {14400, Modulation::V17, "145", "146"}, {12000, Modulation::V17, "121", "122"},
        {9600, Modulation::V17, "97", "98"},    {7200, Modulation::V17, "73", "74"},
        {9600, Modulation::V29, "96", "96"},    {7200, Modulation::V29, "72", "72"},
        {4800, Modulation::V27ter, "48", "48"}, {2400, Modulation::V27ter, "24", "24"},
    };
    for (const auto &r : rows) {
        const Rate &rate = rateAt(rateOf(r.bps, r.m));
        EXPECT_STREQ(rate.trainingCode, r.training);
        EXPECT_STREQ(rate.pageCode, r.page);
    }
}

TEST(DisRateField, OffersFollowTheTable)
{
    // 1101 (0x2C): V.27 ter, V.29 and V.17: 14400 down to 2400.
    RateMask v17 = ratesFromDis(0x42 | 0x2C);
    for (int i = 0; i < kRateCount; ++i)
        EXPECT_TRUE(v17 & rateBit(i)) << rateAt(i).bps;
    // 1100 (0x0C): V.27 ter and V.29, no V.17 rate.
    RateMask v29 = ratesFromDis(0x42 | 0x0C);
    EXPECT_TRUE(v29 & rateBit(rateOf(9600, Modulation::V29)));
    EXPECT_TRUE(v29 & rateBit(rateOf(7200, Modulation::V29)));
    EXPECT_FALSE(v29 & rateBit(rateOf(12000, Modulation::V17)));
    EXPECT_FALSE(v29 & rateBit(rateOf(9600, Modulation::V17)));
    // 1110 (0x1C): V.33 is not V.17: no 12000.
    EXPECT_FALSE(ratesFromDis(0x42 | 0x1C) & rateBit(rateOf(12000, Modulation::V17)));
    EXPECT_TRUE(ratesFromDis(0x42 | 0x1C) & rateBit(rateOf(9600, Modulation::V29)));
    // 0100 (0x08): V.27 ter only.
    EXPECT_EQ(ratesFromDis(0x42 | 0x08), baseRates());

    // What a receiver offers by its DesiredBPS, with a V.17 modem.
    RateMask own = ratesFromModulationList(kAllCodes);
    EXPECT_EQ(disRateField(own, 14400), 0x2C);
    EXPECT_EQ(disRateField(own, 12000), 0x2C); // V.17, never the V.33 code 0x1C
    EXPECT_EQ(disRateField(own, 9600), 0x0C);
    EXPECT_EQ(disRateField(own, 7200), 0x0C);
    EXPECT_EQ(disRateField(own, 4800), 0x08);
    EXPECT_EQ(disRateField(own, 2400), 0x00);
    // A V.29 modem cannot offer V.17.
    EXPECT_EQ(disRateField(ratesFromModulationList("24,48,72,96"), 14400), 0x0C);
}

TEST(Class1Speed, ChoiceFromRemoteDisAndOwnList)
{
    RateMask own = ratesFromModulationList(kAllCodes);
    // Remote DIS offering 9600/7200, DesiredBPS 14400, own modem up to 14400.
    FrameParams v29 = parseDIS({0x00, 0x42 | 0x0C, 0x79});
    EXPECT_EQ(chooseRate(own, v29.rates, 14400), rateOf(9600, Modulation::V29));
    // A DIS offering V.17 offers 12000: a desired 12000 trains at 12000.
    FrameParams v17 = parseDIS({0x00, 0x42 | 0x2C, 0x79});
    EXPECT_EQ(chooseRate(own, v17.rates, 14400), rateOf(14400, Modulation::V17));
    EXPECT_EQ(chooseRate(own, v17.rates, 12000), rateOf(12000, Modulation::V17));
    EXPECT_EQ(chooseRate(own, v17.rates, 9600), rateOf(9600, Modulation::V17));
    EXPECT_EQ(chooseRate(own, v17.rates, 2000), -1);
    // An own modem of V.27 ter only; one of V.29 only.
    EXPECT_EQ(chooseRate(ratesFromModulationList("3,24,48"), v17.rates, 14400), rateOf(4800, Modulation::V27ter));
    EXPECT_EQ(chooseRate(ratesFromModulationList("24,48,72,96"), v17.rates, 14400), rateOf(9600, Modulation::V29));
}

TEST(Class1Speed, LoweringStepsThroughCommonRates)
{
    RateMask own = ratesFromModulationList(kAllCodes);
    FrameParams v29 = parseDIS({0x00, 0x42 | 0x0C, 0x79});
    // Two FTTs at 9600: 7200, then 4800.
    int r = chooseRate(own, v29.rates, 14400);
    std::vector<int> bps;
    for (; r >= 0; r = lowerRate(r, own, v29.rates))
        bps.push_back(rateAt(r).bps);
    EXPECT_EQ(bps, (std::vector<int>{9600, 7200, 4800, 2400}));
    // V.17: each V.17 rate, V.29 after V.17 at the same bit rate.
    FrameParams v17 = parseDIS({0x00, 0x42 | 0x2C, 0x79});
    std::vector<std::string> codes;
    for (r = chooseRate(own, v17.rates, 14400); r >= 0; r = lowerRate(r, own, v17.rates))
        codes.push_back(rateAt(r).trainingCode);
    EXPECT_EQ(codes, (std::vector<std::string>{"145", "121", "97", "96", "73", "72", "48", "24"}));
}

TEST(Class1Speed, ScanLineMinimumAndTrainingLength)
{
    EXPECT_EQ(minBytesPerLine(0, false, 14400), 0);
    EXPECT_EQ(minBytesPerLine(5, false, 9600), 24); // 20 ms
    EXPECT_EQ(minBytesPerLine(2, true, 9600), 6);   // 5 ms fine
    EXPECT_EQ(minBytesPerLine(6, false, 14400), 72);
    EXPECT_EQ(minBytesPerLine(6, true, 14400), 36);
    EXPECT_EQ(tcfLength(14400), 2592);
    EXPECT_EQ(tcfLength(9600), 1728);
    EXPECT_EQ(tcfLength(2400), 432);
}

TEST(Class1Frames, IdentificationIsPaddedAndReversed)
{
    Bytes f = buildIdFrame(withX(fcfTSI), "123", false);
    ASSERT_EQ(f.size(), 3u + 20u + 2u);
    EXPECT_EQ(f[0], 0xFF);
    EXPECT_EQ(f[1], 0x03);
    EXPECT_EQ(f[2], 0x43);
    // T.30 order: the number from its last character to its first, then
    // the blank fill (a peer reversing the octets reads "   ...   123").
    EXPECT_EQ(std::string(f.begin() + 3, f.begin() + 23), "321" + std::string(17, ' '));
    EXPECT_EQ(f[23], DLE);
    EXPECT_EQ(f[24], ETX);
    // Too long identifications are cut to 20.
    EXPECT_EQ(idInfo(std::string(25, 'x')).size(), 20u);

    Frame got = collect(buildIdFrame(fcfCSI, "+1 555 0100", true));
    EXPECT_TRUE(got.final());
    EXPECT_EQ(got.kind(), fcfCSI);
    EXPECT_EQ(parseIdInfo(got.info), "+1 555 0100");
    // A peer that puts the fill first is read the same.
    Bytes fillFirst(9, ' ');
    for (char c : std::string("0010 555 1+"))
        fillFirst.push_back(static_cast<uint8_t>(c));
    EXPECT_EQ(parseIdInfo(fillFirst), "+1 555 0100");
    // Bytes that are not printable become blanks (a line break in an
    // identification would split a log line).
    EXPECT_EQ(parseIdInfo(idInfo(std::string("EVIL\r\nOK\x7f\xc3\xa9" "X"))), "EVIL  OK   X");
}

TEST(Class1Frames, DisAndDcsBytes)
{
    // DIS: receive and fine (0x42) with V.17 (0x2C); 1728/2048 pels (0x01),
    // unlimited length (0x08), 0 ms scan time (0x70); three octets, no
    // extension bit and no empty fourth octet.
    EXPECT_EQ(buildDIS(disInfo(0x2C)), (Bytes{0xFF, 0x13, 0x80, 0x00, 0x6E, 0x79, DLE, ETX}));
    EXPECT_EQ(buildDIS(disInfo(0x0C)), (Bytes{0xFF, 0x13, 0x80, 0x00, 0x4E, 0x79, DLE, ETX}));
    FrameParams unlimited = parseDIS({0x00, 0x6E, 0x79});
    // DCS 9600 V.29 normal, scan code 5 (20 ms: 0x00), unlimited length.
    EXPECT_EQ(buildDCS(dcsInfo(rateOf(9600, Modulation::V29), false, 5, false, unlimited)),
              (Bytes{0xFF, 0x13, 0x83, 0x00, 0x06, 0x08, DLE, ETX}));
    // DCS 14400 fine, wide, scan code 2 (fine: 5 ms, 0x10).
    EXPECT_EQ(buildDCS(dcsInfo(rateOf(14400, Modulation::V17), true, 2, true, unlimited)),
              (Bytes{0xFF, 0x13, 0x83, 0x00, 0x62, 0x19, DLE, ETX}));
    EXPECT_EQ(buildFrame(fcfMCF, {}, true), (Bytes{0xFF, 0x13, 0x8C, DLE, ETX}));
    EXPECT_EQ(buildFrame(withX(fcfEOP), {}, true), (Bytes{0xFF, 0x13, 0x2F, DLE, ETX}));
}

TEST(Class1Frames, DcsClaimsOnlyWhatTheDisOffers)
{
    const int r = rateOf(9600, Modulation::V29);
    // Recording length: A4 only, A4 and B4, unlimited.
    EXPECT_EQ(dcsInfo(r, false, 0, false, parseDIS({0x00, 0x4E, 0x70}))[2] & 0x0C, 0x00);
    EXPECT_EQ(dcsInfo(r, false, 0, false, parseDIS({0x00, 0x4E, 0x74}))[2] & 0x0C, 0x04);
    EXPECT_EQ(dcsInfo(r, false, 0, false, parseDIS({0x00, 0x4E, 0x78}))[2] & 0x0C, 0x08);
    // Width: a DIS offering A3 (0,1) takes a 2048-pel page; one of 1728 only
    // gets no width bit even for a wide page.
    FrameParams a3 = parseDIS({0x00, 0x4E, 0x72});
    EXPECT_TRUE(a3.wide);
    EXPECT_EQ(dcsInfo(r, false, 0, true, a3)[2] & 0x03, 0x01);
    EXPECT_EQ(dcsInfo(r, false, 0, true, parseDIS({0x00, 0x4E, 0x70}))[2] & 0x03, 0x00);
    // Fine only for a fine page; never 2-D, never the extension bit.
    for (bool fine : {false, true}) {
        Bytes info = dcsInfo(rateOf(12000, Modulation::V17), fine, 3, false, a3);
        ASSERT_EQ(info.size(), 3u);
        EXPECT_EQ((info[1] & 0x40) != 0, fine);
        EXPECT_EQ(info[1] & 0x80, 0);
        EXPECT_EQ(info[2] & 0x80, 0);
        EXPECT_EQ(info[1] & 0x02, 0x02);
    }
    // The receive bit of a DIS, and a DIS too short to say anything.
    EXPECT_FALSE(parseDIS({0x00, 0x4C, 0x79}).receiveFax);
    EXPECT_TRUE(parseDIS({0x00, 0x4E, 0x79, 0x00}).receiveFax);
    EXPECT_FALSE(parseDIS({0x00, 0x4E}).receiveFax);
}

TEST(Class1Frames, ParsedDcsGivesBackWhatWasBuilt)
{
    FrameParams dis = parseDIS({0x00, 0x6E, 0x79});
    for (int rate = 0; rate < kRateCount; ++rate)
        for (int fine = 0; fine < 2; ++fine)
            for (int wide = 0; wide < 2; ++wide) {
                Frame f = collect(buildDCS(dcsInfo(rate, fine, 3, wide, dis)));
                FrameParams p = parseDCS(f.info);
                EXPECT_EQ(p.rate, rate);
                EXPECT_EQ(p.fine, bool(fine));
                EXPECT_EQ(p.wide, bool(wide));
            }
    // Scan codes whose bits are the same for both resolutions survive too.
    for (int sc : {0, 1, 3, 5, 7}) {
        Frame f = collect(buildDCS(dcsInfo(3, false, sc, false, dis)));
        EXPECT_EQ(parseDCS(f.info).scanCode, sc) << sc;
    }
}

TEST(Class1Frames, CollectorSkipsNoiseAndUndoublesDle)
{
    Bytes in{0x00, 0x41, 0xFF, 0x03, 0x43, 0x31, DLE, DLE, 0x32, DLE, ETX, 0x99};
    FrameCollector c;
    int frames = 0;
    for (auto b : in)
        frames += c.feed(b);
    EXPECT_EQ(frames, 1);
    EXPECT_FALSE(c.frame().final());
    EXPECT_EQ(c.frame().kind(), 0x42);
    EXPECT_EQ(c.frame().info, (Bytes{0x31, DLE, 0x32}));
}

TEST(Class1Training, NinetyNineOfAThousandPassesAHundredFails)
{
    auto run = [](int nonZeroBeforeEnd) {
        TcfChecker t;
        // 998 data bytes then DLE ETX: 1000 in all, DLE and ETX count as non-zero.
        for (int i = 0; i < 998; ++i)
            EXPECT_FALSE(t.feed(i < nonZeroBeforeEnd ? 0x55 : 0x00));
        EXPECT_FALSE(t.feed(DLE));
        EXPECT_TRUE(t.feed(ETX));
        EXPECT_EQ(t.total(), 1000);
        return t.good();
    };
    EXPECT_TRUE(run(97));  // 99 non-zero
    EXPECT_FALSE(run(98)); // 100 non-zero
}

TEST(Class1Training, DoubledDleIsData)
{
    TcfChecker t;
    EXPECT_FALSE(t.feed(DLE));
    EXPECT_FALSE(t.feed(DLE));
    EXPECT_FALSE(t.feed(ETX)); // DLE DLE ETX: the ETX is data
    EXPECT_FALSE(t.feed(DLE));
    EXPECT_TRUE(t.feed(ETX));
}

// A frame that never ends (flags or 0xFF after CONNECT for ever) is cut off
// once it is longer than any T.30 frame, ECM's included, not buffered
// without limit.
TEST(FrameCollector, AFrameWithoutEndIsCutOffPastTheLongestFrame)
{
    FrameCollector c;
    std::size_t fed = 0;
    bool done = false;
    while (!done && fed < 1000000) {
        done = c.feed(0xFF);
        ++fed;
    }
    ASSERT_TRUE(done);
    EXPECT_TRUE(c.frame().cut);
    EXPECT_LE(fed, kMaxFrameBytes + 1);
    // An ECM-sized frame (header and 256 octets) still arrives whole.
    Bytes info(257, 0x55);
    Frame f = collect(buildFrame(0x06, info, false));
    EXPECT_FALSE(f.cut);
    EXPECT_EQ(f.info.size(), 257u);
}
