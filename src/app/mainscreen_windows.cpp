// Hand-over from the main window's commands to the windows of other parts of
// the program. Each member is the one place a window is started from; until
// that window exists in this build, the member says so.
#include "app/mainscreen.h"

#include "common/messages.h"

namespace qln {

void TMainScreen::notAvailable(const QString &function)
{
    messages().information(function.toStdString() + ": " + texts::kNotAvailable);
}

// ---- Commands of other windows -----------------------------------------------

void TMainScreen::runConfigurationReport()
{
    notAvailable(QStringLiteral("Configuration Information"));
}

}  // namespace qln
