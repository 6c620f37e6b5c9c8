// The main window's set-up commands with their real windows: Preferences
// opens the wizard, and a first start without a modem leads through the
// quick set-up to the virtual modem, stored in QLN.INI.
#include "app/mainscreen.h"
#include "common/ini.h"
#include "sessions/modemchoicepanel.h"
#include "sessions/quicksetupwindow.h"
#include "telephony/modemdevices.h"
#include "windowfixture.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>

using namespace qln;
using namespace qln::testing;

namespace {

class MainScreenSetupTest : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        SetDeviceSourcesProvider([this] {
            DeviceSources s;
            s.byIdDir = "/nonexistent";
            s.virtualLineDir = data + "vline";
            return s;
        });
    }
    void TearDown() override
    {
        SetDeviceSourcesProvider(nullptr);
        WindowFixture::TearDown();
    }
    // Runs `act` on the modal window as soon as one is up.
    void whenModal(std::function<void(QWidget *)> act)
    {
        auto *timer = new QTimer;
        timer->setInterval(20);
        QObject::connect(timer, &QTimer::timeout, [timer, act] {
            if (QWidget *w = QApplication::activeModalWidget()) {
                timer->stop();
                timer->deleteLater();
                act(w);
            }
        });
        timer->start();
    }
};

}  // namespace

TEST_F(MainScreenSetupTest, PreferencesOpensTheWizard)
{
    writeIni();
    TMainScreen w;
    QSignalSpy done(&w, &TMainScreen::firstActivationDone);
    w.showForStart();
    ASSERT_TRUE(done.wait(5000));
    QString title;
    whenModal([&](QWidget *m) {
        title = m->windowTitle();
        static_cast<QDialog *>(m)->reject();
    });
    w.menuAction("mnuPreferences")->trigger();
    EXPECT_EQ(title, QStringLiteral("Preferences Wizard"));
    EXPECT_EQ(msgs.count(ScriptedMessages::Kind::Information), 0u);
}

TEST_F(MainScreenSetupTest, FirstStartWithoutModemLeadsThroughQuickSetupToTheVirtualModem)
{
    QString title;
    whenModal([&](QWidget *m) {
        title = m->windowTitle();
        auto *form = qobject_cast<TQuickSetupForm *>(m);
        ASSERT_NE(form, nullptr);
        form->nameEdit()->setText("Ann Smith");
        form->modemPanel()->UseTapiCheckbox->click();
        auto *devices = form->modemPanel()->TapiCombo;
        devices->setCurrentIndex(devices->findText(kVirtualModemName));
        form->okButton()->click();
    });
    TMainScreen w;
    QSignalSpy done(&w, &TMainScreen::firstActivationDone);
    w.showForStart();
    ASSERT_TRUE(done.wait(10000));
    EXPECT_EQ(title, QStringLiteral("Quick Setup"));
    EXPECT_FALSE(settings().noModem);
    EXPECT_TRUE(settings().useTAPI);
    EXPECT_EQ(settings().tapiDevice, kVirtualModemName);
    IniFile ini(data + "QLN.INI");
    EXPECT_EQ(ini.readString("Modem", "UseTAPI", ""), "1");
    EXPECT_EQ(ini.readString("Modem", "TAPIDevice", ""), kVirtualModemName);
    EXPECT_EQ(ini.readString("User", "Name", ""), "Ann Smith");

    // The next start has a modem and asks nothing.
    Settings next;
    next.load(data + "QLN.INI");
    EXPECT_FALSE(next.noModem);
}
