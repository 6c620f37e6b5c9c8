// TPrePrintForm: the print dialog of the fax viewer and of the main window's
// Print: page range, four faxes per sheet, stretch to fit, header and footer.
// runFaxPrint() is the whole print command around it: printing options read
// from and saved to the settings file, the printer set from the choice, the
// pages printed.
//
// User-interface thread only.
#pragma once

#include "viewer/viewfaxlogic.h"

#include <QDialog>

#include <string>

class QCheckBox;
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

// The print command: reads the printing options, sets the printer's file
// (and its range 1..page count when `rangeSet` is false, setting it true),
// shows the dialog centred over `centreOn`, saves the options whatever
// closed it, and on OK sets the printer and prints. For the current page the
// range goes back to 1..page count afterwards. Returns whether it printed.
// Errors of PrintPages are passed on to the caller.
bool runFaxPrint(QWidget *centreOn, fax::TApdFaxPrinter &printer, const std::string &file, PrintScope scope,
                 int currentPage, const std::string &headerText, bool &rangeSet);

}  // namespace qln::viewer
