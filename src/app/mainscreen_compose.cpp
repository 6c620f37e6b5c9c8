// The main window's composition commands: the fax editor for New, Clone and
// Edit on the outgoing list, the cover sheet template library and the
// phone book. The decisions are the compose engine objects'; this file
// only opens the windows over the window's tables.
#include "app/mainscreen.h"

#include "app/faxlistmodel.h"
#include "app/helppages.h"
#include "app/recordsfaxtables.h"
#include "common/messages.h"
#include "compose/composehelp.h"
#include "compose/coverbrowse.h"
#include "compose/coverlibrary.h"
#include "compose/faxcomposer.h"
#include "compose/faxeditor.h"
#include "compose/modal.h"
#include "compose/phonebook.h"
#include "compose/phonebooklogic.h"
#include "common/datadir.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

namespace qln {

namespace {

void useProgramHelp()
{
    compose::setHelpOpener([](int context) { HelpPages::open(context); });
}

}  // namespace

bool TMainScreen::runFaxEditor(bool clone, bool editExisting)
{
    records::FaxTables *binding = bindingOf(*tables_);
    if (!binding || !tables_->isOpen(FaxList::Outgoing)) {
        messages().information(texts::kFaxTableFailed);
        return false;
    }
    useProgramHelp();
    const compose::FaxEditMode mode = editExisting ? compose::FaxEditMode::Edit
                                      : clone      ? compose::FaxEditMode::Clone
                                                   : compose::FaxEditMode::New;
    if (mode != compose::FaxEditMode::New)
        syncCurrentRow(FaxList::Outgoing);
    compose::FaxComposer composer(*binding);
    compose::TFaxEditor editor(composer, *binding, this);
    const bool stored = composer.edit(mode, editor);
    if (stored)
        refreshList(FaxList::Outgoing);
    return stored;
}

bool TMainScreen::takePrintedFax(long recno, const QString &dataDir)
{
    const QString mine = QFileInfo(QString::fromStdString(dataDirectory())).canonicalFilePath();
    if (mine.isEmpty() || QFileInfo(dataDir).canonicalFilePath() != mine)
        return false;
    if (tables_->isOpen(FaxList::Outgoing))
        refreshList(FaxList::Outgoing);
    if (receiveMode_ || QApplication::activeModalWidget() || !tables_->isOpen(FaxList::Outgoing))
        return false;
    const int row = faxModel_->rowOfRecord(recno);
    if (row < 0)
        return false;
    // The asker gets its answer before the editor's own event loop runs.
    QTimer::singleShot(0, this, [this, recno] {
        const int at = faxModel_->rowOfRecord(recno);
        if (at < 0 || receiveMode_ || QApplication::activeModalWidget())
            return;
        restoreFromSecondCopy();
        BrowsePages->setCurrentIndex(0);
        selectRow(FaxList::Outgoing, at);
        runFaxEditor(false, true);
        SetButtons();
    });
    return true;
}

void TMainScreen::runCoverSheets()
{
    records::FaxTables *binding = bindingOf(*tables_);
    if (!binding || !binding->OpenCoverDBF()) {
        messages().information(compose::texts::kCoverTableFailed);
        return;
    }
    useProgramHelp();
    {
        compose::CoverLibrary library(*binding);
        compose::TCoverBrowse browser(library, this);
        browser.setPickMode(false);
        compose::runModal(browser);
    }
    binding->CoverTable.Close();
}

void TMainScreen::runPhoneBook()
{
    records::FaxTables *binding = bindingOf(*tables_);
    if (!binding)
        return;
    compose::PhoneBookLogic book(*binding);
    if (!book.open())
        return;
    useProgramHelp();
    compose::TPhoneBook browser(book, this);
    browser.setPickMode(false);
    compose::runModal(browser);
}

}  // namespace qln
