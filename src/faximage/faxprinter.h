// TApdFaxPrinter: prints the pages of an APF fax file through a QPrinter
// (a CUPS printer or a PDF file): one fax page per sheet, or four per sheet
// in portrait and two in landscape, each stretched to the printable area or
// at its natural size, always at the fax page's own aspect (204 pixels to
// the inch across, 196 lines down; normal pages have each line doubled),
// with optional header and footer
// lines built from templates ($D date, $F file, $N pages, $P page, $T time).
//
// A job is spooled to a PDF file of its own and handed over only when every
// page is done: PDF output is renamed onto the target name, a printer gets
// the file through CUPS. An aborted or failed job therefore leaves nothing
// behind: no half-written PDF and no partial job in a printer queue. A
// failed job says why (LastError) and its reason goes into the print log.
//
// Companions: TApdFaxPrinterMargin (a header or footer line),
// TApdFaxPrinterLog (the text log "FAXPRINT.LOG") and the status display
// interface TApdAbstractFaxPrinterStatus (the window is in faxprintstatus.h).
//
// Users: print a whole file or a page range with PrintFile(), or set
// FileName, FirstPageToPrint and LastPageToPrint and call PrintPages().
//
// User-interface thread only. While a job runs, pending events are handled
// before and after each step, so an "Abort" button (CancelPrint) works.
#pragma once

#include "faximage/printlayout.h"
#include "faximage/unpacker.h"

#include <QFont>

#include <functional>
#include <memory>
#include <string>

class QPainter;
class QPrinter;
class QWidget;

namespace qln::fax {

class TApdFaxPrinter;

// Job events of the print log and of OnFaxPrintLog.
enum TFaxPLCode { lcStart = 0, lcFinish = 1, lcAborted = 2, lcFailed = 3 };

// Progress codes of a job.
enum TFaxPrintProgress { ppIdle = 0, ppComposing = 1, ppRendering = 2, ppSubmitting = 3, ppConverting = 4 };
// "Idle", "Composing", "Rendering", "Submitting", "Converting"; "" otherwise.
std::string faxPrintProgressText(int progress);

enum TFaxPrintScale { psNone, psFitToPage };

// A header or footer line.
class TApdFaxPrinterMargin {
public:
    std::string Caption;  // template text
    bool Enabled = false;
    QFont Font;
    int TextHeight = 0;  // height of the last text drawn, in printer pixels
};

// The text log of print jobs, opened for appending (created when missing).
class TApdFaxPrinterLog {
public:
    std::string LogFileName = "FAXPRINT.LOG";
    // Writes the line of a job event for `fileName`: "Printing FILE started
    // at TIME", "... finished at TIME" plus an empty line, "... aborted at",
    // "... failed at" (each also followed by an empty line; a failure with a
    // reason has the line "Reason: REASON" before it). Throws
    // std::runtime_error naming the file when it cannot be written.
    void UpdateLog(int code, const std::string &fileName, const std::string &reason = {});
    // The moment's text (default: short date and long time of the locale
    // formats); tests replace it.
    std::function<std::string()> DateTimeText;
};

// What a print status display shows; implemented by the status window.
class TApdAbstractFaxPrinterStatus {
public:
    virtual ~TApdAbstractFaxPrinterStatus() = default;
    // Shown when a job starts, updated on every progress change while
    // visible, hidden when the job ends.
    virtual void ShowDisplay(TApdFaxPrinter &printer) = 0;
    virtual void UpdateDisplay(TApdFaxPrinter &printer) = 0;
    virtual void HideDisplay() = 0;
    virtual bool DisplayVisible() const = 0;
};

// How a call of PrintPages ended.
enum class TFaxPrintOutcome { Nothing, Finished, Aborted, Failed };

class TApdFaxPrinter {
public:
    TApdFaxPrinter();
    ~TApdFaxPrinter();
    TApdFaxPrinter(const TApdFaxPrinter &) = delete;
    TApdFaxPrinter &operator=(const TApdFaxPrinter &) = delete;

