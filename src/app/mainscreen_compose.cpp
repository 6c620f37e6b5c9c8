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
#include "compose/printedfax.h"
#include "common/datadir.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>

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

bool TMainScreen::takePrintedFax(const QStringList &fields)
{
    if (fields.size() != 5)
        return false;
    const QString mine = QFileInfo(QString::fromStdString(dataDirectory())).canonicalFilePath();
    if (mine.isEmpty() || QFileInfo(fields[0]).canonicalFilePath() != mine)
        return false;
    // Only the queue's own copy in this data directory is taken (and later
    // removed); never a file elsewhere.
    const QFileInfo document(fields[1]);
    if (!document.isFile() || document.canonicalPath() != mine ||
        !document.fileName().startsWith(QLatin1String("_PRINTJOB_")))
        return false;
    pendingPrints_.push_back({document.canonicalFilePath().toStdString(), fields[2].toStdString(),
                              fields[3].toStdString(), fields[4].toStdString()});
    if (!printTimer_) {
        printTimer_ = new QTimer(this);
        printTimer_->setInterval(300);
        connect(printTimer_, &QTimer::timeout, this, &TMainScreen::storePrintedFaxes);
    }
    printTimer_->start();
    return true;
}

// Stores the printed documents once no other window is open: a modal editor
// works on the outgoing table's current row, which a new row would move.
void TMainScreen::storePrintedFaxes()
{
    records::FaxTables *binding = bindingOf(*tables_);
    if (QApplication::activeModalWidget() || !binding || !tables_->isOpen(FaxList::Outgoing))
        return;
    printTimer_->stop();
    const std::vector<PendingPrint> pending = std::move(pendingPrints_);
    pendingPrints_.clear();
    long last = 0;
    for (const PendingPrint &p : pending) {
        compose::PrintedFax fax{p.recipient, p.phone, p.subject, p.document};
        std::string problem;
        const long recno = compose::storePrintedFax(*binding, fax, &problem);
        std::remove(p.document.c_str());
        if (recno == 0)
            messages().information("The printed document \"" + p.subject + "\" could not be stored as a fax.");
        else
            last = recno;
    }
    refreshList(FaxList::Outgoing);
    if (last == 0)
        return;
    restoreFromSecondCopy();
    const int row = faxModel_->rowOfRecord(last);
    if (receiveMode_ || row < 0) {
        SetButtons();
        return;
    }
    BrowsePages->setCurrentIndex(0);
    selectRow(FaxList::Outgoing, row);
    runFaxEditor(false, true);
    SetButtons();
    if (!pendingPrints_.empty())
        printTimer_->start();
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
