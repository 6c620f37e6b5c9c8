// TFaxViewer: the fax viewer window. See viewfax.h.
#include "viewer/viewfax.h"

#include "common/messages.h"
#include "compose/windowplacement.h"
#include "faximage/apferrors.h"
#include "faximage/unpacker.h"

#include <QActionGroup>
#include <QApplication>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace qln::viewer {

namespace {
constexpr const char *kClassName = "TFaxViewer";
constexpr int kHelpContext = 1021;
}  // namespace

TFaxViewer::TFaxViewer(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FaxViewer"));
    setWindowTitle(QStringLiteral("Fax Viewer "));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
                   Qt::WindowCloseButtonHint);

    FaxViewer = new TApdFaxViewer(this);
    FaxViewer->setObjectName(QStringLiteral("FaxViewer"));
    FaxViewer->setAutoScaleMode(fax::asHalfWidth);
    FaxViewer->setBusyCursor(QCursor(Qt::WaitCursor));
    QFont f(QStringLiteral("Arial"));
    f.setBold(true);
    f.setPixelSize(13);
    FaxViewer->setFont(f);

    menu_ = new QMenuBar(this);
    QMenu *view = menu_->addMenu(QStringLiteral("&View"));
    auto zoomItem = [&](const char *name, int z) {
        QAction *a = view->addAction(QLatin1String(zoomCaption(z)));
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, z] { applyZoom(z); });
        return a;
    };
    N25PercentItem = zoomItem("N25PercentItem", 25);
    N50PercentItem = zoomItem("N50PercentItem", 50);
    N75PercentItem = zoomItem("N75PercentItem", 75);
    N100PercentItem = zoomItem("N100PercentItem", 100);
    view->addSeparator();
    FitWidthItem = zoomItem("FitWidthItem", kZoomFitWidth);
    FitPageItem = zoomItem("FitPageItem", kZoomFitPage);
    QMenu *rotation = menu_->addMenu(QStringLiteral("Rotation"));
    auto rotateItem = [&](const char *name, const char *caption, int r) {
        QAction *a = rotation->addAction(QLatin1String(caption));
        a->setObjectName(QLatin1String(name));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, r] { setRotation(r); });
        return a;
    };
    NoRotateItem = rotateItem("NoRotateItem", "No rotation", 0);
    Rotate90Item = rotateItem("Rotate90Item", "Rotate 90 degrees", 1);
    Rotate180Item = rotateItem("Rotate180Item", "Rotate 180 degrees", 2);
    Rotate270Item = rotateItem("Rotate270Item", "Rotate 270 degrees", 3);
    QMenu *exportMenu = menu_->addMenu(QStringLiteral("Export"));
    for (ExportType t : availableExportTypes()) {
        const QString ext = QLatin1String(exportExtension(t));
        QString caption;
        QString name;
        switch (t) {
        case ExportType::Bmp: caption = QStringLiteral("Export this page as BMP File"); name = "ExportasBMPFile1"; break;
        case ExportType::Pcx: caption = QStringLiteral("Export this page as PCX File"); name = "ExportasPCXFile1"; break;
        case ExportType::Dcx: caption = QStringLiteral("Export this page as DCX File"); name = "ExportthispageasDCXFile1"; break;
        case ExportType::Pdf: caption = QStringLiteral("Export all pages as PDF File"); name = "ExportAllPdf"; break;
        case ExportType::Tiff: caption = QStringLiteral("Export all pages as TIFF File"); name = "ExportAllTiff"; break;
        }
        QAction *a = exportMenu->addAction(caption);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [this, t] { exportAs(t); });
    }

    auto *bar = new QWidget(this);
    auto *barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(2, 2, 2, 2);
    auto button = [&](const char *name, const char *caption, const char *hint) {
        auto *b = new QToolButton(bar);
        b->setObjectName(QLatin1String(name));
        b->setText(QLatin1String(caption));
        b->setToolTip(QLatin1String(hint));
        b->setAutoRaise(true);
        barLayout->addWidget(b);
        return b;
    };
    Helpbutton = button("Helpbutton", "&Help", "Get help for the Fax Viewer");
    FirstButton = button("FirstButton", "First", "First page");
    PrevButton = button("PrevButton", "Previous", "Previous page");
    NextButton = button("NextButton", "Next", "Next page");
    LastButton = button("LastButton", "Last", "Last page");
    PrinterSetupButton = button("PrinterSetupButton", "Setup", "Printer setup");
    Printbutton = button("Printbutton", "Print", "Print");
    PrintSinglePageButton = button("PrintSinglePageButton", "Print page", "Print current page");
    ZoomInButton = button("ZoomInButton", "Zoom in", "Zoom in");
    ZoomOutButton = button("ZoomOutButton", "Zoom out", "Zoom out");
    barLayout->addStretch();
    CloseButton = button("CloseButton", "C&lose", "Close the Fax Viewer");
    CloseButton->setShortcut(QKeySequence(Qt::Key_Escape));
    for (QToolButton *b : {FirstButton, PrevButton, NextButton, LastButton})
        b->hide();

    StatusPanel = new QLabel(this);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    StatusPanel->setFrameShape(QFrame::Panel);
    StatusPanel->setFrameShadow(QFrame::Sunken);

    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(0);
    top->setMenuBar(menu_);
    top->addWidget(bar);
    top->addWidget(FaxViewer, 1);
    top->addWidget(StatusPanel);

    connect(FirstButton, &QToolButton::clicked, this, [this] { FaxViewer->GoFirstPage(); });
    connect(PrevButton, &QToolButton::clicked, this, [this] { FaxViewer->GoPrevPage(); });
    connect(NextButton, &QToolButton::clicked, this, [this] { FaxViewer->GoNextPage(); });
    connect(LastButton, &QToolButton::clicked, this, [this] { FaxViewer->GoLastPage(); });
    connect(ZoomInButton, &QToolButton::clicked, this, &TFaxViewer::zoomIn);
    connect(ZoomOutButton, &QToolButton::clicked, this, &TFaxViewer::zoomOut);
    connect(Printbutton, &QToolButton::clicked, this, [this] { print(PrintScope::AllPages); });
    connect(PrintSinglePageButton, &QToolButton::clicked, this, [this] { print(PrintScope::CurrentPage); });
    connect(PrinterSetupButton, &QToolButton::clicked, this, &TFaxViewer::printerSetup);
    connect(CloseButton, &QToolButton::clicked, this, &QDialog::close);
    connect(Helpbutton, &QToolButton::clicked, this, [this] {
        if (onHelp)
            onHelp(kHelpContext);
        else
            messages().information("Help topic " + std::to_string(kHelpContext) + " is not available here.");
    });

    FaxViewer->OnPageChange = [this](TApdFaxViewer &) {
        // Pages of one fax may differ in size: a fit zoom follows each.
        if (isFitZoom(zoom_) && !fitting_)
            setScaleFor(zoom_);
        updateStatus();
    };
    FaxViewer->installEventFilter(this);
    FaxViewer->OnViewerError = [](TApdFaxViewer &, int code) {
        messages().errorBox("Viewer error " + std::to_string(code));
    };
    FaxViewer->OnDropFile = [this](TApdFaxViewer &, const std::string &) {
        // The new file starts at scale 1; the ticked zoom is applied again.
        rangeSet_ = false;
        const int z = zoom_;
        zoom_ = kZoomNone;
        applyZoom(z == kZoomNone ? 50 : z);
        updateStatus();
        const bool several = FaxViewer->PageTotal() > 1;
        for (QToolButton *b : {FirstButton, PrevButton, NextButton, LastButton})
            b->setVisible(several);
    };

    printLog_.LogFileName = printLogPath();
    FaxPrinter.FaxPrinterLog = &printLog_;
    printerStatus_ = std::make_unique<fax::TApdFaxPrinterStatus>();
    printerStatus_->Caption = "Print Status";
    FaxPrinter.StatusDisplay = printerStatus_.get();
    FaxPrinter.FaxFooter.Caption = "Page: $P of $N";
    FaxPrinter.FaxHeader.Caption = "File: $F";
    FaxPrinter.FaxFooter.Enabled = false;
    FaxPrinter.FaxHeader.Enabled = false;
    FaxPrinter.MultiPage = false;
    FaxPrinter.OnFaxPrintStatus = [](fax::TApdFaxPrinter &, int) { QApplication::processEvents(); };

    // Without a stored placement the window opens large enough for a page
    // at the start zoom.
    const QScreen *scr = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect avail = scr ? scr->availableGeometry() : QRect(0, 0, 1024, 768);
    const int frame = 2 * FaxViewer->frameWidth();
    const int chromeWidth = frame + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 4;
    const int chromeHeight = menu_->sizeHint().height() + bar->sizeHint().height() +
                             StatusPanel->sizeHint().height() + frame + 4;
    // The window manager's title bar and border come on top of the size.
    const WindowSize size = initialViewerSize(avail.width() - 16, avail.height() - 48, chromeWidth, chromeHeight);
    resize(size.width, size.height);
    compose::restoreWindowPlacement(*this, kClassName);
}

