// The preferences wizard: the Finish rule with the no-modem flag, presets
// from the settings, every control stored into QLN.INI on Finish, the
// conversion error that stops the store, the buttons beside the controls,
// and the window driven offscreen through every page.
#include "fax/faxsendfax.h"
#include "sessions/preferences.h"
#include "sessions/preferenceswindow.h"
#include "setupfixture.h"
#include "telephony/modemdevice.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>

#include <fstream>

using namespace qln;

namespace {

class PreferencesTest : public qln::test::SetupFixture {
protected:
    std::unique_ptr<PreferencesModel> makeModel(std::vector<std::string> devices = {"USB modem", "COM3"},
                                                std::vector<std::string> printers = {"Office", "Lab"})
    {
        auto m = std::make_unique<PreferencesModel>(s, port, device, fax, std::move(devices), std::move(printers));
        m->open();
        return m;
    }

    Settings s;
    TModemDevice device;
    fax::TApdSendFax fax;
};

} // namespace

TEST_F(PreferencesTest, FinishWaitsForTheLastPageOnlyWhenNoModemWasConfigured)
{
    s.noModem = true;
    auto m = makeModel();
    EXPECT_TRUE(m->noModemAtOpen());
    EXPECT_FALSE(s.noModem) << "cleared at once, whatever the user does";
    EXPECT_EQ(m->title(), "Wizard Information");
    EXPECT_FALSE(m->backEnabled());
    for (int page = 0; page < 8; ++page) {
        EXPECT_FALSE(m->finishEnabled()) << page;
        EXPECT_TRUE(m->nextEnabled()) << page;
        m->next();
    }
    EXPECT_EQ(m->page(), 8);
    EXPECT_EQ(m->title(), "Advanced");
    EXPECT_TRUE(m->finishEnabled());
    EXPECT_FALSE(m->nextEnabled());
    m->next();
    EXPECT_EQ(m->page(), 8);
    m->jump(5);
    EXPECT_EQ(m->title(), "Receiving Faxes - Part 1");
    EXPECT_FALSE(m->finishEnabled());

    Settings configured;
    configured.comPort = 1;
    s = configured;
    auto withModem = makeModel();
    EXPECT_TRUE(withModem->finishEnabled());
}

TEST_F(PreferencesTest, PresetsFollowTheSettings)
{
    s.answerOnRing = 3;
    s.maximumBPS = 19200;
    s.maximumBPSReceive = 12000;
    s.printOnReceiptPrinter = "Printer that was removed";
    s.comPort = 2;
    s.useTAPI = true;
    s.tapiDevice = "Unplugged modem";
    s.dialAttempts = 7;
    s.faxClassReceive = 3;
    auto m = makeModel();
    EXPECT_EQ(m->answerOnRing, 2);  // the third radio, "3"
    EXPECT_EQ(m->transferRate, 3);  // shown as 9600
    EXPECT_EQ(m->transferRateReceive, 4);
    EXPECT_EQ(m->printerText(), "System default printer");
    EXPECT_EQ(m->printers(), (std::vector<std::string>{"System default printer", "Office", "Lab"}));
    EXPECT_EQ(m->comPortIndex, 2);
    EXPECT_TRUE(m->useTapi());
    EXPECT_EQ(m->deviceText(), "USB modem");  // a device that is gone shows the first one
    EXPECT_EQ(m->dialAttempts, "7");
    EXPECT_EQ(m->faxClassReceive, 3);
    EXPECT_EQ(port.TapiMode, tmAuto);
    EXPECT_FALSE(m->portControlsEnabled());

    // Without any device the telephony radio is cleared whatever UseTAPI says.
    auto none = makeModel({});
    EXPECT_FALSE(none->useTapi());
    EXPECT_EQ(port.TapiMode, tmOff);
    EXPECT_TRUE(none->portControlsEnabled());
}

