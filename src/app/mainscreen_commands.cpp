// The commands of the main window's buttons and menus.
#include "app/mainscreen.h"

#include "app/aboutbox.h"
#include "app/editreceivenotes.h"
#include "app/faxlistmodel.h"
#include "app/desktopnotice.h"
#include "app/helppages.h"
#include "app/hintcontroller.h"
#include "common/datadir.h"
#include "common/messages.h"
#include "common/settings.h"
#include "records/receivedfile.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <QUrl>


namespace qln {

// ---- Enabling ----------------------------------------------------------------

void TMainScreen::SetButtons()
{
    MainViewState state;
    state.outgoingTabActive = outgoingTabActive();
    state.receiveMode = receiveMode_;
    for (FaxList list : {FaxList::Outgoing, FaxList::Incoming}) {
        bool empty = true;
        if (tables_->isOpen(list)) {
            empty = listIsEmpty(tables_->currentRecordNumber(list), tables_->rowCount(list));
            tables_->settleOrder(list, empty);
        }
        (list == FaxList::Outgoing ? state.outgoingEmpty : state.incomingEmpty) = empty;
    }
    enables_ = computeButtonEnables(state);
    FaxGrid->setEnabled(enables_.faxGrid);
    RecFaxGrid->setEnabled(enables_.recFaxGrid);
    actNew->setEnabled(enables_.newFax);
    mnuNew->setEnabled(enables_.newFax);
    mnuClone->setEnabled(enables_.clone);
    actSend->setEnabled(enables_.send);
    mnuSend->setEnabled(enables_.send);
    mnuReceive->setEnabled(enables_.receiveItem);
    for (QAction *a : {actEdit, mnuEdit})
        a->setEnabled(enables_.edit);
    for (QAction *a : {actDelete, mnuDelete})
        a->setEnabled(enables_.remove);
    for (QAction *a : {actView, mnuViewPrint})
        a->setEnabled(enables_.view);
    actPrint->setEnabled(enables_.print);
}

void TMainScreen::setReceiveMode(bool on)
{
    receiveMode_ = on;
    const ReceiveButtonText t = receiveButtonText(on);
    actReceive->setText(QString::fromStdString(t.caption));
    actReceive->setShortcut(QKeySequence::mnemonic(QString::fromStdString(t.caption)));
    actReceive->setToolTip(QString::fromStdString(t.hint));
    actReceive->setStatusTip(QString::fromStdString(t.hint));
    SetButtons();
}

// ---- Helpers -------------------------------------------------------------------

CommandContext TMainScreen::commandContext()
{
    CommandContext ctx;
    ctx.receiveMode = receiveMode_;
    ctx.outgoingTabActive = outgoingTabActive();
    ctx.outgoingQueryCount =
        tables_->isOpen(FaxList::Outgoing) ? tables_->queryCount(FaxList::Outgoing) : 0;
    ctx.incomingQueryCount =
        tables_->isOpen(FaxList::Incoming) ? tables_->queryCount(FaxList::Incoming) : 0;
    return ctx;
}

// Shows the refusal or beeps; true when the command may go on.
bool TMainScreen::carryOutGate(Gate gate)
{
    switch (gate) {
    case Gate::Proceed:
        return true;
    case Gate::RefuseReceiveMode:
        messages().information(texts::kReceiveModeRefusal);
        return false;
    case Gate::RefuseSendReceive:
        messages().information(texts::kSendInReceiveMode);
        return false;
    case Gate::RefuseSendWrongTab:
        messages().information(texts::kSendWrongTab);
        return false;
    case Gate::Beep:
        messages().beep();
        return false;
    }
    return false;
}

void TMainScreen::syncCurrentRow(FaxList list)
{
    QTableView *grid = list == FaxList::Outgoing ? FaxGrid : RecFaxGrid;
    FaxListModel *model = list == FaxList::Outgoing ? faxModel_ : recModel_;
    const QModelIndex current = grid->currentIndex();
    if (!current.isValid())
        return;
    const long recno = model->recordNumberAt(current.row());
    if (recno > 0)
        tables_->goToRecord(list, recno);
}

void TMainScreen::selectRow(FaxList list, int row)
{
    QTableView *grid = list == FaxList::Outgoing ? FaxGrid : RecFaxGrid;
    grid->selectRow(row);
    grid->setCurrentIndex(grid->model()->index(row, 0));
    syncCurrentRow(list);
}

// Re-reads a list after a change and keeps the table's current row selected.
void TMainScreen::refreshList(FaxList list)
{
    QTableView *grid = list == FaxList::Outgoing ? FaxGrid : RecFaxGrid;
    FaxListModel *model = list == FaxList::Outgoing ? faxModel_ : recModel_;
    const long recno = tables_->isOpen(list) ? tables_->currentRecordNumber(list) : 0;
    const QSignalBlocker block(grid->selectionModel());
    model->reload();
    int row = model->rowOfRecord(recno);
    if (row < 0 && model->rowCount() > 0)
        row = 0;
    if (row >= 0) {
        grid->selectRow(row);
        grid->setCurrentIndex(model->index(row, 0));
        const long shown = model->recordNumberAt(row);
        if (shown > 0 && shown != recno)
            tables_->goToRecord(list, shown);
    }
}

// ---- New, Clone, Edit --------------------------------------------------------

void TMainScreen::NewbuttonClick()
{
    if (receiveMode_) {
        // A refused Clone must not turn the next New into a clone.
        cloneRequested_ = false;
        messages().information(texts::kReceiveModeRefusal);
        return;
    }
    const bool clone = cloneRequested_;
    runFaxEditor(clone, false);
    cloneRequested_ = false;
    SetButtons();
}

void TMainScreen::mnuCloneClick()
{
    if (commandContext().outgoingQueryCount == 0) {
        messages().beep();
        return;
    }
    cloneRequested_ = true;
    NewbuttonClick();
}

void TMainScreen::EditButtonClick()
{
    if (!carryOutGate(gateCommand(MainCommand::Edit, commandContext())))
        return;
    if (outgoingTabActive())
        runFaxEditor(false, true);
    else
        EditReceivedFax();
    SetButtons();
}

void TMainScreen::EditReceivedFax()
{
    syncCurrentRow(FaxList::Incoming);
    const long recno = tables_->currentRecordNumber(FaxList::Incoming);
    TEditReceiveNotes notes(this);
    notes.setDescription(QString::fromStdString(
        notesDescription(tables_->field(FaxList::Incoming, "FROM"))));
    notes.setNotes(QString::fromStdString(tables_->field(FaxList::Incoming, "NOTES")));
    notes.adjustSize();
    notes.move(geometry().center() - notes.rect().center());
    if (notes.exec() != TEditReceiveNotes::kAccepted)
        return;
    if (recno > 0)
        tables_->goToRecord(FaxList::Incoming, recno);
    if (!tables_->setNotes(notes.notes().toStdString()))
        messages().information("Unable to save the notes of the received fax.");
    refreshList(FaxList::Incoming);
}

// ---- Delete ------------------------------------------------------------------

void TMainScreen::DeleteButtonClick()
{
    if (!carryOutGate(gateCommand(MainCommand::Delete, commandContext()))) {
        SetButtons();
        return;
    }
    const FaxList list = outgoingTabActive() ? FaxList::Outgoing : FaxList::Incoming;
    syncCurrentRow(list);
    if (list == FaxList::Outgoing) {
        const std::string q = deleteOutgoingQuestion(tables_->field(list, "SUBJECT"));
        if (messages().cautiousQuestion(q, texts::kDeleteCaption)) {
            if (!tables_->deleteCurrent(list))
                messages().information("Unable to delete the fax.");
            refreshList(list);
        }
    } else {
        const std::string q = deleteIncomingQuestion(tables_->field(list, "FROM"));
        if (messages().cautiousQuestion(q, texts::kDeleteCaption)) {
            const std::string faxFile = tables_->field(list, "FAXFILE");
            const bool deleted = tables_->deleteCurrent(list);
            refreshList(list);
            if (deleted)
                deleteReceivedFile(faxFile);
            else
                messages().information("Unable to delete the fax.");
        }
    }
    SetButtons();
}

// Removes a deleted received fax's image file. A FAXFILE that is not a plain
// name in the receive directory never leads to a deletion elsewhere. A file
// that is already gone is not an error.
void TMainScreen::deleteReceivedFile(const std::string &faxFile)
{
    std::string error;
    const auto outcome = records::RemoveReceivedFile(dataDirectory(), faxFile, error);
    if (outcome == records::ReceivedFileRemoval::Refused ||
        outcome == records::ReceivedFileRemoval::Failed)
        messages().information(error);
}

// ---- Send, Receive, View, Print ----------------------------------------------

void TMainScreen::SendButtonClick()
{
    const Gate gate = gateCommand(MainCommand::Send, commandContext());
    if (gate != Gate::Proceed && gate != Gate::Beep) {
        carryOutGate(gate);
        return;
    }
    if (settings().noModem && !runQuickSetup())
        return;
    if (!carryOutGate(gateCommand(MainCommand::Send, commandContext())))
        return;
    syncCurrentRow(FaxList::Outgoing);
    runSendFax();
    SetButtons();
}

void TMainScreen::ReceiveButtonClick()
{
    if (receiveMode_)
        stopReceiveMode();
    else
        runReceiveMode();
    SetButtons();
}

void TMainScreen::ViewButtonClick()
{
    if (!carryOutGate(gateCommand(MainCommand::View, commandContext())))
        return;
    syncCurrentRow(outgoingTabActive() ? FaxList::Outgoing : FaxList::Incoming);
    runFaxViewer(false);
}

void TMainScreen::PrintButtonClick()
{
    if (!carryOutGate(gateCommand(MainCommand::Print, commandContext())))
        return;
    syncCurrentRow(outgoingTabActive() ? FaxList::Outgoing : FaxList::Incoming);
    runFaxViewer(true);
}

// ---- Other windows and the help menu -----------------------------------------

void TMainScreen::mnuCoverSheetsClick()
{
    if (carryOutGate(gateCommand(MainCommand::CoverSheets, commandContext())))
        runCoverSheets();
}

void TMainScreen::mnuPhoneBookClick()
{
    if (carryOutGate(gateCommand(MainCommand::PhoneBook, commandContext())))
        runPhoneBook();
}

void TMainScreen::mnuPreferencesClick()
{
    if (carryOutGate(gateCommand(MainCommand::Preferences, commandContext())))
        runPreferences();
}

void TMainScreen::mnuRebuildIndexesClick()
{
    if (!carryOutGate(gateCommand(MainCommand::RebuildIndexes, commandContext())))
        return;
    runRebuildIndexesWindow();
    SetButtons();
}

void TMainScreen::mnuFaxLogCleanupClick()
{
    if (!carryOutGate(gateCommand(MainCommand::FaxLogCleanup, commandContext())))
        return;
    runFaxLogCleanup();
    SetButtons();
}

void TMainScreen::mnuConfigurationClick() { runConfigurationReport(); }

void TMainScreen::mnuWebsiteClick()
{
    if (carryOutGate(gateCommand(MainCommand::VisitWebsite, commandContext())))
        HelpPages::openUrl(QUrl(QString::fromLatin1(texts::kWebsiteUrl)));
}

void TMainScreen::mnuAboutClick()
{
    TSplashform about(this);
    about.move(geometry().center() - about.rect().center());
    about.exec();
}

void TMainScreen::mnuShowHintClick()
{
    // The action has already flipped its check mark.
    const bool on = mnuShowHint->isChecked();
    settings().hintsOn = on;
    saveSettings();
    hints_->setEnabled(on);
    setStatusText({});
}

void TMainScreen::openHelpTopic(int context) { HelpPages::open(context); }

void TMainScreen::restoreFromSecondCopy()
{
    if (isMinimized())
        showNormal();
    else
        show();
    raise();
    activateWindow();
}

void TMainScreen::faxReceived(const records::ReceivedFax &row)
{
    refreshList(FaxList::Incoming);
    SetButtons();
    playReceiveSound();
    notice_->show(receivedFaxNotice(row));
}

}  // namespace qln
