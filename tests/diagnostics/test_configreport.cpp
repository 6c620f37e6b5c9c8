// The configuration report over a virtual line's modems (stand-in line whose
// modems are scripted), with ports that do not open, the modem settings it
// shows and leaves out, and the report window's copy and save.
#include "common/settings.h"
#include "diagnostics/configreport.h"
#include "diagnostics/configreportwindow.h"
#include "linedir.h"
#include "scriptedmodem.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace qln;
using qln::test::FakeLine;
using qln::test::ScriptedModem;
using qln::test::TempDir;

namespace {

std::string valueOf(const ReportSection &sec, const std::string &label, size_t nth = 0)
{
    for (const auto &[l, v] : sec.lines)
        if (l == label && nth-- == 0)
            return v;
    return "<missing " + label + ">";
}

class ReportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(tmp.path() + "/by-id");
        sources.byIdDir = tmp.path() + "/by-id";
    }
    ReportOptions fast()
    {
        ReportOptions o;
        o.timing.replyMs = 400;
        return o;
    }
    TempDir tmp;
    DeviceSources sources;
    Settings st;
};

} // namespace

TEST_F(ReportTest, VirtualLineModemsAreListedWithTheirReplies)
{
    ScriptedModem m1, m2;
    m1.respond("ATI0", "\r\nspandsp\r\nOK\r\n")
        .respond("ATI3", "\r\nClass 1 line modem\r\nOK\r\n")
        .respond("AT+FCLASS=?", "\r\n0,1,1.0\r\nOK\r\n");
    m2.respond("ATI0", "\r\nClass 2.0 line modem\r\nOK\r\n")
        .respond("ATI3", "\r\nERROR\r\n")
        .respond("AT+FCLASS=?", "\r\n0,2.0\r\nOK\r\n");
    m1.start();
    m2.start();
    const std::string lineDir = tmp.path() + "/line";
    FakeLine line(lineDir, {m1.devicePath(), m2.devicePath()});
    sources.lineDirs = {lineDir};

    ConfigurationReport report;
    std::vector<std::string> probed;
    report.onProbe = [&](const std::string &name) { probed.push_back(name); };
    report.collect(st, sources, fast());

    std::vector<std::string> titles;
    for (const ReportSection &sec : report.sections())
        titles.push_back(sec.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"Program", "Operating system", "Processor", "Memory", "Display",
                                                "Locale", "Printers", "Modem settings", "Modems"}));

    const std::string name1 = "Virtual line modem 1 (" + lineDir + ")";
    const std::string name2 = "Virtual line modem 2 (" + lineDir + ")";
    EXPECT_EQ(probed, (std::vector<std::string>{name1, name2}));
    const ReportSection *modems = report.section("Modems");
    ASSERT_NE(modems, nullptr);
    EXPECT_EQ(valueOf(*modems, name1), "");  // the device's heading
    EXPECT_EQ(valueOf(*modems, "  device", 0), lineDir + "/modem1 (modem of a virtual fax line)");
    EXPECT_EQ(valueOf(*modems, "  device", 1), lineDir + "/modem2 (modem of a virtual fax line)");
    // Replies follow their device, in command order.
    EXPECT_EQ(valueOf(*modems, "  ATI0", 0), "spandsp (OK)");
    EXPECT_EQ(valueOf(*modems, "  ATI3", 0), "Class 1 line modem (OK)");
    EXPECT_EQ(valueOf(*modems, "  AT+FCLASS=?", 0), "0,1,1.0 (OK)");
    EXPECT_EQ(valueOf(*modems, "  ATI0", 1), "Class 2.0 line modem (OK)");
    EXPECT_EQ(valueOf(*modems, "  ATI3", 1), "ERROR");
    EXPECT_EQ(valueOf(*modems, "  AT+FCLASS=?", 1), "0,2.0 (OK)");

    // The text carries the same lines, values aligned within a section.
    const std::string text = report.text();
    EXPECT_EQ(text.rfind(kReportTitle, 0), 0u);
    EXPECT_NE(text.find("\nModems\n"), std::string::npos);
    EXPECT_NE(text.find("Class 1 line modem (OK)"), std::string::npos);
    EXPECT_NE(text.find("\n  " + name1 + "\n"), std::string::npos);
    const size_t a = text.find("    ATI0"), b = text.find("    ATI3");
    ASSERT_NE(a, std::string::npos);
    ASSERT_NE(b, std::string::npos);
    EXPECT_EQ(text.find(" : ", a) - a, text.find(" : ", b) - b);
}

