#include "faxengine/class2commands.h"

#include <gtest/gtest.h>

using namespace qln::fax::class2;

TEST(Class2Tables, CommandsAndReportsPerClass)
{
    const auto &c2 = commandsClass2();
    const auto &c20 = commandsClass20();
    EXPECT_EQ(c2.command(c2.selectClass), "AT+FCLASS=2");
    EXPECT_EQ(c20.command(c20.selectClass), "AT+FCLASS=2.0");
    EXPECT_EQ(c2.command(c2.localId), "AT+FLID");
    EXPECT_EQ(c20.command(c20.localId), "AT+FLI");
    EXPECT_EQ(c2.report(c2.sessionParamsReport), "+FDCS");
    EXPECT_EQ(c20.report(c20.sessionParamsReport), "+FCS");
    EXPECT_EQ(c20.report(c20.pageStatusReport), "+FPS");
    EXPECT_STREQ(c2.hangupReport, "FHNG");
    EXPECT_STREQ(c20.hangupReport, "FHS");
}

TEST(Class2Reports, ParametersAtFixedPositions)
{
    auto p = parseParams("+FDCS:1,5,0,2,0,0,0,3");
    EXPECT_TRUE(p.fine);
    EXPECT_EQ(p.bps, 14400);
    EXPECT_FALSE(p.wide);
    EXPECT_FALSE(p.ecm);
    EXPECT_EQ(p.scanCode, 3);

    p = parseParams("  +FCS: 0,1,1,2,0,2,0,5 ");
    EXPECT_FALSE(p.fine);
    EXPECT_EQ(p.bps, 4800);
    EXPECT_TRUE(p.wide);
    EXPECT_TRUE(p.ecm);
    EXPECT_EQ(p.scanCode, 5);

    // Unknown speed codes read as 9600; a short report leaves the rest off.
    p = parseParams("+FDIS:0,9");
    EXPECT_EQ(p.bps, 9600);
    EXPECT_EQ(p.scanCode, 0);
}

TEST(Class2Reports, RemoteIdentification)
{
    EXPECT_EQ(parseRemoteId("+FTSI:\"  +1 555 0100\""), "+1 555 0100");
    EXPECT_EQ(parseRemoteId("+FCI: \"REMOTE FAX   \""), "REMOTE FAX");
    EXPECT_EQ(parseRemoteId("+FCSI: 12345678901234567890123"), "12345678901234567890");
}

TEST(Class2Reports, HangupAndPageStatusCodes)
{
    EXPECT_EQ(parseHangupCode("+FHNG:A5"), 105);
    EXPECT_EQ(parseHangupCode("+FHS:a5"), 105);
    EXPECT_EQ(parseHangupCode("+FHS:02"), 2);
    EXPECT_EQ(parseHangupCode("+FHNG: 0"), 0);
    EXPECT_EQ(parseHangupCode("+FHNG:50"), 50);
    EXPECT_EQ(parseHangupCode("+FPTS:2"), 2);
    EXPECT_EQ(parseHangupCode("+FPS:1,0,0,0,0"), 1);
    EXPECT_EQ(parseHangupCode("+FHNG:xyz"), 0);
    EXPECT_EQ(parseHangupCode("+FHNG:"), 0);
}

TEST(Class2Commands, CapabilityListsAndPageEnds)
{
    EXPECT_EQ(sendCapabilities(false, 9600, false, false), "0,3,0,2,0,0,0,0");
    EXPECT_EQ(sendCapabilities(true, 14400, true, true), "1,5,1,2,0,1,0,0");
    EXPECT_EQ(sendCapabilities(false, 1234, false, false), "0,3,0,2,0,0,0,0");
    EXPECT_EQ(receiveCapabilities(14400, false), "1,5,0,2,0,0,0,0");
    EXPECT_EQ(pageEndClass20(true, false), "\x10,");
    EXPECT_EQ(pageEndClass20(true, true), "\x10;");
    EXPECT_EQ(pageEndClass20(false, true), "\x10.");
    EXPECT_EQ(postPageClass2(true, false), '0');
    EXPECT_EQ(postPageClass2(true, true), '1');
    EXPECT_EQ(postPageClass2(false, false), '2');
}
