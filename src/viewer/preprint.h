// TPrePrintForm: the print form of the fax viewer and of the main window's
// Print: page range, four faxes per sheet, stretch to fit, header and footer.
// runFaxPrint() is the whole print command around it: printing options read
// from and saved to the settings file, the printer set from the choice, the
// destination asked in the system's print dialog, the pages printed and a
// failure reported. The two questions go through IPrintDialogs.
//
// User-interface thread only.
#pragma once

#include "viewer/viewfaxlogic.h"

#include <QDialog>

#include <string>

class QCheckBox;
class QPrinter;
class QLabel;
class QSpinBox;

namespace qln::fax {
class TApdFaxPrinter;
}

namespace qln::viewer {

class TPrePrintForm : public QDialog {
    Q_OBJECT
public:
    explicit TPrePrintForm(QWidget *parent = nullptr);

    QSpinBox *FromPage = nullptr;
    QSpinBox *ToPage = nullptr;
    QCheckBox *PrintMultiPage = nullptr;
    QCheckBox *StretchToFit = nullptr;
    QCheckBox *PrintHeader = nullptr;
    QCheckBox *PrintFooter = nullptr;

    void setOptions(const PrintOptions &o);
    PrintOptions options() const;

public slots:
    // "Ok": beeps and stays open while an enabled "To" page lies before
    // "From"; otherwise closes with OK.
    void OkBtnClick();
};

// How runFaxPrint was asked to print.
enum class PrintScope { AllPages, CurrentPage };

// What the print form is shown with.
struct PrintFormSetup {
    bool currentPageOnly = false;  // range and multi-page disabled
    int fromPage = 1;
    int toPage = 1;
    int pageCount = 1;  // the spin edits' maximum (all pages)
    PrintOptions options;
};

// The questions of the print command: the print form (range and options)
// and the system's print dialog (which printer, or "Print to File (PDF)").
// The program uses the Qt dialogs; tests install scripted answers.
class IPrintDialogs {
public:
    virtual ~IPrintDialogs() = default;
    // Shows the print form over `over`; `choice` gets its values whichever
    // button closed it. True on Ok.
    virtual bool askPrintChoice(QWidget *over, const PrintFormSetup &setup, PrintChoice &choice) = 0;
    // Asks where the job goes, on `printer` (already set to the default
    // destination). True on OK.
    virtual bool askDestination(QWidget *over, QPrinter &printer) = 0;
};
// The installed dialogs (the Qt ones unless a test installed others).
IPrintDialogs &printDialogs();
void setPrintDialogs(IPrintDialogs *dialogs);  // nullptr: the Qt ones

// How a print command ended.
struct FaxPrintResult {
    enum class Kind { Cancelled, Printed, Aborted, Failed } kind = Kind::Cancelled;
    std::string error;  // the reason of a failure
    bool printed() const { return kind == Kind::Printed; }
};

// The print command: reads the printing options, sets the printer's file
// (and its range 1..page count when `rangeSet` is false, setting it true),
// shows the form, saves the options whatever closed it; on Ok sets the
// printer from the choice, proposes a destination (a PDF file when the
// machine has no printer), asks for it in the print dialog and prints. For
// the current page the range goes back to 1..page count afterwards. A
// failure (no file name, CUPS refuses the job, the PDF cannot be written,
// the fax cannot be read) is shown in an error box with its reason and
// returned.
FaxPrintResult runFaxPrint(QWidget *centreOn, fax::TApdFaxPrinter &printer, const std::string &file,
                           PrintScope scope, int currentPage, const std::string &headerText, bool &rangeSet);

// Sets `printer` to the destination proposed by proposePrintDestination for
// this machine's printers.
void proposeDestination(QPrinter &printer, const std::string &faxFile);

// The print log of the data directory ("FAXPRINT.LOG").
std::string printLogPath();

}  // namespace qln::viewer
