#include "app/mainscreen.h"

#include "app/desktopnotice.h"
#include "app/faxlistmodel.h"
#include "app/helppages.h"
#include "app/hintcontroller.h"
#include "app/recordsfaxtables.h"
#include "app/windowsizing.h"
#include "common/datadir.h"
#include "common/messages.h"
#include "common/settings.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace qln {

namespace {
constexpr int kClientWidth = 590;
constexpr int kClientHeight = 381;
constexpr int kButtonBarHeight = 47;
constexpr int kStatusLineHeight = 36;
}  // namespace

TMainScreen::TMainScreen(std::unique_ptr<FaxTablesAccess> tables, QWidget *parent)
    : QMainWindow(parent), tables_(std::move(tables))
{
    if (!tables_)
        tables_ = std::make_unique<RecordsFaxTables>(dataDirectory());
    setObjectName(QStringLiteral("MainScreen"));
    setWindowTitle(QString::fromLatin1(texts::kMainCaption));
    setFont(QFont(QStringLiteral("Arial"), 8));

    buildButtonBar();
    buildBrowseArea();
    buildMenus();

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar"));
    status->setFixedHeight(kStatusLineHeight);
    status->setSizeGripEnabled(true);
    StatusLine = new QLabel(status);
    StatusLine->setObjectName(QStringLiteral("StatusLine"));
    status->addWidget(StatusLine, 1);
    setStatusBar(status);

    notice_ = new DesktopNotice(this);
    FormCreate();
    resize(initialSize());
}

QSize TMainScreen::initialSize() const
{
    // The wider list decides; each shows every column with room for its row
    // header, frame and vertical scroll bar.
    auto columnsWidth = [](const QTableView *grid) {
        int w = 0;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            w += grid->columnWidth(c);
        return w;
    };
    const int columns = std::max(columnsWidth(FaxGrid), columnsWidth(RecFaxGrid));
    const int chrome = FaxGrid->verticalHeader()->width() + 2 * FaxGrid->frameWidth() +
                       style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8;
    const QScreen *s = screen();
    const QRect avail = s ? s->availableGeometry() : QRect(0, 0, 1366, 768);
    const MainWindowSize size =
        initialMainWindowSize(columns, chrome, kClientWidth, kClientHeight + menuBar()->sizeHint().height(),
                              avail.width(), avail.height(), 16, 48);
    return QSize(size.width, size.height);
}

TMainScreen::~TMainScreen()
{
    // Nothing else to free: the receive log lines are a member.
}

