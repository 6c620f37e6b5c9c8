// The modem probe: replies split from echoes and result codes, silent and
// missing devices, and a modem that answers only some commands.
#include "diagnostics/modemprobe.h"
#include "scriptedmodem.h"

#include <gtest/gtest.h>

using namespace qln;
using qln::test::ScriptedModem;

TEST(ModemReplyParse, EchoBlankLinesAndResultCodes)
{
    ModemReply r;
    EXPECT_TRUE(ParseModemReply("ATI3", "ATI3\r\r\nUSR Courier V.Everything\r\n\r\nOK\r\n", r));
    EXPECT_EQ(r.reply, "USR Courier V.Everything");
    EXPECT_EQ(r.result, "OK");

    EXPECT_TRUE(ParseModemReply("AT+FCLASS=?", "\r\n0,1,2\r\nERROR\r\n", r));
    EXPECT_EQ(r.reply, "0,1,2");
    EXPECT_EQ(r.result, "ERROR");

    // Several lines are joined; the result code ends the reply even when
    // more text follows (an unsolicited RING).
    EXPECT_TRUE(ParseModemReply("ATI0", "\r\nline one\r\nline two\r\nOK\r\nRING\r\n", r));
    EXPECT_EQ(r.reply, "line one; line two");

    // An unfinished line or no result code: not yet complete.
    EXPECT_FALSE(ParseModemReply("ATI0", "\r\n56000\r\nO", r));
    EXPECT_EQ(r.reply, "56000");
    EXPECT_TRUE(r.result.empty());
    EXPECT_FALSE(ParseModemReply("ATI0", "", r));
    EXPECT_TRUE(r.reply.empty());
}

TEST(ModemProbe, AnsweringModemGivesEachReply)
{
    ScriptedModem m;
    m.respond("ATI0", "\r\n56000\r\n\r\nOK\r\n")
        .respond("ATI3", "\r\nAcme FaxModem 56K\r\n\r\nOK\r\n")
        .respond("AT+FCLASS=?", "\r\n0,1,2,2.0\r\n\r\nOK\r\n");
    m.start();
    const ModemProbeResult r = ProbeModem(m.devicePath(), DefaultProbeCommands(), {1500});
    ASSERT_TRUE(r.opened) << r.error;
    ASSERT_EQ(r.replies.size(), 3u);
    EXPECT_EQ(r.replies[0].reply, "56000");
    EXPECT_EQ(r.replies[1].reply, "Acme FaxModem 56K");
    EXPECT_EQ(r.replies[2].command, "AT+FCLASS=?");
    EXPECT_EQ(r.replies[2].reply, "0,1,2,2.0");
    EXPECT_TRUE(r.answered());
    EXPECT_EQ(m.lines(), (std::vector<std::string>{"ATI0", "ATI3", "AT+FCLASS=?"}));
}

TEST(ModemProbe, ErrorForOneCommandDoesNotStopTheOthers)
{
    ScriptedModem m;
    m.echo(true)
        .respond("ATI0", "\r\nERROR\r\n")
        .respond("ATI3", "\r\nV.90\r\nOK\r\n")
        .respond("AT+FCLASS=?", "\r\n0,1\r\nOK\r\n");
    m.start();
    const ModemProbeResult r = ProbeModem(m.devicePath(), DefaultProbeCommands(), {1500});
    ASSERT_EQ(r.replies.size(), 3u);
    EXPECT_EQ(r.replies[0].result, "ERROR");
    EXPECT_TRUE(r.replies[0].reply.empty());  // the echo is not part of the reply
    EXPECT_EQ(r.replies[1].reply, "V.90");
    EXPECT_EQ(r.replies[2].reply, "0,1");
}

TEST(ModemProbe, SilentDeviceCostsOneTimeOutAndIsNotAModem)
{
    ScriptedModem m;  // reads and never answers
    m.start();
    const auto start = std::chrono::steady_clock::now();
    const ModemProbeResult r = ProbeModem(m.devicePath(), DefaultProbeCommands(), {300});
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(r.opened);
    ASSERT_EQ(r.replies.size(), 1u);
    EXPECT_TRUE(r.replies[0].result.empty());
    EXPECT_FALSE(r.answered());
    EXPECT_LT(took, std::chrono::milliseconds(1500));
}

TEST(ModemProbe, MissingDeviceIsReportedNotThrown)
{
    const ModemProbeResult r = ProbeModem("/dev/quillon-no-such-modem", DefaultProbeCommands());
    EXPECT_FALSE(r.opened);
    EXPECT_NE(r.error.find("does not exist"), std::string::npos) << r.error;
    EXPECT_TRUE(r.replies.empty());

    // A file that exists but is not a terminal fails in the port itself.
    const ModemProbeResult f = ProbeModem("/proc/version", DefaultProbeCommands());
    EXPECT_FALSE(f.opened);
    EXPECT_FALSE(f.error.empty());
}
