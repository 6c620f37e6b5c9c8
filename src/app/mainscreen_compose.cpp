// The main window's composition commands: the fax editor for New, Clone and
// Edit on the outgoing list, the cover sheet template library and the
// phone book. They need the rich-text control, which is not part of this
// build yet; until it is, each says so.
#include "app/mainscreen.h"

namespace qln {

bool TMainScreen::runFaxEditor(bool clone, bool editExisting)
{
    notAvailable(clone ? QStringLiteral("Clone Fax")
                       : editExisting ? QStringLiteral("Edit Fax") : QStringLiteral("New Fax"));
    return false;
}

void TMainScreen::runCoverSheets() { notAvailable(QStringLiteral("Cover Sheets")); }
void TMainScreen::runPhoneBook() { notAvailable(QStringLiteral("Phone Book")); }

}  // namespace qln
