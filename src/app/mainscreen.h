// The main window: the two fax lists, the button bar, the menus and the
// status line, and every command reached from them.
//
// The window owns the table access (FaxTablesAccess) and a model per list.
// Commands first ask commandrules for their decision, then carry it out.
// Commands whose windows belong to later parts of the program run through
// one named slot each (see "Commands of other windows"); until such a window
// exists the slot says so in an information box.
// Everything runs on the user-interface thread.
#pragma once

#include "app/buttonrules.h"
#include "app/commandrules.h"
#include "app/faxtablesaccess.h"
#include "records/faxrows.h"

#include <QMainWindow>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QTabWidget;
class QTableView;
class QToolBar;
class QToolButton;
class QTimer;
class QTextEdit;

namespace qln {

class DesktopNotice;
class FaxListModel;
class HintController;
struct ReceiveModeParts;

class TMainScreen : public QMainWindow {
    Q_OBJECT
public:
    // Without `tables` the window uses the fax tables of the data directory.
    explicit TMainScreen(std::unique_ptr<FaxTablesAccess> tables = nullptr,
                         QWidget *parent = nullptr);
    ~TMainScreen() override;

    // The show command the program was started with: start minimised.
    void setStartMinimized(bool on) { startMinimized_ = on; }

    // Shows the window as the start-up show command asks; the first
    // activation then runs once.
    void showForStart();

    bool firstActivationPending() const { return firstActivationPending_; }
    bool receiveMode() const { return receiveMode_; }
    bool receivingFax() const { return receivingFax_; }
    bool cloneRequested() const { return cloneRequested_; }
    bool outgoingTabActive() const;

    // Receive mode switches these (the Receive button turns into STOP).
    void setReceiveMode(bool on);
    void setReceivingFax(bool on) { receivingFax_ = on; }

    FaxTablesAccess &tables() { return *tables_; }
    QStringList &receiveLogLines() { return receiveLogLines_; }
    QTabWidget *browseTabs() const { return BrowsePages; }
    QTableView *faxGrid() const { return FaxGrid; }
    QTableView *recFaxGrid() const { return RecFaxGrid; }
    DesktopNotice &desktopNotice() { return *notice_; }
    // The size the window opens at when no placement is stored.
    QSize initialSize() const;
    FaxListModel *faxModel() const { return faxModel_; }
    FaxListModel *recModel() const { return recModel_; }
    // Button (by caption-free object name, e.g. "Newbutton") and menu items
    // (by object name, e.g. "mnuSend") are found with findChild.
    QToolButton *button(const char *objectName) const;
    QAction *menuAction(const char *objectName) const;
    ButtonEnables currentEnables() const { return enables_; }

    // Progress text of long operations; empty when idle.
    void setStatusText(const QString &text);
    QString statusText() const;

    // Makes the row of the active list current (grid and table).
    void selectRow(FaxList list, int row);

    // Renders the current outgoing fax into one APF file in the data
    // directory (mainscreen_send.cpp); "" when nothing was produced.
    // Rendering errors are raised. Sets the page count of the last rendering.
    std::string CreateFaxFile();
    int pagesOfLastRendering() const { return pagesOfLastRendering_; }

public slots:
    void SetButtons();
    // Commands of the buttons and menus.
    void NewbuttonClick();
    void mnuCloneClick();
    void EditButtonClick();
    void DeleteButtonClick();
    void SendButtonClick();
    void ReceiveButtonClick();
    void ViewButtonClick();
    void PrintButtonClick();
    void mnuCoverSheetsClick();
    void mnuPhoneBookClick();
    void mnuPreferencesClick();
    void mnuRebuildIndexesClick();
    void mnuFaxLogCleanupClick();
    void mnuConfigurationClick();
    void mnuWebsiteClick();
    void mnuAboutClick();
    void mnuShowHintClick();
    void openHelpTopic(int context);
    // A second copy asked this one to come to the front.
    void restoreFromSecondCopy();
    // A document printed to the Quillon queue (the single-copy socket's
    // print request: data directory, document file, subject, fax number,
    // recipient). Taken (true) when the data directory is this window's and
    // the document a file "_PRINTJOB_*" in it; the window then owns the
    // file: as soon as no other window is open it stores the fax
    // (compose/printedfax.h), removes the file, comes to the front and,
    // unless receive mode is on, opens the fax editor on the new fax.
    bool takePrintedFax(const QStringList &fields);
    // Posted by receive mode after a fax was stored: the list, the sound and
    // a desktop notice.
    void faxReceived(const records::ReceivedFax &row = {});
    // Print on receipt writes each received fax as DIR/<file>.pdf instead of
    // printing it (tests and unattended runs); empty returns to the printer.
    void printReceivedFaxesTo(const QString &pdfDirectory);

