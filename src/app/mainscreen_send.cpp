// The main window's Send command after its checks: the current outgoing
// fax is rendered into one APF file (CreateFaxFile, mainscreen_render.cpp),
// the send window runs
// over it, and when that window has closed its dial choices are kept in the
// settings, the file is deleted and the outcome is written into the record.
// The decisions are the engine objects' (SendFaxJob, CompleteSend);
// this file wires them to the window.
#include "app/mainscreen.h"

#include "app/commandrules.h"
#include "app/recordsfaxtables.h"
#include "common/datadir.h"
#include "common/messages.h"
#include "common/settings.h"
#include "compose/modal.h"
#include "sessions/modemhelpers.h"
#include "sessions/sendfaxform.h"
#include "sessions/sendoutcome.h"

#include <QApplication>
#include <QLabel>
#include <QToolBar>

namespace qln {

namespace {

constexpr const char *kPreparing = "Preparing files for sending...";
constexpr const char *kErrorCreatingFaxFile = "Error creating fax file";

// The hourglass for the length of a command step.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { restore(); }
    void restore()
    {
        if (on_) {
            QApplication::restoreOverrideCursor();
            on_ = false;
        }
    }

private:
    bool on_ = true;
};

}  // namespace

void TMainScreen::runSendFax()
{
    records::FaxTables *binding = bindingOf(*tables_);
    if (!binding || !tables_->isOpen(FaxList::Outgoing)) {
        messages().information(texts::kFaxTableFailed);
        return;
    }
    WaitCursor cursor;
    setStatusText(QString::fromLatin1(kPreparing));
    QCoreApplication::processEvents();

    std::string faxFile;
    try {
        faxFile = CreateFaxFile();
    } catch (const std::exception &e) {
        cursor.restore();
        setStatusText(QString());
        messages().errorBox(e.what());
        return;
    }
    if (faxFile.empty()) {
        cursor.restore();
        messages().information(kErrorCreatingFaxFile);
        setStatusText(QString());
        return;
    }

    records::TTable &faxTable = binding->FaxTable;
    Settings &s = settings();
    InstallPortMapping(s);
    SendOutcome outcome;
    {
        TSendFaxForm form(s, faxFile, dataDirectory(), this);
        form.setRecipient(QString::fromStdString(faxTable.GetString("RECIPIENT")));
        form.setSubject(QString::fromStdString(faxTable.GetString("SUBJECT")));
        form.setPhoneNumber(QString::fromStdString(faxTable.GetString("PHONE")));
        form.setDialPrefix(QString::fromStdString(s.dialPrefix));
        form.setDialSuffix(QString::fromStdString(s.dialSuffix));
        form.setPrefixDisabled(s.prefixDisable);
        form.setSuffixDisabled(s.suffixDisable);
        form.adjustSize();
        form.move(geometry().center() - form.rect().center());
        setStatusText(QString());
        cursor.restore();
        QCoreApplication::processEvents();
        compose::runModal(form);

        ButtonBar->setEnabled(true);
        const SendFaxInputs edits = form.inputs();
        outcome = SendOutcome::of(form.job(), edits.phoneNumber);
        s.dialPrefix = edits.dialPrefix;
        s.dialSuffix = edits.dialSuffix;
        s.prefixDisable = edits.disablePrefix;
        s.suffixDisable = edits.disableSuffix;
        saveSettings();
    }
    try {
        CompleteSend(faxTable, pagesOfLastRendering_, outcome, faxFile);
    } catch (const std::exception &e) {
        messages().errorBox(e.what());
    }
    if (outcome.attempted)
        refreshList(FaxList::Outgoing);
    setStatusText(QString());
}

}  // namespace qln