TEST_F(ReportTest, PortsThatDoNotOpenAreReportedAndTheRestStillProbed)
{
    // A by-id link to a character device that is not a serial port (links
    // whose target is gone are not listed at all).
    std::filesystem::create_symlink("/dev/null", sources.byIdDir + "/usb-Acme_56K-if00");
    sources.comPorts = {{3, "/dev/quillon-no-port"}};
    ScriptedModem m;
    m.respond("ATI0", "\r\nOK\r\n").respond("ATI3", "\r\nAcme\r\nOK\r\n").respond("AT+FCLASS=?", "\r\n0,1\r\nOK\r\n");
    m.start();
    const std::string lineDir = tmp.path() + "/line";
    FakeLine line(lineDir, {m.devicePath()});
    sources.lineDirs = {lineDir};

    ConfigurationReport report;
    report.collect(st, sources, fast());
    const ReportSection *modems = report.section("Modems");
    ASSERT_NE(modems, nullptr);
    // The by-id link and the COM port come first; each says why it failed.
    EXPECT_EQ(valueOf(*modems, "  device", 0), sources.byIdDir + "/usb-Acme_56K-if00 (serial device)");
    EXPECT_EQ(valueOf(*modems, "  device", 1), "/dev/quillon-no-port (port of [Ports])");
    const std::string first = valueOf(*modems, "  port", 0);
    EXPECT_EQ(first.rfind("does not open: ", 0), 0u) << first;
    EXPECT_GT(first.size(), std::string("does not open: ").size());
    EXPECT_EQ(valueOf(*modems, "  port", 1), "does not open: the device /dev/quillon-no-port does not exist");
    EXPECT_EQ(valueOf(*modems, "  ATI0"), "OK");
    EXPECT_EQ(valueOf(*modems, "  ATI3"), "Acme (OK)");

    // Without probing the devices are listed and left alone.
    ReportOptions noProbe = fast();
    noProbe.probeModems = false;
    ConfigurationReport listed;
    listed.collect(st, sources, noProbe);
    EXPECT_NE(listed.text().find("usb-Acme_56K-if00"), std::string::npos) << listed.text();
    EXPECT_EQ(listed.text().find("ATI0"), std::string::npos);
}

TEST_F(ReportTest, NoDevicesAndTheVirtualModemThatIsNotRunning)
{
    sources.virtualLineDir = tmp.path() + "/data/vline";
    ConfigurationReport report;
    report.collect(st, sources, fast());
    const ReportSection *modems = report.section("Modems");
    ASSERT_NE(modems, nullptr);
    // The virtual modem is named but not started just to be probed.
    EXPECT_EQ(valueOf(*modems, "  state"), "starts when a window uses it");
    EXPECT_FALSE(std::filesystem::exists(sources.virtualLineDir));

    sources.virtualLineDir.clear();
    report.collect(st, sources, fast());
    EXPECT_NE(valueOf(*report.section("Modems"), "Devices").find("none found"), std::string::npos);
}

TEST_F(ReportTest, ModemSettingsAreShownAndPersonalDetailsAreNot)
{
    st.useTAPI = true;
    st.tapiDevice = kVirtualModemName;
    st.initString = "AT&F&C1&D2";
    st.userName = "Jane Privatename";
    st.fax = "+1 555 867 5309";
    st.portDevices = {{2, "/dev/ttyUSB0"}};
    ReportSection sec = ConfigurationReport::settingsSection(st);
    EXPECT_EQ(valueOf(sec, "Modem in use"), std::string("modem device \"") + kVirtualModemName + "\"");
    EXPECT_EQ(valueOf(sec, "[Modem] InitString"), "AT&F&C1&D2");
    EXPECT_EQ(valueOf(sec, "[Resetting] String"), "(empty)");
    EXPECT_EQ(valueOf(sec, "[Ports] COM2"), "/dev/ttyUSB0");

    st.useTAPI = false;
    st.comPort = 2;
    sec = ConfigurationReport::settingsSection(st);
    EXPECT_EQ(valueOf(sec, "Modem in use"), "COM2 (/dev/ttyUSB0)");
    st.comPort = 0;
    st.noModem = true;
    sec = ConfigurationReport::settingsSection(st);
    EXPECT_EQ(valueOf(sec, "Modem in use"), "none chosen");

    ConfigurationReport report;
    ReportOptions o = fast();
    o.probeModems = false;
    report.collect(st, sources, o);
    EXPECT_EQ(report.text().find("Privatename"), std::string::npos);
    EXPECT_EQ(report.text().find("867 5309"), std::string::npos);
}

TEST_F(ReportTest, WindowCopiesAndSavesTheReport)
{
    ConfigurationReport report;
    ReportOptions o = fast();
    o.probeModems = false;
    report.collect(st, sources, o);
    ConfigReportWindow w(report.text());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Configuration Information"));
    EXPECT_EQ(w.reportText().toStdString(), report.text());

    w.copyToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), w.reportText());

    const QString path = QString::fromStdString(tmp.path() + "/report.txt");
    QString error;
    ASSERT_TRUE(w.saveTo(path, error)) << error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toStdString(), report.text());

    EXPECT_FALSE(w.saveTo(QString::fromStdString(tmp.path() + "/no/such/dir/report.txt"), error));
    EXPECT_FALSE(error.isEmpty());
}