TEST_F(PreferencesTest, FinishStoresEveryControlAndWritesTheFile)
{
    writeIni("; kept\n[Modem]\nComPort=-1\nTAPIDevice=Old modem\n");
    s.load(data + "QLN.INI");
    s.maximumBPS = 19200;
    auto m = makeModel();
    m->comPortIndex = 3;
    m->toneOrPulse = 1;
    m->resetString = "AT&F";
    m->resetAfterString = "ATZ";
    m->faxClass = 2;
    m->modemInit = "AT&F&C1&D2&K3S7=65";
    m->name = "Ann Smith";
    m->faxNumber = "+1 555 0100";
    m->useEcm = true;
    m->dialPrefix = "9,";
    m->dialSuffix = "#12";
    m->dialAttempts = "5";
    m->retryWait = "90";
    m->renegotiateBetween = true;
    m->blindDial = true;
    m->ignoreBusy = true;
    m->faxClassReceive = 3;
    m->transferRateReceive = 5;
    m->modemInitReceive = "ATX3";
    m->receiveAtStartup = true;
    m->useEcmReceive = true;
    m->answerOnRing = 0;  // "1"
    m->waveFile = "/home/ann/fax.wav";
    m->printOnReceipt = true;
    m->printer = 2;
    m->disableReceivingNotification = true;
    m->useAltHeaderFont = true;
    m->useAlternateNameReceive = true;
    m->useLargerReceiveBuffer = true;
    m->useLargerSendBuffer = true;
    msgs.answer(true);
    EXPECT_EQ(m->finish(), PreferencesModel::FinishResult::Saved);
    const auto asked = msgs.calls().front();
    EXPECT_EQ(asked.text, "Save changes?");
    EXPECT_EQ(asked.caption, "Save Preferences");

    const std::map<std::pair<std::string, std::string>, std::string> expected = {
        {{"Receive", "Wav"}, "/home/ann/fax.wav"},
        {{"Receive", "AtStartup"}, "1"},
        {{"Receive", "AnswerOnRing"}, "1"},
        {{"Receive", "ECMReceive"}, "1"},
        {{"Receive", "PrintOnReceipt"}, "1"},
        {{"Receive", "PrintOnReceiptPrinter"}, "Lab"},
        {{"Receive", "DisableReceivingFaxesNotification"}, "1"},
        {{"User", "Fax"}, "+1 555 0100"},
        {{"User", "Name"}, "Ann Smith"},
        {{"Dialing", "DialPrefix"}, "9,"},
        {{"Dialing", "DialSuffix"}, "#12"},
        {{"Dialing", "DialAttempts"}, "5"},
        {{"Dialing", "RetryWait"}, "90"},
        {{"Dialing", "BlindDial"}, "1"},
        {{"Dialing", "IgnoreBusy"}, "1"},
        {{"Dialing", "ToneOrPulse"}, "1"},
        {{"Dialing", "ECM"}, "1"},
        {{"Modem", "InitString"}, "AT&F&C1&D2&K3S7=65"},
        {{"Modem", "ComPort"}, "3"},
        {{"Modem", "FaxClass"}, "2"},
        {{"Modem", "MaximumBPS"}, "9600"},  // 19200 was shown as 9600
        {{"Modem", "RenegotiateBetween"}, "1"},
        {{"Modem", "InitStringReceive"}, "ATX3"},
        {{"Modem", "FaxClassReceive"}, "3"},
        {{"Modem", "MaximumBPSReceive"}, "14400"},
        {{"Modem", "UseTAPI"}, "0"},
        {{"Modem", "TAPIDevice"}, "Old modem"},  // the port radio leaves it alone
        {{"Resetting", "String"}, "AT&F"},
        {{"Resetting", "AfterString"}, "ATZ"},
        {{"Other", "UseAlternateHeaderFont"}, "1"},
        {{"Other", "GlobalUseAlternateNamingRec"}, "1"},
        {{"Other", "GlobalLargerSendBuffer"}, "1"},
        {{"Other", "GlobalLargerReceiveBuffer"}, "1"},
        {{"Version", "Version"}, "2.9z Build 8"},
    };
    for (const auto &[key, value] : expected)
        EXPECT_EQ(iniValue(key.first, key.second), value) << key.first << "/" << key.second;
    EXPECT_EQ(readIni().rfind("; kept\n", 0), 0u);

    // With the telephony radio the device name is stored too.
    m->chooseTapi(true);
    m->deviceIndex = 1;
    msgs.answer(true);
    EXPECT_EQ(m->finish(), PreferencesModel::FinishResult::Saved);
    EXPECT_EQ(iniValue("Modem", "UseTAPI"), "1");
    EXPECT_EQ(iniValue("Modem", "TAPIDevice"), "COM3");
}

TEST_F(PreferencesTest, AnsweringNoKeepsTheWizardOpenAndWritesNothing)
{
    auto m = makeModel();
    m->name = "Changed";
    msgs.answer(false);
    EXPECT_EQ(m->finish(), PreferencesModel::FinishResult::StayOpen);
    EXPECT_EQ(s.userName, "");
    EXPECT_FALSE(std::ifstream(data + "QLN.INI").good());
}

