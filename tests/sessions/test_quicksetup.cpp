// The quick set-up and the modem choice it shares with the wizard: presets
// from a reloaded settings file, "Ok" and "Cancel", Find Modem Port with its
// offers, the radios, "Test Modem" over named devices, and the window.
#include "sessions/modemchoicepanel.h"
#include "sessions/quicksetup.h"
#include "sessions/quicksetupwindow.h"
#include "setupfixture.h"
#include "telephony/modemdevice.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <chrono>
#include <fstream>

using namespace qln;
using qln::test::answerAsFaxModem;
using qln::test::ScriptedModem;
using namespace std::chrono_literals;

namespace {

class QuickSetupTest : public qln::test::SetupFixture {
protected:
    std::unique_ptr<QuickSetupModel> makeModel(std::vector<std::string> devices = {"COM3", kVirtualModemName})
    {
        auto m = std::make_unique<QuickSetupModel>(s, port, device, std::move(devices));
        m->open();
        return m;
    }
    Settings s;
    TModemDevice device;
};

} // namespace

TEST_F(QuickSetupTest, OkStoresTheChoiceAndWritesTheFile)
{
    writeIni("[User]\nName=Ann\nFax=555 0100\n[Modem]\nTAPIDevice=Old\n");
    auto m = makeModel();
    EXPECT_TRUE(s.noModem);
    EXPECT_EQ(m->name, "Ann");
    EXPECT_EQ(m->faxNumber, "555 0100");
    EXPECT_EQ(m->comPortIndex, -1);  // no port is chosen for the user while none is set up
    EXPECT_FALSE(m->useTapi());
    m->comPortIndex = 2;
    m->name = "Bob";
    EXPECT_TRUE(m->ok());
    EXPECT_FALSE(s.noModem);
    EXPECT_EQ(iniValue("Modem", "ComPort"), "2");
    EXPECT_EQ(iniValue("User", "Name"), "Bob");
    EXPECT_EQ(iniValue("User", "Fax"), "555 0100");
    EXPECT_EQ(iniValue("Modem", "UseTAPI"), "0");
    EXPECT_EQ(iniValue("Modem", "TAPIDevice"), "Old");

    // The virtual modem: telephony radio and its name.
    auto again = makeModel();
    EXPECT_FALSE(s.noModem);
    EXPECT_EQ(again->comPortIndex, 2);
    again->chooseTapi(true);
    again->deviceIndex = 1;
    EXPECT_TRUE(again->ok());
    EXPECT_EQ(iniValue("Modem", "UseTAPI"), "1");
    EXPECT_EQ(iniValue("Modem", "TAPIDevice"), kVirtualModemName);
    Settings reread;
    reread.load(data + "QLN.INI");
    EXPECT_FALSE(reread.noModem);
    EXPECT_TRUE(reread.useTAPI);
}

TEST_F(QuickSetupTest, OkWithoutAPortLeavesNoModemForTheNextStart)
{
    writeIni("[Modem]\nComPort=9\n");
    auto m = makeModel();
    EXPECT_EQ(m->comPortIndex, -1);  // not one of Com1..Com8
    EXPECT_TRUE(m->ok());
    EXPECT_EQ(iniValue("Modem", "ComPort"), "-1");
    Settings reread;
    reread.load(data + "QLN.INI");
    EXPECT_TRUE(reread.noModem);
}

TEST_F(QuickSetupTest, CancelPutsTheChoiceBackAndWritesNothing)
{
    auto m = makeModel();
    m->comPortIndex = 4;
    m->chooseTapi(true);
    m->name = "Typed";
    s.comPort = 4;  // as if something had stored it already
    s.useTAPI = true;
    m->cancel();
    EXPECT_TRUE(s.noModem);
    EXPECT_EQ(s.comPort, 0);
    EXPECT_FALSE(s.useTAPI);
    EXPECT_EQ(s.userName, "");
    EXPECT_FALSE(std::ifstream(data + "QLN.INI").good());
}