QAction *TMainScreen::addMenuItem(QMenu *menu, const char *name, const QString &caption,
                                  const QString &hint, const QKeySequence &shortcut)
{
    auto *action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    if (!hint.isEmpty())
        action->setStatusTip(hint);
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

void TMainScreen::buildButtonBar()
{
    ButtonBar = new QToolBar(this);
    ButtonBar->setObjectName(QStringLiteral("ButtonBar"));
    ButtonBar->setMovable(false);
    ButtonBar->setFloatable(false);
    ButtonBar->setFixedHeight(kButtonBarHeight);
    ButtonBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    ButtonBar->setIconSize(QSize(20, 20));
    ButtonBar->toggleViewAction()->setVisible(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    addToolBar(Qt::TopToolBarArea, ButtonBar);

    QStyle *st = style();
    auto add = [this](const char *name, const QString &caption, const QString &hint,
                      const QIcon &glyph) {
        auto *action = new QAction(glyph, caption, this);
        action->setToolTip(hint);
        action->setStatusTip(hint);
        // Tool buttons show no mnemonic of their own; Alt+letter still works.
        action->setShortcut(QKeySequence::mnemonic(caption));
        ButtonBar->addAction(action);
        if (auto *w = ButtonBar->widgetForAction(action))
            w->setObjectName(QString::fromLatin1(name));
        return action;
    };
    actNew = add("Newbutton", QStringLiteral("&New"), QStringLiteral("Create a new fax"),
                 st->standardIcon(QStyle::SP_FileIcon));
    actEdit = add("EditButton", QStringLiteral("&Edit"),
                  QStringLiteral("Edit the currently selected fax"),
                  st->standardIcon(QStyle::SP_FileDialogDetailedView));
    actDelete = add("DeleteButton", QStringLiteral("&Delete"),
                    QStringLiteral("Delete  the currently selected fax"),
                    st->standardIcon(QStyle::SP_TrashIcon));
    actSend = add("SendButton", QStringLiteral("&Send"),
                  QStringLiteral("Send the currently selected fax"),
                  st->standardIcon(QStyle::SP_ArrowUp));
    const ReceiveButtonText rt = receiveButtonText(false);
    actReceive = add("ReceiveButton", QString::fromStdString(rt.caption),
                     QString::fromStdString(rt.hint), st->standardIcon(QStyle::SP_ArrowDown));
    actView = add("ViewButton", QStringLiteral("&View"), QStringLiteral("View the current fax"),
                  st->standardIcon(QStyle::SP_FileDialogContentsView));
    actPrint = add("PrintButton", QStringLiteral("&Print"),
                   QStringLiteral("Print the current fax"),
                   st->standardIcon(QStyle::SP_DialogSaveButton));
    auto *spacer = new QWidget(ButtonBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    ButtonBar->addWidget(spacer);
    actExit = add("ExitButton", QStringLiteral("E&xit"), QStringLiteral("Exit the program"),
                  st->standardIcon(QStyle::SP_DialogCloseButton));

    connect(actNew, &QAction::triggered, this, &TMainScreen::NewbuttonClick);
    connect(actEdit, &QAction::triggered, this, &TMainScreen::EditButtonClick);
    connect(actDelete, &QAction::triggered, this, &TMainScreen::DeleteButtonClick);
    connect(actSend, &QAction::triggered, this, &TMainScreen::SendButtonClick);
    connect(actReceive, &QAction::triggered, this, &TMainScreen::ReceiveButtonClick);
    connect(actView, &QAction::triggered, this, &TMainScreen::ViewButtonClick);
    connect(actPrint, &QAction::triggered, this, &TMainScreen::PrintButtonClick);
    connect(actExit, &QAction::triggered, this, &QWidget::close);
}

void TMainScreen::buildBrowseArea()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    BrowsePages = new QTabWidget(central);
    BrowsePages->setObjectName(QStringLiteral("BrowsePages"));
    BrowsePages->setStyleSheet(
        QStringLiteral("QTabBar::tab { width: 150px; height: 25px; }"));
    layout->addWidget(BrowsePages);

    faxModel_ = new FaxListModel(this);
    recModel_ = new FaxListModel(this);
    auto makeGrid = [this](const char *name, FaxListModel *model) {
        auto *grid = new QTableView;
        grid->setObjectName(QString::fromLatin1(name));
        grid->setModel(model);
        grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
        grid->setSelectionBehavior(QAbstractItemView::SelectRows);
        grid->setSelectionMode(QAbstractItemView::SingleSelection);
        grid->setWordWrap(false);
        grid->setTabKeyNavigation(false);
        grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
        grid->horizontalHeader()->setHighlightSections(false);
        grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        // The last column takes the room a wider window gives.
        grid->horizontalHeader()->setStretchLastSection(true);
        grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
        grid->verticalHeader()->setFixedWidth(12);
        grid->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
        // The selection stays visible when the grid loses the focus.
        QPalette pal = grid->palette();
        pal.setColor(QPalette::Inactive, QPalette::Highlight,
                     pal.color(QPalette::Active, QPalette::Highlight));
        pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     pal.color(QPalette::Active, QPalette::HighlightedText));
        grid->setPalette(pal);
        return grid;
    };
    FaxGrid = makeGrid("FaxGrid", faxModel_);
    RecFaxGrid = makeGrid("RecFaxGrid", recModel_);
    BrowsePages->addTab(FaxGrid, QStringLiteral("Outgoing Faxes"));
    BrowsePages->addTab(RecFaxGrid, QStringLiteral("Incoming Faxes"));

    // Rich-text controls that receive the current fax before rendering,
    // with the two spare text controls passed along with them.
    HiddenPanel = new QWidget(central);
    HiddenPanel->setObjectName(QStringLiteral("HiddenPanel"));
    auto *hidden = new QVBoxLayout(HiddenPanel);
    WPCover = new QTextEdit(HiddenPanel);
    WPCover->setObjectName(QStringLiteral("WPCover"));
    WPDoc = new QTextEdit(HiddenPanel);
    WPDoc->setObjectName(QStringLiteral("WPDoc"));
    auto *spare1 = new QTextEdit(HiddenPanel);
    spare1->setObjectName(QStringLiteral("WPSpare1"));
    auto *spare2 = new QTextEdit(HiddenPanel);
    spare2->setObjectName(QStringLiteral("WPSpare2"));
    for (QWidget *w : {static_cast<QWidget *>(WPCover), static_cast<QWidget *>(WPDoc),
                       static_cast<QWidget *>(spare1), static_cast<QWidget *>(spare2)})
        hidden->addWidget(w);
    HiddenPanel->hide();
    layout->addWidget(HiddenPanel);
    setCentralWidget(central);

    connect(BrowsePages, &QTabWidget::currentChanged, this, [this] { SetButtons(); });
    connect(FaxGrid, &QTableView::doubleClicked, this, &TMainScreen::ViewButtonClick);
    connect(RecFaxGrid, &QTableView::doubleClicked, this, &TMainScreen::ViewButtonClick);
    // Enter on a row opens it as a double click does.
    for (QTableView *grid : {FaxGrid, RecFaxGrid})
        for (int key : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
            auto *enter = new QShortcut(QKeySequence(key), grid);
            enter->setContext(Qt::WidgetShortcut);
            connect(enter, &QShortcut::activated, this, &TMainScreen::ViewButtonClick);
        }
    // Ctrl+Tab (and Ctrl+Shift+Tab) switch between the two lists.
    for (const QKeySequence &keys : {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_Backtab),
                                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab)}) {
        auto *next = new QShortcut(keys, this);
        next->setContext(Qt::WindowShortcut);
        connect(next, &QShortcut::activated, this, [this] {
            BrowsePages->setCurrentIndex(1 - BrowsePages->currentIndex());
            BrowsePages->currentWidget()->setFocus();
        });
    }
    connect(FaxGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { syncCurrentRow(FaxList::Outgoing); });
    connect(RecFaxGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { syncCurrentRow(FaxList::Incoming); });
}