TFaxViewer::~TFaxViewer()
{
    FaxPrinter.StatusDisplay = nullptr;
    FaxPrinter.FaxPrinterLog = nullptr;
}

void TFaxViewer::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (firstActivation_)
        QMetaObject::invokeMethod(this, &TFaxViewer::activate, Qt::QueuedConnection);
}

void TFaxViewer::closeEvent(QCloseEvent *e)
{
    compose::saveWindowPlacement(*this, kClassName);
    QDialog::closeEvent(e);
}

void TFaxViewer::activate()
{
    if (!firstActivation_)
        return;
    firstActivation_ = false;
    for (QAction *a : {NoRotateItem, Rotate90Item, Rotate180Item, Rotate270Item})
        a->setChecked(false);
    // Printing stays available without a printer: the print dialog offers
    // a PDF file then.
    showFile();
}

void TFaxViewer::showFile()
{
    try {
        FaxViewer->BeginViewUpdate();
        FaxViewer->setFileName(fileToShow_);
        const int pageWidth = FaxViewer->PageWidth();
        const int controlWidth = FaxViewer->width();
        const int z = startZoom(controlWidth, pageWidth);
        FaxViewer->EndViewUpdate();
        applyZoom(z);
        updateStatus();
    } catch (const std::exception &) {
        try {
            FaxViewer->setFileName("");
        } catch (const std::exception &) {
        }
        messages().errorBox("Error opening fax file");
        StatusPanel->setText(QStringLiteral("No file loaded"));
    }
    const bool several = FaxViewer->PageTotal() > 1;
    for (QToolButton *b : {FirstButton, PrevButton, NextButton, LastButton})
        b->setVisible(several);
}

