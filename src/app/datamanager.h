// The clean-up window "Fax Log Cleanup Utility": the outgoing and received
// faxes in two tabs, each in a read-only grid whose first column shows
// "Deleted?", an "Actions" menu (also the grids' pop-up "Delete") that
// deletes the current fax or groups of faxes, and Help and Close.
//
// The window collects the user's choices and shows the state; every
// decision and delete runs in CleanupActions. It works on the main
// window's own outgoing and received tables, given to it before it is
// shown. The caller reads changesMade() afterwards and rebuilds the indexes
// when it is true. Modal, created for one use; user-interface thread only.
#pragma once

#include "app/cleanupactions.h"

#include <QDialog>

#include <memory>

class QAction;
class QMenu;
class QMenuBar;
class QPushButton;
class QTabWidget;
class QTableView;

namespace qln {

class CleanupListSource;
class FaxListModel;

class TDMForm : public QDialog {
    Q_OBJECT
public:
    explicit TDMForm(records::FaxTables &tables, QWidget *parent = nullptr);
    ~TDMForm() override;

    CleanupActions &actions() { return *actions_; }
    bool changesMade() const { return actions_->changesMade(); }

    QTabWidget *pages() const { return Pages; }
    QTableView *grid(records::FaxLog log) const;
    FaxListModel *model(records::FaxLog log) const;
    QMenu *actionsMenu() const { return ActionsMenu; }
    QMenu *popupMenu(records::FaxLog log) const;
    // Menu items by object name (e.g. "mnuDeleteCurrent").
    QAction *action(const char *objectName) const;

    // Makes a row of the active grid current, as a click on it does.
    void selectRow(int row);

public slots:
    void mnuDeleteCurrentClick();
    void mnuDeleteBeforeDateClick();
    void mnuDeleteSentClick();
    void mnuDeleteNotSentClick();
    void mnuDeleteConditionsClick();
    void mnuDeleteAllClick();
    void UpdateMenus();
    void HelpButtonClick();

protected:
    bool event(QEvent *e) override;
    void done(int result) override;

private:
    void FormActivate();
    QTableView *makeGrid(const char *name, FaxListModel *model);
    void syncCurrentRow(records::FaxLog log);
    void showCurrentRow(records::FaxLog log);
    void afterDelete();
    records::FaxLog activeLog() const;

    std::unique_ptr<CleanupActions> actions_;
    std::unique_ptr<CleanupListSource> outgoingSource_, incomingSource_;
    FaxListModel *outgoingModel_ = nullptr, *incomingModel_ = nullptr;

    QMenuBar *MenuBar = nullptr;
    QMenu *ActionsMenu = nullptr;
    QMenu *OutgoingPopup = nullptr, *IncomingPopup = nullptr;
    QTabWidget *Pages = nullptr;
    QTableView *OutgoingGrid = nullptr, *IncomingGrid = nullptr;
    QPushButton *HelpButton = nullptr, *CloseButton = nullptr;
    QAction *mnuDeleteCurrent = nullptr, *mnuDeleteBeforeDate = nullptr, *mnuDeleteSent = nullptr,
            *mnuDeleteNotSent = nullptr, *mnuDeleteConditions = nullptr, *mnuDeleteAll = nullptr;
};

}  // namespace qln
