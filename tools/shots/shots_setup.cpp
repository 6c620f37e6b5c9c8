// Screenshots of the modem set-up windows: every page of the preferences
// wizard, the quick set-up, find modem and the fax class check (both against
// a virtual fax line's modems), the initialisation string helper and the
// modem device selection.
#include "shots.h"

#include "common/datadir.h"
#include "common/settings.h"
#include "comms/comport.h"
#include "fax/faxsendfax.h"
#include "sessions/faxclasscheckwindow.h"
#include "sessions/findmodemwindow.h"
#include "sessions/initstringhelperwindow.h"
#include "sessions/modemchoice.h"
#include "sessions/modemdeviceselect.h"
#include "sessions/preferenceswindow.h"
#include "sessions/quicksetupwindow.h"
#include "telephony/modemdevices.h"
#include "telephony/virtualline.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTimer>

#include <stdexcept>

namespace {

void useDataDir(ShotContext &ctx, const char *ini)
{
    qln::setDataDirectoryOverride(ctx.dataDir.toStdString());
    QFile f(ctx.dataDir + "/QLN.INI");
    if (f.open(QIODevice::WriteOnly))
        f.write(ini);
    f.close();
    qln::settings().load(qln::settingsPath());
    const std::string data = ctx.dataDir.toStdString();
    qln::SetDeviceSourcesProvider([data] {
        qln::DeviceSources s;
        s.byIdDir = "/nonexistent";
        s.comPorts = {{3, "/dev/ttyUSB0"}};
        s.virtualLineDir = data + "/vline";
        return s;
    });
}

void waitFor(const std::function<bool()> &done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// A virtual line with modems of class 1, 1, 2 and 2.0 in the shot's data
// directory, for the windows that talk to modems.
qln::VirtualLine &startLine(ShotContext &ctx)
{
    auto &line = qln::VirtualLine::forDirectory(ctx.dataDir.toStdString() + "/line");
    std::string error;
    if (!line.ensureRunning(error))
        throw std::runtime_error("virtual line: " + error);
    return line;
}

void wizardPage(ShotContext &ctx, int page)
{
    useDataDir(ctx, "[Modem]\nComPort=1\n[User]\nName=Ann Smith\nFax=+1 555 0100\n");
    qln::TPreferences wizard(qln::settings(), {"Office LaserJet", "Lab Printer"});
    for (int i = 0; i < page; ++i)
        wizard.button("NextButton")->click();
    ctx.save(wizard, QString("setup-wizard-%1").arg(page));
}

const QlnShot wizard0{"setup-wizard-0", "preferences wizard: Wizard Information", [](ShotContext &c) { wizardPage(c, 0); }};
const QlnShot wizard1{"setup-wizard-1", "preferences wizard: Modem and Communications Port", [](ShotContext &c) { wizardPage(c, 1); }};
const QlnShot wizard2{"setup-wizard-2", "preferences wizard: Sending Faxes - Part 1", [](ShotContext &c) { wizardPage(c, 2); }};
const QlnShot wizard3{"setup-wizard-3", "preferences wizard: Sending Faxes - Part 2", [](ShotContext &c) { wizardPage(c, 3); }};
const QlnShot wizard4{"setup-wizard-4", "preferences wizard: Sending Faxes - Part 3", [](ShotContext &c) { wizardPage(c, 4); }};
const QlnShot wizard5{"setup-wizard-5", "preferences wizard: Receiving Faxes - Part 1", [](ShotContext &c) { wizardPage(c, 5); }};
const QlnShot wizard6{"setup-wizard-6", "preferences wizard: Receiving Faxes - Part 2", [](ShotContext &c) { wizardPage(c, 6); }};
const QlnShot wizard7{"setup-wizard-7", "preferences wizard: Receiving Faxes - Part 3", [](ShotContext &c) { wizardPage(c, 7); }};
const QlnShot wizard8{"setup-wizard-8", "preferences wizard: Advanced", [](ShotContext &c) { wizardPage(c, 8); }};

const QlnShot quick{"setup-quick", "quick set-up on a first start", [](ShotContext &ctx) {
                        useDataDir(ctx, "");
                        qln::TQuickSetupForm form(qln::settings());
                        ctx.save(form, "setup-quick");
                    }};

const QlnShot findModem{"setup-findmodem", "find modem with modems on COM2 and COM4", [](ShotContext &ctx) {
                            useDataDir(ctx, "");
                            auto &line = startLine(ctx);
                            const std::string missing = ctx.dataDir.toStdString() + "/none";
                            std::map<int, std::string> ports = {{1, missing}, {2, line.modemPath(1)}, {3, missing},
                                                                {4, line.modemPath(2)}, {5, missing}, {6, missing}};
                            qln::TApdComPort::SetPortMapper([ports](int n) { return ports.at(n); });
                            qln::TApdComPort port;
                            qln::PrepareSetupPort(port);
                            qln::TFindModemForm form(port);
                            form.show();
                            waitFor([&] { return form.done(); });
                            ctx.save(form, "setup-findmodem");
                            qln::TApdComPort::SetPortMapper(nullptr);
                            line.stop();
                        }};

const QlnShot faxClass{"setup-faxclass", "fax class check of a Class 2.0 modem", [](ShotContext &ctx) {
                           useDataDir(ctx, "");
                           auto &line = startLine(ctx);
                           qln::TApdComPort port;
                           qln::PrepareSetupPort(port);
                           port.SetDevicePath(line.modemPath(4));
                           qln::fax::TApdSendFax fax;
                           qln::TCheckFaxClassForm form(port, fax, qln::ClassCheckRequest{});
                           form.show();
                           waitFor([&] { return form.done(); });
                           ctx.save(form, "setup-faxclass");
                           line.stop();
                       }};

const QlnShot initString{"setup-initstring", "modem initialization string helper", [](ShotContext &ctx) {
                             qln::TModemInitStringHelperForm form("AT&H3&I2&R2S7=120S36=8", true);
                             ctx.save(form, "setup-initstring");
                         }};

const QlnShot deviceSelect{"setup-deviceselect", "modem device selection", [](ShotContext &ctx) {
                               qln::ChooseModemDevice(nullptr,
                                                      {"usb-USRobotics_USB_Modem-if00", "COM3",
                                                       qln::kVirtualModemName},
                                                      "usb-Zoom_56K_Faxmodem-if00", [&](QDialog &d) {
                                                          ctx.save(d, "setup-deviceselect");
                                                          QTimer::singleShot(0, &d, &QDialog::reject);
                                                      });
                           }};

} // namespace