void TMainScreen::buildMenus()
{
    QMenu *file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("FileMenu"));
    mnuNew = addMenuItem(file, "mnuNew", QStringLiteral("&New Fax"),
                         QStringLiteral("Create a new fax"), QKeySequence(Qt::CTRL | Qt::Key_N));
    mnuEdit = addMenuItem(file, "mnuEdit", QStringLiteral("&Edit Fax"),
                          QStringLiteral("Edit the currently selected fax"));
    mnuClone = addMenuItem(file, "mnuClone", QStringLiteral("Clone Fax"),
                           QStringLiteral("Clone the currently selected fax"));
    mnuDelete = addMenuItem(file, "mnuDelete", QStringLiteral("Delete Fax"),
                            QStringLiteral("Delete the currently selected fax"));
    mnuCleanup = addMenuItem(file, "mnuCleanup", QStringLiteral("Fax Log Cleanup"), {});
    file->addSeparator();
    mnuSend = addMenuItem(file, "mnuSend", QStringLiteral("Send Fax"),
                          QStringLiteral("Send the currently selected fax"),
                          QKeySequence(Qt::CTRL | Qt::Key_S));
    mnuReceive = addMenuItem(file, "mnuReceive", QStringLiteral("Receive Faxes"), {},
                             QKeySequence(Qt::CTRL | Qt::Key_R));
    mnuViewPrint = addMenuItem(file, "mnuViewPrint", QStringLiteral("View/Print Fax"),
                               QStringLiteral("See a preview of and optionally  print the fax"),
                               QKeySequence(Qt::CTRL | Qt::Key_V));
    file->addSeparator();
    mnuCoverSheets = addMenuItem(file, "mnuCoverSheets", QStringLiteral("C&over Sheets"),
                                 QStringLiteral("Create or modify cover page templates"));
    mnuPhoneBook = addMenuItem(file, "mnuPhoneBook", QStringLiteral("&Phone Book"),
                               QStringLiteral("Create or modify phone book entries"));
    mnuRebuild = addMenuItem(file, "mnuRebuild", QStringLiteral("Rebuild &Indexes"),
                             QStringLiteral("Do this every 2 weeks "));
    mnuPreferences = addMenuItem(file, "mnuPreferences", QStringLiteral("P&references"),
                                 QStringLiteral("Set Quillon preferences"));
    file->addSeparator();
    mnuExit = addMenuItem(file, "mnuExit", QStringLiteral("E&xit"),
                          QStringLiteral("Exit Quillon"), QKeySequence(Qt::CTRL | Qt::Key_X));

    QMenu *help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("HelpMenu"));
    auto *contents = addMenuItem(help, "mnuContents", QStringLiteral("Contents"),
                                 QStringLiteral("Open the Quillon help file"));
    auto *faq = addMenuItem(help, "mnuFaq", QStringLiteral("Frequently Asked Questions (FAQ)"), {});
    auto *tech = addMenuItem(help, "mnuTechHelp", QStringLiteral("Technical Help"), {});
    auto *support = addMenuItem(help, "mnuSupport", QStringLiteral("Technical Support"), {});
    auto *about = addMenuItem(help, "mnuAbout", QStringLiteral("About"),
                              QStringLiteral("Information about Quillon"));
    help->addSeparator();
    auto *config = addMenuItem(help, "mnuConfiguration",
                               QStringLiteral("Configuration Information"), {});
    auto *web = addMenuItem(help, "mnuWebsite", QStringLiteral("Visit Our Internet Website"), {});
    help->addSeparator();
    mnuShowHint = addMenuItem(help, "mnuShowHint", QStringLiteral("Show Hints"), {});
    mnuShowHint->setCheckable(true);
    mnuShowHint->setChecked(true);

    connect(mnuNew, &QAction::triggered, this, &TMainScreen::NewbuttonClick);
    connect(mnuEdit, &QAction::triggered, this, &TMainScreen::EditButtonClick);
    connect(mnuClone, &QAction::triggered, this, &TMainScreen::mnuCloneClick);
    connect(mnuDelete, &QAction::triggered, this, &TMainScreen::DeleteButtonClick);
    connect(mnuCleanup, &QAction::triggered, this, &TMainScreen::mnuFaxLogCleanupClick);
    connect(mnuSend, &QAction::triggered, this, &TMainScreen::SendButtonClick);
    connect(mnuReceive, &QAction::triggered, this, &TMainScreen::ReceiveButtonClick);
    connect(mnuViewPrint, &QAction::triggered, this, &TMainScreen::ViewButtonClick);
    connect(mnuCoverSheets, &QAction::triggered, this, &TMainScreen::mnuCoverSheetsClick);
    connect(mnuPhoneBook, &QAction::triggered, this, &TMainScreen::mnuPhoneBookClick);
    connect(mnuRebuild, &QAction::triggered, this, &TMainScreen::mnuRebuildIndexesClick);
    connect(mnuPreferences, &QAction::triggered, this, &TMainScreen::mnuPreferencesClick);
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);
    connect(contents, &QAction::triggered, this,
            [this] { openHelpTopic(helpcontext::kContents); });
    connect(faq, &QAction::triggered, this, [this] { openHelpTopic(helpcontext::kFaq); });
    connect(tech, &QAction::triggered, this,
            [this] { openHelpTopic(helpcontext::kTechnicalHelp); });
    connect(support, &QAction::triggered, this,
            [this] { openHelpTopic(helpcontext::kTechnicalSupport); });
    connect(about, &QAction::triggered, this, &TMainScreen::mnuAboutClick);
    connect(config, &QAction::triggered, this, &TMainScreen::mnuConfigurationClick);
    connect(web, &QAction::triggered, this, &TMainScreen::mnuWebsiteClick);
    connect(mnuShowHint, &QAction::triggered, this, &TMainScreen::mnuShowHintClick);
}