void TFaxViewer::applyZoom(int z)
{
    if (z == zoom_ && !isFitZoom(z))
        return;
    zoom_ = z;
    setScaleFor(z);
    tickZoom();
}

void TFaxViewer::setScaleFor(int z)
{
    if (z == 100) {
        FaxViewer->setScaling(false);
        return;
    }
    const QRect client = FaxViewer->contentsRect();
    const ZoomScale scale =
        zoomScale(z, FaxViewer->PageWidth(), FaxViewer->PageHeight(), client.width(), client.height(),
                  FaxViewer->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    fitting_ = true;
    FaxViewer->BeginViewUpdate();
    FaxViewer->setScaling(true);
    FaxViewer->setHorizMult(scale.mult);
    FaxViewer->setVertMult(scale.mult);
    FaxViewer->setHorizDiv(scale.div);
    FaxViewer->setVertDiv(scale.div);
    FaxViewer->EndViewUpdate();
    fitting_ = false;
}

ZoomScale TFaxViewer::currentScale() const
{
    if (!FaxViewer->Scaling())
        return {};
    return {FaxViewer->HorizMult(), FaxViewer->HorizDiv()};
}

bool TFaxViewer::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == FaxViewer && e->type() == QEvent::Resize && isFitZoom(zoom_) && !fitting_ &&
        FaxViewer->view().hasFile())
        setScaleFor(zoom_);
    return QDialog::eventFilter(watched, e);
}

void TFaxViewer::tickZoom()
{
    N25PercentItem->setChecked(zoom_ == 25);
    N50PercentItem->setChecked(zoom_ == 50);
    N75PercentItem->setChecked(zoom_ == 75);
    N100PercentItem->setChecked(zoom_ == 100);
    FitWidthItem->setChecked(zoom_ == kZoomFitWidth);
    FitPageItem->setChecked(zoom_ == kZoomFitPage);
}