TEST_F(PreferencesTest, ConversionErrorStopsTheStoreBeforeTheFileIsWritten)
{
    writeIni("[User]\nName=Before\n[Dialing]\nDialAttempts=3\n");
    const std::string before = readIni();
    s.load(data + "QLN.INI");
    auto m = makeModel();
    m->waveFile = "ring.wav";
    m->faxNumber = "555";
    m->name = "After";
    m->dialPrefix = "9";
    m->dialSuffix = "0";
    m->modemInit = "ATM0";
    m->dialAttempts = "three";
    m->comPortIndex = 4;
    m->faxClass = 3;
    msgs.answer(true);
    EXPECT_EQ(m->finish(), PreferencesModel::FinishResult::Stopped);
    EXPECT_EQ(texts(ScriptedMessages::Kind::ErrorBox),
              std::vector<std::string>{"'three' is not a valid integer value"});
    // The controls before it are already stored in memory ...
    EXPECT_EQ(s.wav, "ring.wav");
    EXPECT_EQ(s.fax, "555");
    EXPECT_EQ(s.userName, "After");
    EXPECT_EQ(s.dialPrefix, "9");
    EXPECT_EQ(s.dialSuffix, "0");
    EXPECT_EQ(s.initString, "ATM0");
    // ... the ones after it are not, and the file is untouched.
    EXPECT_EQ(s.dialAttempts, 3);
    EXPECT_EQ(s.comPort, 0);
    EXPECT_EQ(s.faxClass, 1);
    EXPECT_EQ(readIni(), before);

    // A bad wait stops one step later, with the attempts already taken.
    auto again = makeModel();
    again->dialAttempts = " 4";
    again->retryWait = "60s";
    msgs.answer(true);
    EXPECT_EQ(again->finish(), PreferencesModel::FinishResult::Stopped);
    EXPECT_EQ(msgs.last().text, "'60s' is not a valid integer value");
    EXPECT_EQ(s.dialAttempts, 4);
    EXPECT_EQ(s.retryWait, 60);
    EXPECT_EQ(readIni(), before);

    for (const char *bad : {"", "+", "0x", "1 2", "99999999999"}) {
        auto m2 = makeModel();
        m2->dialAttempts = bad;
        msgs.answer(true);
        EXPECT_EQ(m2->finish(), PreferencesModel::FinishResult::Stopped) << bad;
    }
    for (const char *good : {"$10", "0x10", "-1", "+16"}) {
        auto m2 = makeModel();
        m2->dialAttempts = good;
        msgs.answer(true);
        EXPECT_EQ(m2->finish(), PreferencesModel::FinishResult::Saved) << good;
    }
    EXPECT_EQ(s.dialAttempts, 16);
}

TEST_F(PreferencesTest, CheckFaxClassOffersTheRecommendationOnItsOwnPage)
{
    auto m = makeModel();
    m->comPortIndex = 2;
    std::vector<ClassCheckRequest> requests;
    m->classCheckRunner = [&](const ClassCheckRequest &r) {
        requests.push_back(r);
        return ClassCheckOutcome{0, "Class 1"};
    };
    m->faxClass = 2;
    m->faxClassReceive = 2;
    msgs.answer(true);
    m->checkFaxClass(false);
    EXPECT_EQ(m->faxClass, 1);
    EXPECT_EQ(m->faxClassReceive, 2);
    EXPECT_EQ(msgs.last().text, "Set fax class as Class 1 ?");
    EXPECT_EQ(msgs.last().caption, "Fax Class");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].portNumber, 3);
    EXPECT_FALSE(requests[0].telephony);

    msgs.answer(false);
    m->checkFaxClass(true);
    EXPECT_EQ(m->faxClassReceive, 2);
    msgs.answer(true);
    m->checkFaxClass(true);
    EXPECT_EQ(m->faxClassReceive, 1);

    // Nothing to offer when the class is already chosen or none was found.
    const size_t asked = msgs.count(ScriptedMessages::Kind::Question);
    m->checkFaxClass(false);
    m->classCheckRunner = [](const ClassCheckRequest &) { return ClassCheckOutcome{}; };
    m->checkFaxClass(false);
    EXPECT_EQ(msgs.count(ScriptedMessages::Kind::Question), asked);

    // The telephony radio hands over the device and its name.
    m->chooseTapi(true);
    m->deviceIndex = 1;
    m->classCheckRunner = [&](const ClassCheckRequest &r) {
        requests.push_back(r);
        return ClassCheckOutcome{};
    };
    m->checkFaxClass(false);
    EXPECT_TRUE(requests.back().telephony);
    EXPECT_EQ(requests.back().deviceName, "COM3");
    EXPECT_EQ(requests.back().device, &device);
}

TEST_F(PreferencesTest, InitStringHelpOffersTheHangUpOptionOnlyForSending)
{
    auto m = makeModel();
    m->modemInit = "ATX";
    m->modemInitReceive = "ATY";
    std::vector<std::pair<std::string, bool>> helped;
    m->initStringRunner = [&](const std::string &current, bool offered) {
        helped.push_back({current, offered});
        return current + "!";
    };
    m->initStringHelp(false);
    m->initStringHelp(true);
    EXPECT_EQ(helped, (std::vector<std::pair<std::string, bool>>{{"ATX", true}, {"ATY", false}}));
    EXPECT_EQ(m->modemInit, "ATX!");
    EXPECT_EQ(m->modemInitReceive, "ATY!");
}

