// The modem set-up windows of the main window: the preferences wizard and
// the quick set-up, with the hooks they rely on (the [Ports] mapping, the
// port and modem device choosers, help pages, and stopping the virtual
// modem's line when the program quits).
#include "app/helppages.h"
#include "app/mainscreen.h"

#include "common/settings.h"
#include "sessions/modemdeviceselect.h"
#include "sessions/modemhelpers.h"
#include "sessions/modemhelpersportchooser.h"
#include "sessions/preferenceswindow.h"
#include "sessions/quicksetupwindow.h"
#include "telephony/virtualline.h"

#include <QCoreApplication>

namespace qln {

namespace {

void installSetupHooks()
{
    InstallPortMapping(settings());
    static bool once = false;
    if (once)
        return;
    once = true;
    InstallPortChooserDialog();
    InstallDeviceSelectionDialog();
    SetHelpOpener([](int topic) { return HelpPages::open(topic); });
    if (auto *app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, [] { VirtualLine::stopAll(); });
}

}  // namespace

void TMainScreen::runPreferences()
{
    installSetupHooks();
    TPreferences::run(this);
}

bool TMainScreen::runQuickSetup()
{
    installSetupHooks();
    return TQuickSetupForm::run(this);
}

}  // namespace qln