void TFaxViewer::zoomIn()
{
    bool beep = false;
    const int z = isFitZoom(zoom_) ? zoomInFromFit(currentScale(), beep) : qln::viewer::zoomIn(zoom_, beep);
    if (beep)
        messages().beep();
    else
        applyZoom(z);
}

void TFaxViewer::zoomOut()
{
    bool beep = false;
    const int z = isFitZoom(zoom_) ? zoomOutFromFit(currentScale(), beep) : qln::viewer::zoomOut(zoom_, beep);
    if (beep)
        messages().beep();
    else
        applyZoom(z);
}

void TFaxViewer::setRotation(int r)
{
    try {
        FaxViewer->setPageRotation(r);
    } catch (const EViewerError &e) {
        messages().errorBox("Viewer error " + std::to_string(e.code()));
    }
    // A turned page has other sides to fit.
    if (isFitZoom(zoom_))
        setScaleFor(zoom_);
    NoRotateItem->setChecked(r == 0);
    Rotate90Item->setChecked(r == 1);
    Rotate180Item->setChecked(r == 2);
    Rotate270Item->setChecked(r == 3);
}

void TFaxViewer::updateStatus()
{
    const std::string s = pageStatusText(statusPrefix_, FaxViewer->CurrentPage(), FaxViewer->PageTotal(),
                                         FaxViewer->view().hasFile());
    StatusPanel->setText(QString::fromStdString(s));
}

QString TFaxViewer::statusText() const
{
    return StatusPanel->text();
}

void TFaxViewer::print(PrintScope scope)
{
    const std::string file = FaxViewer->FileName();
    if (file.find_first_not_of(' ') == std::string::npos)
        return;
    // A failure has been shown with its reason and logged; the viewer stays.
    runFaxPrint(parentWidget() ? parentWidget() : this, FaxPrinter, file, scope, FaxViewer->CurrentPage(),
                headerText_, rangeSet_);
}

void TFaxViewer::prepareRange()
{
    if (FaxPrinter.FileName() != FaxViewer->FileName())
        FaxPrinter.SetFileName(FaxViewer->FileName());
    if (!rangeSet_) {
        FaxPrinter.FirstPageToPrint = 1;
        FaxPrinter.LastPageToPrint = FaxPrinter.FaxPageCount();
        rangeSet_ = true;
    }
}

void TFaxViewer::printerSetup()
{
    if (!FaxViewer->view().hasFile())
        return;
    try {
        prepareRange();
        proposeDestination(FaxPrinter.Printer(), FaxViewer->FileName());
        FaxPrinter.ChoosePrintRange(this);
    } catch (const fax::EFaxUnpackerError &e) {
        messages().errorBox(fax::apfErrorText(e.code()));
    }
}

void TFaxViewer::exportAs(ExportType type)
{
    if (!FaxViewer->view().hasFile())
        return;
    std::string name;
    if (askExportFileName) {
        name = askExportFileName(type);
    } else {
        // The dialog adds the extension itself, so that the question before
        // overwriting is asked about the name that is written.
        const QString ext = QString::fromLatin1(exportExtension(type)).toLower();
        QFileDialog dialog(this);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(QString::fromStdString(exportFilter(type)));
        dialog.setDefaultSuffix(ext);
        dialog.selectFile(QStringLiteral("*.") + ext);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            name = dialog.selectedFiles().first().toStdString();
    }
    if (!name.empty())
        exportTo(type, name);
}

bool TFaxViewer::exportTo(ExportType type, const std::string &typed)
{
    const std::string name = exportFileName(typed, type);
    const std::string problem = exportTargetProblem(FaxViewer->FileName(), name);
    if (!problem.empty()) {
        messages().errorBox(problem);
        return false;
    }
    try {
        exportPage(FaxViewer->FileName(), FaxViewer->CurrentPage(), type, name, FaxViewer->WhitespaceCompression(),
                   FaxViewer->WhitespaceFrom(), FaxViewer->WhitespaceTo());
    } catch (const fax::EFaxUnpackerError &e) {
        messages().errorBox(fax::apfErrorText(e.code()));
        return false;
    }
    return true;
}

}  // namespace qln::viewer