TEST_F(PreferencesTest, WaveFileChoiceTakesNamesContainingDotWav)
{
    auto m = makeModel();
    std::string offeredPreset, offeredDir;
    std::optional<std::string> answer;
    m->fileChooser = [&](const std::string &dir, const std::string &preset, const std::string &filter) {
        offeredDir = dir;
        offeredPreset = preset;
        EXPECT_EQ(filter, "WAVE files|*.wav");
        return answer;
    };
    m->waveFile = data + "missing.wav";
    answer = "/music/song.mp3";
    m->chooseWave();
    EXPECT_EQ(m->waveFile, data + "missing.wav");
    EXPECT_EQ(offeredDir, data);
    EXPECT_EQ(offeredPreset, "");  // only an existing file is preset
    answer = "/sounds/tone.wav.bak";
    m->chooseWave();
    EXPECT_EQ(m->waveFile, "/sounds/tone.wav.bak");
    answer = std::nullopt;
    m->chooseWave();
    EXPECT_EQ(m->waveFile, "/sounds/tone.wav.bak");

    std::vector<std::string> played;
    m->soundPlayer = [&](const std::string &f) { played.push_back(f); };
    m->playWave();
    EXPECT_TRUE(played.empty());
    std::ofstream(data + "ring.WAV") << "RIFF";
    m->waveFile = data + "ring.WAV";
    m->playWave();
    m->chooseWave();
    EXPECT_EQ(offeredPreset, data + "ring.WAV");
    EXPECT_EQ(played, std::vector<std::string>{data + "ring.WAV"});
    m->noWave();
    EXPECT_EQ(m->waveFile, "");
}

TEST_F(PreferencesTest, WindowGoesThroughEveryPageAndFinishesOnTheLast)
{
    settings().load(data + "QLN.INI");  // a first start: no file
    ASSERT_TRUE(settings().noModem);
    std::vector<int> topics;
    SetHelpOpener([&](int t) {
        topics.push_back(t);
        return true;
    });
    TPreferences w(settings(), {"Office"});
    w.show();
    auto *label = w.findChild<QLabel *>("PageLabel");
    auto *combo = w.findChild<QComboBox *>("PageCombo");
    for (int page = 0; page < 9; ++page) {
        EXPECT_EQ(w.pages()->currentIndex(), page);
        EXPECT_EQ(label->text().toStdString(), prefs::kPageTitles[size_t(page)]);
        EXPECT_EQ(combo->currentIndex(), page);
        EXPECT_EQ(w.button("BackButton")->isEnabled(), page > 0);
        EXPECT_EQ(w.button("NextButton")->isEnabled(), page < 8);
        EXPECT_EQ(w.button("FinishButton")->isEnabled(), page == 8);
        w.button("HelpButton")->click();
        w.button("NextButton")->click();
    }
    EXPECT_EQ(topics, (std::vector<int>{1022, 3501, 3502, 3502, 3502, 3503, 3503, 3503}));
    w.button("BackButton")->click();
    EXPECT_EQ(w.pages()->currentIndex(), 7);
    combo->setCurrentIndex(8);
    emit combo->activated(8);
    EXPECT_EQ(w.pages()->currentIndex(), 8);

    msgs.answers({false, true});
    w.button("FinishButton")->click();
    EXPECT_TRUE(w.isVisible());  // "No" stays
    w.button("FinishButton")->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.saved());
    // On a first start the wizard chooses no port for the user: none stored,
    // so the next start still knows that no modem is set up.
    EXPECT_EQ(iniValue("Modem", "ComPort"), "-1");
    EXPECT_FALSE(settings().noModem);  // cleared for this run all the same
    SetHelpOpener(nullptr);
}

TEST_F(PreferencesTest, WindowCancelWritesNothingButTheNoModemFlagStaysCleared)
{
    settings().load(data + "QLN.INI");
    ASSERT_TRUE(settings().noModem);
    TPreferences w(settings(), {});
    w.show();
    w.findChild<QLineEdit *>("Name")->setText("Typed");
    EXPECT_EQ(w.model().name, "Typed");
    w.button("CancelButton")->click();
    EXPECT_FALSE(w.saved());
    EXPECT_FALSE(settings().noModem);
    EXPECT_EQ(settings().userName, "");
    EXPECT_FALSE(std::ifstream(data + "QLN.INI").good());
}