    // Commands of other windows; each is filled in when its window exists.
    // Until then each shows an information box saying so.
    virtual bool runFaxEditor(bool clone, bool editExisting);
    virtual void runSendFax();
    // Starts receive mode (the Receive button while it is off).
    virtual void runReceiveMode();
    // Stops receive mode (the STOP button, closing the window).
    virtual void stopReceiveMode();
    virtual void runFaxViewer(bool print);
    virtual void runCoverSheets();
    virtual void runPhoneBook();
    virtual void runPreferences();
    virtual void runRebuildIndexesWindow();
    virtual void runFaxLogCleanup();
    virtual void runConfigurationReport();
    // Quick set-up when no modem is configured; true when it was finished.
    virtual bool runQuickSetup();

signals:
    void firstActivationDone();

protected:
    bool event(QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    // Construction (mainscreen.cpp)
    void buildButtonBar();
    void buildBrowseArea();
    void buildMenus();
    void FormCreate();
    void sizeColumns(QTableView *grid);
    QAction *addMenuItem(QMenu *menu, const char *name, const QString &caption,
                         const QString &hint, const QKeySequence &shortcut = {});

    // Life cycle (mainscreen_lifecycle.cpp)
    void FormActivate();
    bool FormCloseQuery();
    void FormClose();
    void restorePlacement();
    void savePlacement();
    void saveSettings();
    int pixelsPerInch() const;

    // Commands (mainscreen_commands.cpp)
    CommandContext commandContext();
    bool carryOutGate(Gate gate);
    void notAvailable(const QString &function);
    void EditReceivedFax();
    void deleteReceivedFile(const std::string &faxFile);
    void syncCurrentRow(FaxList list);
    void refreshList(FaxList list);

    // Printed documents taken but not yet stored (mainscreen_compose.cpp).
    void storePrintedFaxes();
    struct PendingPrint {
        std::string document, subject, phone, recipient;
    };
    std::vector<PendingPrint> pendingPrints_;
    QTimer *printTimer_ = nullptr;

    std::unique_ptr<FaxTablesAccess> tables_;
    FaxListModel *faxModel_ = nullptr;
    FaxListModel *recModel_ = nullptr;
    HintController *hints_ = nullptr;
    DesktopNotice *notice_ = nullptr;

    QToolBar *ButtonBar = nullptr;
    QTabWidget *BrowsePages = nullptr;
    QTableView *FaxGrid = nullptr;
    QTableView *RecFaxGrid = nullptr;
    QLabel *StatusLine = nullptr;
    QWidget *HiddenPanel = nullptr;
    QTextEdit *WPCover = nullptr;
    QTextEdit *WPDoc = nullptr;

    QAction *actNew = nullptr, *actEdit = nullptr, *actDelete = nullptr, *actSend = nullptr,
            *actReceive = nullptr, *actView = nullptr, *actPrint = nullptr, *actExit = nullptr;
    QAction *mnuNew = nullptr, *mnuEdit = nullptr, *mnuClone = nullptr, *mnuDelete = nullptr,
            *mnuCleanup = nullptr, *mnuSend = nullptr, *mnuReceive = nullptr,
            *mnuViewPrint = nullptr, *mnuCoverSheets = nullptr, *mnuPhoneBook = nullptr,
            *mnuRebuild = nullptr, *mnuPreferences = nullptr, *mnuExit = nullptr,
            *mnuShowHint = nullptr;

    ButtonEnables enables_;
    bool firstActivationPending_ = true;
    bool startMinimized_ = false;
    bool receiveMode_ = false;
    bool receivingFax_ = false;
    bool cloneRequested_ = false;
    bool closing_ = false;
    int pagesOfLastRendering_ = 0;
    QString lastReceivedFile_;
    QStringList receiveLogLines_;

    // Receive mode (mainscreen_receive.cpp): the station, its notice window
    // and the printer for printing on receipt, made on first use.
    ReceiveModeParts &receiveParts();
    void playReceiveSound();
    std::shared_ptr<ReceiveModeParts> receive_;
};

}  // namespace qln