    // Title of the print job.
    std::string Caption;
    // Header "FILE: $F" and footer "PAGE: $P of $N", both enabled.
    TApdFaxPrinterMargin FaxHeader;
    TApdFaxPrinterMargin FaxFooter;
    TApdFaxPrinterLog *FaxPrinterLog = nullptr;
    TApdAbstractFaxPrinterStatus *StatusDisplay = nullptr;
    bool MultiPage = false;
    TFaxPrintScale PrintScale = psFitToPage;

    // The printer the job goes to. Without SetPrinter the component uses a
    // printer of its own (the system's default printer).
    QPrinter &Printer();
    void SetPrinter(QPrinter *printer);  // not owned; nullptr returns to the own one

    // Setting a different name reads the file's page count and the
    // resolution and width of page 1, and sets the range to all pages.
    // Throws EFaxUnpackerError when the file cannot be read.
    const std::string &FileName() const { return fileName_; }
    void SetFileName(const std::string &name);
    int FaxPageCount() const { return pageCount_; }
    bool FineResolution() const { return fine_; }
    bool WidePage() const { return wide_; }
    int FirstPageToPrint = 0;
    int LastPageToPrint = 0;

    int PageBeingPrinted() const { return pageBeingPrinted_; }
    int PrintProgress() const { return progress_; }
    bool Printing() const { return jobRunning_; }
    // The status window's line: progress text, page being printed, last page.
    std::string StatusLine() const;

    // Events.
    std::function<void(TApdFaxPrinter &, int page, int pageCount)> OnNextPage;
    std::function<void(TApdFaxPrinter &, int code)> OnFaxPrintLog;
    std::function<void(TApdFaxPrinter &, int progress)> OnFaxPrintStatus;

    // Shows the print dialog over `parent` with the file's page range; on OK
    // takes its range. Returns whether OK was chosen.
    bool ChoosePrintRange(QWidget *parent = nullptr);
    // Prints FirstPageToPrint..LastPageToPrint (clamped to the file). Nothing
    // happens when the file has no pages. A job that cannot be handed over
    // (no printer, CUPS refuses it, the PDF cannot be written) ends Failed
    // with LastError set. Unpacking errors end the job as failed and are
    // rethrown (EFaxUnpackerError).
    TFaxPrintOutcome PrintPages();
    // Why the last job failed, for the user; empty after any other outcome.
    const std::string &LastError() const { return lastError_; }
    // Sets the file and prints pages first..last; 0 for first means page 1,
    // 0 for last the last page.
    TFaxPrintOutcome PrintFile(const std::string &file, int first = 0, int last = 0);
    // Abandons a running job (nothing is printed or written), logs it as
    // aborted and hides the status display.
    void CancelPrint();

    // Text of the $D and $T tokens (default: the locale's short date and
    // short time); tests replace it.
    std::function<MarginValues()> MarginClock;

private:
    void setProgress(int code);
    void log(int code, const std::string &reason = {});
    static void letEventsRun();
    void drawMargin(QPainter &p, TApdFaxPrinterMargin &m, PrintRect &r, int page, bool top);
    bool printOnePage(QPainter &p, int page);
    bool submit(const std::string &spoolFile, std::string &error);

    std::unique_ptr<QPrinter> ownPrinter_;
    QPrinter *printer_ = nullptr;
    TApdFaxUnpacker unpacker_;
    std::string fileName_;
    std::string lastError_;
    int pageCount_ = 0;
    bool fine_ = false;
    bool wide_ = false;
    int pageBeingPrinted_ = 0;
    int progress_ = ppIdle;
    bool jobRunning_ = false;
    bool aborted_ = false;
    int first_ = 0;
    int dpi_ = 0;
    bool landscape_ = false;
    PrintRect sheet_;
};

} // namespace qln::fax
