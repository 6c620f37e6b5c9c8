// The modem set-up windows of the main window: the preferences wizard and
// the quick set-up, with the hooks their tools rely on (the [Ports] mapping
// and help pages).
#include "app/helppages.h"
#include "app/mainscreen.h"

#include "common/settings.h"
#include "sessions/modemhelpers.h"
#include "sessions/preferenceswindow.h"
#include "sessions/quicksetupwindow.h"

namespace qln {

namespace {

void installSetupHooks()
{
    InstallPortMapping(settings());
    SetHelpOpener([](int topic) { return HelpPages::open(topic); });
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
