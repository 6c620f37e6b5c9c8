#include "faxengine/t30frames.h"

#include <gtest/gtest.h>

using namespace qln::fax::t30;

namespace {
SpeedMask upTo(int index)
{
    SpeedMask m = 0;
    for (int i = 1; i <= index; ++i)
        m |= speedBit(i);
    return m;
}

Frame collect(const Bytes &bytes)
{
    FrameCollector c;
    for (auto b : bytes)
        if (c.feed(b))
            return c.frame();
    ADD_FAILURE() << "frame never completed";
    return {};
}
} // namespace

TEST(Class1Speed, ChoiceFromRemoteDisAndOwnList)
{
    // Remote DIS offering 9600/7200, DesiredBPS 14400, own modem up to 14400.
    SpeedMask own = parseModulationList("3,24,48,72,73,74,96,97,98,121,122,145,146");
    EXPECT_EQ(own, upTo(6));
    FrameParams dis = parseDIS(0x42 + 0x0C, 0xF9);
    EXPECT_EQ(chooseSpeed(own, dis.speeds, 14400), 4);
    EXPECT_EQ(speedBps(4), 9600);

    // DesiredBPS caps the choice.
    FrameParams v17 = parseDIS(0x42 + 0x2C, 0xF9);
    EXPECT_EQ(chooseSpeed(own, v17.speeds, 14400), 6);
    EXPECT_EQ(chooseSpeed(own, v17.speeds, 9600), 4);
    EXPECT_EQ(chooseSpeed(own, v17.speeds, 2000), 0);
    // An own modem of V.27ter only.
    EXPECT_EQ(chooseSpeed(parseModulationList("3,24,48"), v17.speeds, 14400), 2);
}

TEST(Class1Speed, LoweringStepsThroughCommonSpeeds)
{
    FrameParams dis = parseDIS(0x42 + 0x0C, 0xF9); // 2400..9600
    SpeedMask own = upTo(6);
    // Two FTTs at 9600: 7200, then 4800.
    EXPECT_EQ(lowerSpeed(4, own, dis.speeds), 3);
    EXPECT_EQ(lowerSpeed(3, own, dis.speeds), 2);
    EXPECT_EQ(lowerSpeed(2, own, dis.speeds), 1);
    EXPECT_EQ(lowerSpeed(1, own, dis.speeds), 0);
    // A remote with 14400 but not 12000 skips 12000.
    FrameParams v17 = parseDIS(0x42 + 0x2C, 0xF9);
    EXPECT_EQ(lowerSpeed(6, own, v17.speeds), 4);
}

TEST(Class1Speed, ModulationCodesAndTrainingLength)
{
    EXPECT_EQ(tcfModulation(6), "145");
    EXPECT_EQ(pageModulation(6), "146");
    EXPECT_EQ(tcfModulation(5), "121");
    EXPECT_EQ(pageModulation(5), "122");
    EXPECT_EQ(pageModulation(4), "96");
    EXPECT_EQ(tcfLength(14400), 2592);
    EXPECT_EQ(tcfLength(9600), 1728);
    EXPECT_EQ(tcfLength(2400), 432);
    EXPECT_EQ(speedIndexOf(12000), 5);
    EXPECT_EQ(speedIndexOf(1200), 0);
}

TEST(Class1Speed, ScanLineMinimum)
{
    EXPECT_EQ(minBytesPerLine(0, false, 14400), 0);
    EXPECT_EQ(minBytesPerLine(5, false, 9600), 24); // 20 ms
    EXPECT_EQ(minBytesPerLine(2, true, 9600), 6);   // 5 ms fine
    EXPECT_EQ(minBytesPerLine(6, false, 14400), 72);
    EXPECT_EQ(minBytesPerLine(6, true, 14400), 36);
}

TEST(Class1Frames, IdentificationIsPaddedAndReversed)
{
    Bytes f = buildIdFrame(fcfTSI, "123", false);
    ASSERT_EQ(f.size(), 3u + 20u + 2u);
    EXPECT_EQ(f[0], 0xFF);
    EXPECT_EQ(f[1], 0x03);
    EXPECT_EQ(f[2], 0x43);
    EXPECT_EQ(std::string(f.begin() + 3, f.begin() + 23), std::string(17, ' ') + "321");
    EXPECT_EQ(f[23], DLE);
    EXPECT_EQ(f[24], ETX);
    // Too long identifications are cut to 20.
    EXPECT_EQ(idInfo(std::string(25, 'x')).size(), 20u);

    Frame got = collect(buildIdFrame(fcfCSI, "+1 555 0100", true));
    EXPECT_TRUE(got.final());
    EXPECT_EQ(got.kind(), 0x40);
    EXPECT_EQ(parseIdInfo(got.info), "+1 555 0100");
}

TEST(Class1Frames, DisAndDcsBytes)
{
    EXPECT_EQ(buildDIS(6), (Bytes{0xFF, 0x13, 0x80, 0x00, 0x6E, 0xF9, 0x00, DLE, ETX}));
    EXPECT_EQ(buildDIS(4), (Bytes{0xFF, 0x13, 0x80, 0x00, 0x4E, 0xF9, 0x00, DLE, ETX}));
    // DCS 9600 normal, scan code 5 (20 ms): 0x02+0x04, 0x00+0x88.
    EXPECT_EQ(buildDCS(4, false, 5, false),
              (Bytes{0xFF, 0x13, 0x83, 0x00, 0x06, 0x88, 0x00, DLE, ETX}));
    // DCS 14400 fine, wide, scan code 2 (fine bits 0x10).
    EXPECT_EQ(buildDCS(6, true, 2, true),
              (Bytes{0xFF, 0x13, 0x83, 0x00, 0x62, 0x99, 0x00, DLE, ETX}));
    EXPECT_EQ(buildFrame(fcfMCF, {}, true), (Bytes{0xFF, 0x13, 0x8C, DLE, ETX}));
}

TEST(Class1Frames, ParsedDcsGivesBackWhatWasBuilt)
{
    for (int idx = 1; idx <= 6; ++idx)
        for (int fine = 0; fine < 2; ++fine)
            for (int wide = 0; wide < 2; ++wide) {
                Frame f = collect(buildDCS(idx, fine, 3, wide));
                FrameParams p = parseDCS(f.info[1], f.info[2]);
                EXPECT_EQ(p.speedIndex, idx);
                EXPECT_EQ(p.fine, bool(fine));
                EXPECT_EQ(p.wide, bool(wide));
            }
    // Scan codes whose bits are the same for both resolutions survive too.
    for (int sc : {0, 1, 3, 5, 7}) {
        Frame f = collect(buildDCS(4, false, sc, false));
        EXPECT_EQ(parseDCS(f.info[1], f.info[2]).scanCode, sc) << sc;
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
