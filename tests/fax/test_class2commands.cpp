#include "fax/class2commands.h"
#include "fax/faxclass.h"

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
    // Control bytes, DEL and bytes above 0x7E become blanks.
    EXPECT_EQ(parseRemoteId("+FTSI:\"AB\x1b[2JCD\x7f\xff" "9\""), "AB [2JCD  9");
    EXPECT_EQ(parseRemoteId(std::string("+FTSI:\"A\0B\"", 11)), "A B");
}

// Lines as the engine reads them from the modem.
static std::vector<std::string> linesOf(const std::string &bytes)
{
    qln::fax::ResponseAssembler a;
    std::vector<std::string> out;
    for (unsigned char b : bytes)
        if (a.feed(b))
            out.push_back(a.line());
    return out;
}

TEST(Class2Reports, LineBreakInsideAnIdentificationStaysInItsReport)
{
    EXPECT_EQ(linesOf("\r\n+FTSI:\"AB\rCD\"\r\nOK\r\n"),
              (std::vector<std::string>{"+FTSI:\"AB CD\"", "OK"}));
    // A far end cannot forge a hang-up report or an OK after its own.
    EXPECT_EQ(linesOf("+FCSI:\"1\r\n+FHNG:2\"\r\n+FDIS:0,5\r\nOK\r\n"),
              (std::vector<std::string>{"+FCSI:\"1  +FHNG:2\"", "+FDIS:0,5", "OK"}));
    // An unclosed quote holds the line only for the length of an
    // identification: the lines after it still arrive.
    EXPECT_EQ(linesOf("+FTSI:\"ABC\r\n+FDCS:0,3,0,2,0,0,0,0\r\nOK\r\n").back(), "OK");
    // Echoed commands and plain results are untouched.
    EXPECT_EQ(linesOf("AT+FLID=\"QLN\"\r\r\nOK\r\n"), (std::vector<std::string>{"AT+FLID=\"QLN\"", "OK"}));
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
