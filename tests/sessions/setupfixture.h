// Shared pieces of the set-up tests: the one application object of the test
// program, a fixture with a temporary data directory, scripted messages,
// default settings, short modem waits, COM numbers mapped to answering
// modems on pseudo-terminals, and the tools' serial port.
#pragma once

#include "common/datadir.h"
#include "common/ini.h"
#include "common/messages.h"
#include "common/settings.h"
#include "comms/comport.h"
#include "scriptedmodem.h"
#include "sessions/modemchoice.h"
#include "sessions/modemhelpers.h"
#include "telephony/modemdevices.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>

#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace qln::test {

inline QApplication &guiApp()
{
    if (auto *app = qobject_cast<QApplication *>(QCoreApplication::instance()))
        return *app;
    static int argc = 1;
    static char name[] = "sessions_tests";
    static char *argv[] = {name, nullptr};
    static QApplication *a = new QApplication(argc, argv);
    return *a;
}

// The modem's replies to the commands of the modem checks and the class
// query, with classList as its "AT+FCLASS=?" information line.
inline void answerAsFaxModem(ScriptedModem &m, const std::string &classList)
{
    m.respond("AT", "\r\nOK\r\n")
        .respond("ATZ", "\r\nOK\r\n")
        .respond("ATE0Q0V1X4S0=0S2=43", "\r\nOK\r\n")
        .respond("AT+FCLASS=?", "\r\n" + classList + "\r\n\r\nOK\r\n");
}

class SetupFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        guiApp();
        ASSERT_TRUE(dir.isValid());
        data = dir.path().toStdString() + "/";
        setDataDirectoryOverride(data);
        setMessages(&msgs);
        settings() = Settings{};
        saved = modemHelperTiming();
        modemHelperTiming().replyTicks = 8;
        modemHelperTiming().checkPauseTicks = 1;
        modemHelperTiming().telephonyOpenMs = 500;
        modemHelperTiming().telephonySettleTicks = 1;
        // COM1..COM8 name missing devices unless a test maps them.
        TApdComPort::SetPortMapper([this](int n) {
            auto it = ports.find(n);
            return it != ports.end() ? it->second : data + "no-such-port-" + std::to_string(n);
        });
        SetDeviceSourcesProvider([this] { return sources; });
        sources.byIdDir = "/nonexistent";
        PrepareSetupPort(port);
    }
    void TearDown() override
    {
        port.SetOpen(false);
        SetDeviceSourcesProvider(nullptr);
        TApdComPort::SetPortMapper(nullptr);
        modemHelperTiming() = saved;
        setMessages(nullptr);
        setDataDirectoryOverride({});
    }

    void writeIni(const std::string &text)
    {
        std::ofstream(data + "QLN.INI", std::ios::binary) << text;
    }
    std::string readIni() const
    {
        std::ifstream in(data + "QLN.INI", std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // A key of the settings file as written.
    std::string iniValue(const std::string &section, const std::string &key) const
    {
        IniFile ini(data + "QLN.INI");
        return ini.readString(section, key, "<missing>");
    }
    // The texts of the recorded messages of one kind.
    std::vector<std::string> texts(ScriptedMessages::Kind kind) const
    {
        std::vector<std::string> out;
        for (const auto &c : msgs.calls())
            if (c.kind == kind)
                out.push_back(c.text);
        return out;
    }

    QTemporaryDir dir;
    std::string data;
    ScriptedMessages msgs;
    ModemHelperTiming saved;
    std::map<int, std::string> ports;
    DeviceSources sources;
    // The set-up tools' port, prepared as the windows prepare theirs.
    TApdComPort port;
};

} // namespace qln::test
