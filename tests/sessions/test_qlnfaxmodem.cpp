// "qlnfax modem" run as a program against a scripted modem on a pty.
#ifdef QLNFAX_PATH
#include "scriptedmodem.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using qln::test::ScriptedModem;

namespace {

struct ToolRun {
    int status;
    std::string out;
};

ToolRun qlnfax(const std::string &args)
{
    char tmpl[] = "/tmp/qln-modemcmd-XXXXXX";
    std::string dir = ::mkdtemp(tmpl);
    std::string cmd = "QT_QPA_PLATFORM=offscreen " + std::string(QLNFAX_PATH) + " modem --data-dir " +
                      dir + " " + args + " 2>/dev/null";
    ToolRun r{-1, {}};
    if (FILE *p = ::popen(cmd.c_str(), "r")) {
        std::array<char, 256> buf;
        while (size_t n = std::fread(buf.data(), 1, buf.size(), p))
            r.out.append(buf.data(), n);
        r.status = ::pclose(p);
    }
    [[maybe_unused]] int rc = std::system(("rm -rf " + dir).c_str());
    return r;
}

} // namespace

TEST(QlnfaxModem, CheckAnswersOkFromAModemThatEchoes)
{
    ScriptedModem modem;
    modem.echo(true).respond("AT", "\r\nOK\r\n").start();
    ToolRun r = qlnfax("--device " + modem.devicePath() + " check");
    EXPECT_EQ(r.status, 0) << r.out;
    // The reply runs to the end of the result line.
    EXPECT_EQ(r.out, "reply: AT\\r\\r\\nOK\\r\nresult: OK\n");
}

TEST(QlnfaxModem, SendPutsAtInFrontOfTheCommand)
{
    ScriptedModem modem;
    modem.expectLine("AT&F").replyLine("OK").start();
    ToolRun r = qlnfax("--device " + modem.devicePath() + " send '&F'");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("command: AT&F\n"), std::string::npos) << r.out;
    EXPECT_TRUE(modem.failures().empty());
}

TEST(QlnfaxModem, MissingDeviceReportsTheOpenText)
{
    ToolRun r = qlnfax("--device /dev/qln-nothing reset");
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out, "open failed: Unable to open the specified communications port ( Com1 )\n");
}
#endif