TEST_F(QuickSetupTest, FindModemPortOffersAnotherPortOrTheVirtualModem)
{
    auto m = makeModel();
    int answer = 4;
    m->findModemRunner = [&](TApdComPort &p) {
        p.SetComNumber(6);  // the search leaves the port anywhere
        return answer;
    };
    m->comPortIndex = 0;
    msgs.answer(true);
    m->findModemPort();
    EXPECT_EQ(msgs.last().text, "Set Com Port to Com 4");
    EXPECT_EQ(msgs.last().caption, "Com Port");
    EXPECT_EQ(m->comPortIndex, 3);
    EXPECT_EQ(port.ComNumber(), 1);  // back to the port chosen before the search

    // The port already chosen: nothing to ask.
    msgs.clear();
    m->findModemPort();
    EXPECT_EQ(msgs.count(ScriptedMessages::Kind::Question), 0u);
    EXPECT_EQ(port.ComNumber(), 4);

    // No modem anywhere: the virtual modem is offered.
    answer = -1;
    msgs.answer(false);
    m->findModemPort();
    EXPECT_EQ(msgs.last().caption, "Virtual Modem");
    EXPECT_FALSE(m->useTapi());
    msgs.answer(true);
    m->findModemPort();
    EXPECT_TRUE(m->useTapi());
    EXPECT_EQ(m->deviceText(), kVirtualModemName);
    EXPECT_EQ(port.TapiMode, tmAuto);

    // Without the virtual modem in the list there is nothing to offer.
    auto plain = makeModel({"COM3"});
    plain->findModemRunner = [](TApdComPort &) { return -1; };
    msgs.clear();
    plain->findModemPort();
    EXPECT_EQ(msgs.count(ScriptedMessages::Kind::Question), 0u);
}

TEST_F(QuickSetupTest, TestModemReportsOverNamedDevices)
{
    ScriptedModem modem;
    answerAsFaxModem(modem, "0,1");
    modem.start();
    sources.comPorts = {{3, modem.devicePath()}};
    auto m = makeModel({"COM3"});
    m->chooseTapi(true);
    m->deviceIndex = 0;
    m->testModem(ModemTestWording::QuickSetup);
    EXPECT_EQ(msgs.last().text, "Opened COM3\r..modem responded properly");
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.TapiMode, tmAuto);

    ScriptedModem silent;
    silent.start();
    sources.comPorts = {{3, silent.devicePath()}};
    m->testModem(ModemTestWording::Preferences);
    EXPECT_EQ(msgs.last().text, "Opened the port\r..however no modem was detected (modem did not respond)");
    m->testModem(ModemTestWording::QuickSetup);
    EXPECT_EQ(msgs.last().text, "Opened COM3\r..however no modem was detected");

    // The device vanished after it was chosen: its error, and no six-second wait.
    modemHelperTiming().telephonyOpenMs = 6000;
    sources.comPorts = {{3, data + "unplugged"}};
    const auto start = std::chrono::steady_clock::now();
    m->testModem(ModemTestWording::Preferences);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(msgs.last().text, "ERROR: Failed to open COM3\r\nThe modem device \"COM3\" (" + data +
                                    "unplugged) is no longer present\r\r..is the modem or port in use?");
}

TEST_F(QuickSetupTest, WindowOkAndCancel)
{
    sources.virtualLineDir = data + "vline";  // listed; nothing starts until it is opened
    writeIni("[User]\nName=Ann\n");
    settings().load(data + "QLN.INI");
    {
        TQuickSetupForm form(settings());
        form.show();
        EXPECT_EQ(form.windowTitle(), "Quick Setup");
        EXPECT_EQ(form.nameEdit()->text(), "Ann");
        EXPECT_EQ(form.nameEdit()->maxLength(), 35);
        EXPECT_EQ(form.faxNumberEdit()->maxLength(), 20);
        auto *panel = form.modemPanel();
        EXPECT_TRUE(panel->UseComPortCheckBox->isChecked());
        EXPECT_TRUE(panel->ComPort->isEnabled());
        EXPECT_FALSE(panel->TapiCombo->isEnabled());
        EXPECT_EQ(panel->TapiCombo->currentText().toStdString(), kVirtualModemName);
        panel->UseTapiCheckbox->click();
        EXPECT_FALSE(panel->UseComPortCheckBox->isChecked());
        EXPECT_FALSE(panel->FindModemButton->isEnabled());
        EXPECT_TRUE(panel->TestModemButton->isEnabled());
        form.faxNumberEdit()->setText("+1 555 0199");
        form.okButton()->click();
        EXPECT_TRUE(form.saved());
    }
    EXPECT_EQ(iniValue("Modem", "UseTAPI"), "1");
    EXPECT_EQ(iniValue("Modem", "TAPIDevice"), kVirtualModemName);
    EXPECT_EQ(iniValue("User", "Fax"), "+1 555 0199");
    EXPECT_FALSE(std::ifstream(data + "vline/modem1").good());
    {
        const std::string before = readIni();
        TQuickSetupForm form(settings());
        form.show();
        form.modemPanel()->UseComPortCheckBox->click();
        form.cancelButton()->click();
        EXPECT_FALSE(form.saved());
        EXPECT_TRUE(settings().noModem);
        EXPECT_TRUE(settings().useTAPI);  // as it was when the window opened
        EXPECT_EQ(readIni(), before);
    }
}
