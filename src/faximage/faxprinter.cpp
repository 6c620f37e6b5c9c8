#include "faximage/faxprinter.h"

#include "common/localeformats.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

#ifdef QLN_HAVE_CUPS
#include <cups/cups.h>
#endif

namespace qln::fax {

namespace {

MarginValues clockNow()
{
    const QDateTime now = QDateTime::currentDateTime();
    MarginValues v;
    v.date = formatDateTime(localeFormats().shortDateFormat, now);
    v.time = formatDateTime(localeFormats().longTimeFormat, now);
    return v;
}

std::string logTimeNow() { return formatDateTime("c", QDateTime::currentDateTime()); }

} // namespace

std::string faxPrintProgressText(int progress)
{
    switch (progress) {
    case ppIdle: return "Idle";
    case ppComposing: return "Composing";
    case ppRendering: return "Rendering";
    case ppSubmitting: return "Submitting";
    case ppConverting: return "Converting";
    default: return {};
    }
}

// ---- TApdFaxPrinterLog ---------------------------------------------------------

void TApdFaxPrinterLog::UpdateLog(int code, const std::string &fileName, const std::string &reason)
{
    const char *what = nullptr;
    switch (code) {
    case lcStart: what = " started at "; break;
    case lcFinish: what = " finished at "; break;
    case lcAborted: what = " aborted at "; break;
    case lcFailed: what = " failed at "; break;
    default: return;
    }
    std::ofstream out(LogFileName, std::ios::app | std::ios::binary);
    if (!out)
        throw std::runtime_error("Unable to write to " + LogFileName);
    out << "Printing " << fileName << what << (DateTimeText ? DateTimeText() : logTimeNow()) << "\n";
    if (code == lcFailed && !reason.empty())
        out << "Reason: " << reason << "\n";
    if (code != lcStart)
        out << "\n";
    out.flush();
    if (!out)
        throw std::runtime_error("Unable to write to " + LogFileName);
}

// ---- TApdFaxPrinter --------------------------------------------------------------

TApdFaxPrinter::TApdFaxPrinter()
{
    FaxHeader.Caption = "FILE: $F";
    FaxHeader.Enabled = true;
    FaxFooter.Caption = "PAGE: $P of $N";
    FaxFooter.Enabled = true;
    MarginClock = clockNow;
}

TApdFaxPrinter::~TApdFaxPrinter()
{
    if (jobRunning_)
        CancelPrint();
}

QPrinter &TApdFaxPrinter::Printer()
{
    if (printer_)
        return *printer_;
    if (!ownPrinter_)
        ownPrinter_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *ownPrinter_;
}

void TApdFaxPrinter::SetPrinter(QPrinter *printer) { printer_ = printer; }

void TApdFaxPrinter::SetFileName(const std::string &name)
{
    if (name == fileName_)
        return;
    fileName_ = name;
    pageCount_ = 0;
    fine_ = wide_ = false;
    FirstPageToPrint = LastPageToPrint = 0;
    unpacker_.setInFileName(name);
    pageCount_ = unpacker_.ReadPageCount();
    if (pageCount_ > 0) {
        fine_ = unpacker_.ReadFaxResolution() == frHighRes;
        wide_ = unpacker_.ReadFaxWidth() == fwWideWidth;
        FirstPageToPrint = 1;
        LastPageToPrint = pageCount_;
    }
}

std::string TApdFaxPrinter::StatusLine() const
{
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s %d of %d", faxPrintProgressText(progress_).c_str(),
                  pageBeingPrinted_, LastPageToPrint);
    return buf;
}

bool TApdFaxPrinter::ChoosePrintRange(QWidget *parent)
{
    QPrinter &printer = Printer();
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(pageCount_ > 0 ? 1 : 0, pageCount_);
    dialog.setFromTo(pageCount_ > 0 ? 1 : 0, pageCount_);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        FirstPageToPrint = printer.fromPage();
        LastPageToPrint = printer.toPage();
    } else {
        FirstPageToPrint = pageCount_ > 0 ? 1 : 0;
        LastPageToPrint = pageCount_;
    }
    return true;
}

void TApdFaxPrinter::letEventsRun()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void TApdFaxPrinter::setProgress(int code)
{
    if (code != progress_) {
        progress_ = code;
        if (OnFaxPrintStatus)
            OnFaxPrintStatus(*this, code);
        if (StatusDisplay && StatusDisplay->DisplayVisible()) {
            try {
                StatusDisplay->UpdateDisplay(*this);
            } catch (const std::exception &) {
                // A status window that fails to update does not stop the job.
            }
        }
    }
    letEventsRun();
}

