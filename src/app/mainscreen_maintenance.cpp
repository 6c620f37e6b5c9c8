// Fax log maintenance from the main window: the index rebuild with its
// progress window (menu, first activation, after a clean-up that deleted
// something) and the clean-up window.
#include "app/mainscreen.h"

#include "app/centring.h"
#include "app/datamanager.h"
#include "app/faxlistmodel.h"
#include "app/rebuildindexes.h"
#include "common/messages.h"

#include <QTableView>

namespace qln {

void TMainScreen::runRebuildIndexesWindow()
{
    if (closing_)
        return;
    // The grids must not read the tables while their rows move.
    FaxGrid->setUpdatesEnabled(false);
    RecFaxGrid->setUpdatesEnabled(false);
    TRebuildInd window(
        [this](const TRebuildInd::Progress &progress) {
            // A close request may have shut the tables meanwhile.
            return !closing_ && tables_->rebuildIndexes(progress);
        },
        this);
    centreOverMainWindow(window, this);
    window.exec();
    // Record numbers changed with the pack: start both lists on their first
    // rows.
    for (FaxList list : {FaxList::Outgoing, FaxList::Incoming}) {
        FaxListModel *model = list == FaxList::Outgoing ? faxModel_ : recModel_;
        model->reload();
        if (!closing_ && model->rowCount() > 0)
            tables_->goToRecord(list, model->recordNumberAt(0));
    }
    FaxGrid->setUpdatesEnabled(true);
    RecFaxGrid->setUpdatesEnabled(true);
    if (!closing_) {
        refreshList(FaxList::Outgoing);
        refreshList(FaxList::Incoming);
        if (!window.succeeded())
            messages().information("Unable to rebuild the indexes of the fax tables.");
    }
}

void TMainScreen::runFaxLogCleanup()
{
    records::FaxTables *tables = tables_->engineTables();
    if (!tables) {
        notAvailable(QStringLiteral("Fax Log Cleanup"));
        return;
    }
    bool changes = false;
    {
        TDMForm window(*tables, this);
        centreOverMainWindow(window, this);
        window.exec();
        changes = window.changesMade();
    }
    refreshList(FaxList::Outgoing);
    refreshList(FaxList::Incoming);
    if (changes)
        mnuRebuildIndexesClick();
}

}  // namespace qln