void TMainScreen::sizeColumns(QTableView *grid) { sizeColumnsToSource(grid); }

void TMainScreen::FormCreate()
{
    firstActivationPending_ = true;
    setWindowIcon(style()->standardIcon(QStyle::SP_DriveNetIcon));
    BrowsePages->setCurrentIndex(0);

    // A table that cannot be opened ends the program once the event loop
    // runs; creation continues meanwhile so the window is complete.
    auto postClose = [this] {
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    };
    if (!tables_->open(FaxList::Outgoing)) {
        messages().information(texts::kFaxTableFailed);
        postClose();
    }
    if (!tables_->open(FaxList::Incoming)) {
        messages().information(texts::kRecTableFailed);
        postClose();
    }
    faxModel_->setSource(&tables_->listSource(FaxList::Outgoing));
    recModel_->setSource(&tables_->listSource(FaxList::Incoming));
    sizeColumns(FaxGrid);
    sizeColumns(RecFaxGrid);

    settings().noModem = false;
    settings().load(settingsPath());
    receiveMode_ = false;
    receivingFax_ = false;

    // The receive directory usually exists already; failures are ignored.
    const std::string dataDir = dataDirectory();
    if (findNameNoCase(dataDir, "receive").empty())
        QDir().mkpath(QString::fromStdString(dataDir + "receive"));

    hints_ = new HintController(this);
    hints_->install();
    mnuShowHint->setChecked(settings().hintsOn);
    hints_->setEnabled(settings().hintsOn);

    receiveLogLines_.clear();
}

QToolButton *TMainScreen::button(const char *objectName) const
{
    return ButtonBar->findChild<QToolButton *>(QString::fromLatin1(objectName));
}

QAction *TMainScreen::menuAction(const char *objectName) const
{
    return findChild<QAction *>(QString::fromLatin1(objectName));
}

bool TMainScreen::outgoingTabActive() const { return BrowsePages->currentIndex() == 0; }

void TMainScreen::setStatusText(const QString &text)
{
    // A hint shown in the status line (a tool-bar button under the mouse)
    // gives way, so a call's progress is seen as soon as it changes.
    if (!text.isEmpty())
        statusBar()->clearMessage();
    StatusLine->setText(text);
}
QString TMainScreen::statusText() const { return StatusLine->text(); }

}  // namespace qln