void TApdFaxPrinter::log(int code, const std::string &reason)
{
    if (FaxPrinterLog)
        FaxPrinterLog->UpdateLog(code, fileName_, reason);
    if (OnFaxPrintLog)
        OnFaxPrintLog(*this, code);
}

void TApdFaxPrinter::drawMargin(QPainter &p, TApdFaxPrinterMargin &m, PrintRect &r, int page, bool top)
{
    MarginValues values = MarginClock ? MarginClock() : MarginValues{};
    values.fileName = fileName_;
    values.page = page;
    values.pageCount = pageCount_;
    const QString text = QString::fromStdString(expandMarginTemplate(m.Caption, values));
    QFont font = m.Font;
    if (MultiPage) {
        if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF() / 2);
        else if (font.pixelSize() > 0)
            font.setPixelSize(std::max(1, font.pixelSize() / 2));
    }
    p.setFont(font);
    const int h = QFontMetrics(font, p.device()).height();
    m.TextHeight = h;
    const int y = top ? r.top : r.bottom - h;
    const QRect box(r.left, y, r.width(), h);
    p.save();
    p.setClipRect(box);
    p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
    p.restore();
    if (top) {
        r.top += h + 2;
        p.drawLine(r.left, r.top, r.right - 1, r.top);
        r.top += 1;
    } else {
        r.bottom -= h + 2;
        p.drawLine(r.left, r.bottom, r.right - 1, r.bottom);
        r.bottom -= 1;
    }
}

// Unpacks and draws one page; false when the job was aborted meanwhile.
bool TApdFaxPrinter::printOnePage(QPainter &p, int page)
{
    if (OnNextPage)
        OnNextPage(*this, page, pageCount_);
    setProgress(ppConverting);
    unpacker_.setOptions(uoYield);
    MonoBitmap bitmap = unpacker_.ExtractPageBitmap(page);
    if (aborted_)
        return false;
    setProgress(ppComposing);
    PrintRect r = pageCell(sheet_, page, first_, MultiPage, landscape_);
    if (jobRunning_ && FaxHeader.Enabled)
        drawMargin(p, FaxHeader, r, page, true);
    if (jobRunning_ && FaxFooter.Enabled)
        drawMargin(p, FaxFooter, r, page, false);
    const PrintSize size =
        printedSize(r, bitmap.width, bitmap.height, PrintScale == psFitToPage, dpi_);
    setProgress(ppRendering);
    if (aborted_)
        return false;
    if (bitmap.isNull()) {
        log(lcFailed);
    } else if (size.width > 0 && size.height > 0) {
        // The page bitmap has 1 = white.
        const PrintRect target = printedRect(r, size);
        p.drawImage(QRect(target.left, target.top, size.width, size.height), bitmap.toQImage(false));
    }
    setProgress(ppSubmitting);
    return !aborted_;
}

TFaxPrintOutcome TApdFaxPrinter::PrintFile(const std::string &file, int first, int last)
{
    fileName_.clear();  // read the file's facts again, even under the same name
    SetFileName(file);
    if (first > 0)
        FirstPageToPrint = first;
    if (last > 0)
        LastPageToPrint = last;
    return PrintPages();
}

