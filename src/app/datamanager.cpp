#include "app/datamanager.h"

#include "app/centring.h"
#include "app/cleanuplistsource.h"
#include "app/dmconditions.h"
#include "app/dmdatesel.h"
#include "app/faxlistmodel.h"
#include "app/helppages.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace qln {

using records::FaxLog;

TDMForm::TDMForm(records::FaxTables &tables, QWidget *parent)
    : QDialog(parent), actions_(std::make_unique<CleanupActions>(tables))
{
    setObjectName(QStringLiteral("DMForm"));
    setWindowTitle(QString::fromLatin1(cleanuptexts::kCaption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    resize(900, 440);

    outgoingSource_ = std::make_unique<CleanupListSource>(actions_->table(FaxLog::Outgoing), true);
    incomingSource_ = std::make_unique<CleanupListSource>(actions_->table(FaxLog::Received), false);
    outgoingModel_ = new FaxListModel(this);
    incomingModel_ = new FaxListModel(this);

    auto *layout = new QVBoxLayout(this);
    MenuBar = new QMenuBar(this);
    ActionsMenu = MenuBar->addMenu(QStringLiteral("&Actions"));
    ActionsMenu->setObjectName(QStringLiteral("ActionsMenu"));
    auto item = [this](const char *name, const QString &caption, void (TDMForm::*slot)()) {
        QAction *a = ActionsMenu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    mnuDeleteCurrent =
        item("mnuDeleteCurrent", QStringLiteral("Delete Current Fax"), &TDMForm::mnuDeleteCurrentClick);
    mnuDeleteCurrent->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    ActionsMenu->addSeparator();
    mnuDeleteBeforeDate = item("mnuDeleteBeforeDate", QStringLiteral("Delete All Before A Particular Date"),
                               &TDMForm::mnuDeleteBeforeDateClick);
    mnuDeleteSent =
        item("mnuDeleteSent", QStringLiteral("Delete All that Have Been Sent"), &TDMForm::mnuDeleteSentClick);
    mnuDeleteNotSent = item("mnuDeleteNotSent", QStringLiteral("Delete All That Have NOT Been Sent"),
                            &TDMForm::mnuDeleteNotSentClick);
    mnuDeleteConditions = item("mnuDeleteConditions", QStringLiteral("Delete All Faxes Meeting Certain Conditions..."),
                               &TDMForm::mnuDeleteConditionsClick);
    ActionsMenu->addSeparator();
    mnuDeleteAll = item("mnuDeleteAll", QStringLiteral("Delete All Faxes"), &TDMForm::mnuDeleteAllClick);
    layout->setMenuBar(MenuBar);

    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));
    OutgoingGrid = makeGrid("OutgoingGrid", outgoingModel_);
    IncomingGrid = makeGrid("IncomingGrid", incomingModel_);
    Pages->addTab(OutgoingGrid, QString::fromLatin1(cleanuptexts::kOutgoingTab));
    Pages->addTab(IncomingGrid, QString::fromLatin1(cleanuptexts::kIncomingTab));
    layout->addWidget(Pages, 1);

    OutgoingPopup = new QMenu(this);
    IncomingPopup = new QMenu(this);
    for (QMenu *popup : {OutgoingPopup, IncomingPopup}) {
        QAction *del = popup->addAction(QStringLiteral("Delete"));
        del->setObjectName(QStringLiteral("popDelete"));
        connect(del, &QAction::triggered, this, &TDMForm::mnuDeleteCurrentClick);
    }

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    HelpButton = new QPushButton(QStringLiteral("&Help"), this);
    HelpButton->setObjectName(QStringLiteral("HelpButton"));
    HelpButton->setAutoDefault(false);
    CloseButton = new QPushButton(QStringLiteral("&Close"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    buttons->addWidget(HelpButton);
    buttons->addWidget(CloseButton);
    layout->addLayout(buttons);

    connect(HelpButton, &QPushButton::clicked, this, &TDMForm::HelpButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(Pages, &QTabWidget::currentChanged, this, [this](int index) {
        actions_->setOutgoingTab(index == 0);
        UpdateMenus();
    });
    // A group delete shows the wait cursor and holds the grid's repaints.
    actions_->busy = [this](bool running) {
        grid(activeLog())->setUpdatesEnabled(!running);
        if (running)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
}

TDMForm::~TDMForm() = default;

QTableView *TDMForm::makeGrid(const char *name, FaxListModel *model)
{
    auto *g = new QTableView(this);
    g->setObjectName(QString::fromLatin1(name));
    g->setModel(model);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Cell selection, column and row lines, a row indicator.
    g->setSelectionBehavior(QAbstractItemView::SelectItems);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setShowGrid(true);
    g->setWordWrap(false);
    g->setTabKeyNavigation(false);
    g->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    g->horizontalHeader()->setHighlightSections(false);
    g->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    g->verticalHeader()->setDefaultSectionSize(g->fontMetrics().height() + 6);
    g->verticalHeader()->setFixedWidth(12);
    // Background in the system's tooltip colour.
    QPalette pal = g->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Base, pal.color(QPalette::Active, QPalette::ToolTipBase));
        pal.setColor(group, QPalette::Text, pal.color(QPalette::Active, QPalette::ToolTipText));
    }
    g->setPalette(pal);
    g->setContextMenuPolicy(Qt::CustomContextMenu);

    const FaxLog log = model == outgoingModel_ ? FaxLog::Outgoing : FaxLog::Received;
    connect(g, &QTableView::customContextMenuRequested, this, [this, g, log](const QPoint &pos) {
        // An enabled grid has the pop-up menu; a disabled one has none.
        if (g->isEnabled())
            popupMenu(log)->popup(g->viewport()->mapToGlobal(pos));
    });
    connect(g, &QTableView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.column() == 0)   // "Deleted?"
            mnuDeleteCurrentClick();
    });
    return g;
}

QTableView *TDMForm::grid(FaxLog log) const { return log == FaxLog::Outgoing ? OutgoingGrid : IncomingGrid; }

FaxListModel *TDMForm::model(FaxLog log) const
{
    return log == FaxLog::Outgoing ? outgoingModel_ : incomingModel_;
}

QMenu *TDMForm::popupMenu(FaxLog log) const { return log == FaxLog::Outgoing ? OutgoingPopup : IncomingPopup; }

QAction *TDMForm::action(const char *objectName) const
{
    return findChild<QAction *>(QString::fromLatin1(objectName));
}

FaxLog TDMForm::activeLog() const { return actions_->activeLog(); }

bool TDMForm::event(QEvent *e)
{
    // The first activation runs when the window is first shown, before the
    // user can reach any of its items.
    if (e->type() == QEvent::Show && actions_->firstActivationPending())
        FormActivate();
    return QDialog::event(e);
}

void TDMForm::FormActivate()
{
    actions_->activate();
    outgoingModel_->setSource(outgoingSource_.get());
    incomingModel_->setSource(incomingSource_.get());
    sizeColumnsToSource(OutgoingGrid);
    sizeColumnsToSource(IncomingGrid);
    connect(OutgoingGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { syncCurrentRow(FaxLog::Outgoing); });
    connect(IncomingGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { syncCurrentRow(FaxLog::Received); });
    {
        const QSignalBlocker block(Pages);
        Pages->setCurrentIndex(0);
    }
    showCurrentRow(FaxLog::Outgoing);
    showCurrentRow(FaxLog::Received);
    UpdateMenus();
}

void TDMForm::done(int result)
{
    actions_->close();
    QDialog::done(result);
}

// ---- rows -------------------------------------------------------------------

void TDMForm::syncCurrentRow(FaxLog log)
{
    const QModelIndex current = grid(log)->currentIndex();
    if (!current.isValid())
        return;
    const long recno = model(log)->recordNumberAt(current.row());
    if (recno > 0)
        actions_->table(log).GoTo(recno);
}

// Re-reads a grid and selects the table's current row; a table left past
// its last row shows (and moves to) its new last row.
void TDMForm::showCurrentRow(FaxLog log)
{
    QTableView *g = grid(log);
    FaxListModel *m = model(log);
    records::TTable &t = actions_->table(log);
    const QSignalBlocker block(g->selectionModel());
    m->reload();
    if (m->rowCount() == 0)
        return;
    try {
        int row = m->rowOfRecord(t.RecNo());
        if (row < 0)
            row = t.Eof() ? m->rowCount() - 1 : 0;
        const int column = std::max(0, g->currentIndex().column());
        g->setCurrentIndex(m->index(row, column));
        const long shown = m->recordNumberAt(row);
        if (shown > 0 && shown != t.RecNo())
            t.GoTo(shown);
    } catch (const std::exception &) {
        // The grid shows its first row; the table stays where it is.
    }
}

void TDMForm::selectRow(int row)
{
    QTableView *g = grid(activeLog());
    g->setCurrentIndex(g->model()->index(row, std::max(0, g->currentIndex().column())));
    syncCurrentRow(activeLog());
}

void TDMForm::afterDelete()
{
    showCurrentRow(activeLog());
    grid(activeLog())->setFocus();
    UpdateMenus();
}

// ---- menus ------------------------------------------------------------------

void TDMForm::UpdateMenus()
{
    const CleanupMenuState s = actions_->menuState();
    mnuDeleteSent->setVisible(s.sentItemsVisible);
    mnuDeleteNotSent->setVisible(s.sentItemsVisible);
    OutgoingGrid->setEnabled(s.outgoingGridEnabled);
    IncomingGrid->setEnabled(s.incomingGridEnabled);
    ActionsMenu->menuAction()->setEnabled(s.actionsEnabled);
    // The items follow the menu, so that Ctrl+X does nothing either.
    for (QAction *a : ActionsMenu->actions())
        if (!a->isSeparator())
            a->setEnabled(s.actionsEnabled);
    Pages->setTabText(0, QString::fromStdString(s.outgoingTabText));
    Pages->setTabText(1, QString::fromStdString(s.incomingTabText));
}

// ---- actions ----------------------------------------------------------------

void TDMForm::mnuDeleteCurrentClick()
{
    if (!grid(activeLog())->isEnabled())
        return;
    syncCurrentRow(activeLog());
    if (actions_->deleteCurrent() >= 0)
        afterDelete();
}

void TDMForm::mnuDeleteBeforeDateClick()
{
    TDateSelector selector(this);
    selector.setWindowTitle(QString::fromLatin1(cleanuptexts::kDateSelectorCaption));
    selector.setDate(QDate::currentDate());
    centreOverMainWindow(selector, this);
    if (selector.exec() != QDialog::Accepted)
        return;
    syncCurrentRow(activeLog());
    if (actions_->deleteBeforeDate(selector.date()) >= 0)
        afterDelete();
}

void TDMForm::mnuDeleteSentClick()
{
    syncCurrentRow(activeLog());
    if (actions_->deleteSent() >= 0)
        afterDelete();
}

void TDMForm::mnuDeleteNotSentClick()
{
    syncCurrentRow(activeLog());
    if (actions_->deleteNotSent() >= 0)
        afterDelete();
}

void TDMForm::mnuDeleteConditionsClick()
{
    syncCurrentRow(activeLog());
    TDeleteForConditions conditions(this);
    conditions.setup(actions_->conditionsSetup());
    conditions.setAcceptCheck([this](const std::string &text) { return actions_->acceptConditions(text); });
    centreOverMainWindow(conditions, this);
    if (conditions.exec() != QDialog::Accepted)
        return;
    actions_->deleteMatching(conditions.chosen(), conditions.text(), conditions.exact());
    afterDelete();
}

void TDMForm::mnuDeleteAllClick()
{
    syncCurrentRow(activeLog());
    if (actions_->deleteAll() >= 0)
        afterDelete();
}

void TDMForm::HelpButtonClick() { HelpPages::open(kCleanupHelpContext); }

}  // namespace qln