TFaxPrintOutcome TApdFaxPrinter::PrintPages()
{
    if (pageCount_ <= 0 || jobRunning_)
        return TFaxPrintOutcome::Nothing;
    const int first = std::max(1, FirstPageToPrint);
    const int last = std::min(pageCount_, LastPageToPrint);

    QPrinter &target = Printer();
    const bool toFile = target.outputFormat() == QPrinter::PdfFormat;
    // The job is spooled to a PDF of its own: beside the target file (so the
    // finished job is renamed onto it), else in the temporary directory.
    QString spoolTemplate;
    if (toFile) {
        const QFileInfo out(target.outputFileName());
        spoolTemplate = out.absolutePath() + QStringLiteral("/.") + out.fileName() +
                        QStringLiteral(".XXXXXX");
    } else {
        spoolTemplate = QDir::tempPath() + QStringLiteral("/qln-print-XXXXXX.pdf");
    }
    QTemporaryFile spoolFile(spoolTemplate);
    spoolFile.setAutoRemove(true);

    progress_ = ppIdle;
    aborted_ = false;
    lastError_.clear();
    first_ = first;
    if (StatusDisplay)
        StatusDisplay->ShowDisplay(*this);
    log(lcStart);

    auto endJob = [this] {
        progress_ = ppIdle;
        if (StatusDisplay)
            StatusDisplay->HideDisplay();
        pageBeingPrinted_ = 0;
        jobRunning_ = false;
    };
    auto failJob = [&](const std::string &reason) {
        jobRunning_ = false;
        lastError_ = reason;
        endJob();
        log(lcFailed, reason);
        return TFaxPrintOutcome::Failed;
    };

    if (toFile && target.outputFileName().isEmpty())
        return failJob("No file name was given for the PDF file.");
    if (!spoolFile.open()) {
        // The spool file of a PDF lies beside it: a folder that cannot take
        // it cannot take the PDF either.
        const QString what = toFile ? QFileInfo(target.outputFileName()).absoluteFilePath() : spoolTemplate;
        return failJob("Unable to write " + what.toStdString() + ": " + spoolFile.errorString().toStdString());
    }
    spoolFile.close();

    QPrinter spool(QPrinter::HighResolution);
    spool.setOutputFormat(QPrinter::PdfFormat);
    spool.setOutputFileName(spoolFile.fileName());
    spool.setResolution(target.resolution());
    spool.setFullPage(target.fullPage());
    spool.setPageLayout(target.pageLayout());
    spool.setDocName(QString::fromStdString(Caption.empty() ? fileName_ : Caption));
    spool.setCreator(QStringLiteral("Quillon"));

    QPainter painter;
    if (!painter.begin(&spool))
        return failJob("Unable to start the print job in " + spoolFile.fileName().toStdString() + ".");
    jobRunning_ = true;
    dpi_ = spool.resolution();
    landscape_ = spool.pageLayout().orientation() == QPageLayout::Landscape;
    const QRect page = spool.pageLayout().paintRectPixels(dpi_);
    sheet_ = PrintRect{0, 0, page.width(), page.height()};
    QPen pen(Qt::black);
    pen.setWidth(0);
    painter.setPen(pen);

    for (int p = first; p <= last; ++p) {
        pageBeingPrinted_ = p;
        letEventsRun();
        if (aborted_)
            break;
        if (jobRunning_ && startsNewSheet(p, first, MultiPage, landscape_))
            spool.newPage();
        try {
            if (!printOnePage(painter, p))
                break;
        } catch (const std::exception &e) {
            painter.end();
            failJob(e.what());
            throw;
        }
    }
    letEventsRun();
    painter.end();
    if (aborted_) {
        // CancelPrint has logged the abort; the spooled pages are dropped.
        endJob();
        return TFaxPrintOutcome::Aborted;
    }
    std::string error;
    if (!submit(spoolFile.fileName().toStdString(), error))
        return failJob(error);
    spoolFile.setAutoRemove(false);
    jobRunning_ = false;
    log(lcFinish);
    endJob();
    return TFaxPrintOutcome::Finished;
}

// Hands the finished spool file over: renamed onto the PDF target, or sent
// to the printer through CUPS. False with the reason when that fails (the
// caller removes the spool file).
bool TApdFaxPrinter::submit(const std::string &spoolFile, std::string &error)
{
    QPrinter &target = Printer();
    if (target.outputFormat() == QPrinter::PdfFormat) {
        const std::string out = QFileInfo(target.outputFileName()).absoluteFilePath().toStdString();
        if (std::rename(spoolFile.c_str(), out.c_str()) == 0)
            return true;
        error = "Unable to write " + out + ": " + std::strerror(errno);
        return false;
    }
#ifdef QLN_HAVE_CUPS
    std::string name = target.printerName().toStdString();
    if (name.empty()) {
        const char *def = cupsGetDefault();
        if (!def) {
            std::remove(spoolFile.c_str());
            error = "No printer is set up: there is no default printer.";
            return false;
        }
        name = def;
    }
    cups_option_t *options = nullptr;
    int count = 0;
    count = cupsAddOption("copies", std::to_string(std::max(1, target.copyCount())).c_str(), count, &options);
    if (target.duplex() == QPrinter::DuplexLongSide)
        count = cupsAddOption("sides", "two-sided-long-edge", count, &options);
    else if (target.duplex() == QPrinter::DuplexShortSide)
        count = cupsAddOption("sides", "two-sided-short-edge", count, &options);
    const std::string title = Caption.empty() ? fileName_ : Caption;
    const int job = cupsPrintFile(name.c_str(), spoolFile.c_str(), title.c_str(), count, options);
    cupsFreeOptions(count, options);
    std::remove(spoolFile.c_str());
    if (job > 0)
        return true;
    error = "The printer " + name + " refused the job: " + cupsLastErrorString();
    return false;
#else
    std::remove(spoolFile.c_str());
    error = "This build cannot print to a printer; print to a PDF file instead.";
    return false;
#endif
}

void TApdFaxPrinter::CancelPrint()
{
    if (!jobRunning_)
        return;
    unpacker_.setOptions(unpacker_.Options() | uoAbort);
    aborted_ = true;
    jobRunning_ = false;
    pageBeingPrinted_ = 0;
    log(lcAborted);
    if (StatusDisplay)
        StatusDisplay->HideDisplay();
}

} // namespace qln::fax
