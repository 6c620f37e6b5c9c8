// The print status window of fax printing: "Print Status", a fixed dialog
// centred on the screen showing the file being printed (name, pages,
// resolution, width, range) and the job's progress line, with an "Abort"
// button that cancels the job.
//
// TApdFaxPrinterStatus is the display a TApdFaxPrinter is given; it creates
// its window TStandardFaxPrinterStatusDisplay on first use. What the window
// shows comes from faxPrinterStatusTexts(), so it is checked without a
// screen.
//
// User-interface thread only.
#pragma once

#include "faximage/faxprinter.h"

#include <QDialog>

#include <memory>
#include <string>

class QLabel;
class QPushButton;

namespace qln::fax {

// The texts of the window for the printer's current job.
struct FaxPrinterStatusTexts {
    std::string fileName;    // without folder, in upper case
    std::string totalPages;
    std::string resolution;  // "standard" or "high"
    std::string width;       // "1728" or "2048"
    std::string firstPage;
    std::string lastPage;
    std::string statusLine;  // "%s %d of %d": progress, page, last page
};
FaxPrinterStatusTexts faxPrinterStatusTexts(const TApdFaxPrinter &printer);

class TStandardFaxPrinterStatusDisplay : public QDialog {
    Q_OBJECT
public:
    explicit TStandardFaxPrinterStatusDisplay(QWidget *parent = nullptr);

    void showTexts(const FaxPrinterStatusTexts &texts);
    // The printer whose job "Abort" cancels (may be null).
    void setPrinter(TApdFaxPrinter *printer) { printer_ = printer; }

    QLabel *fpsFileName = nullptr;
    QLabel *fpsTotalPages = nullptr;
    QLabel *fpsResolution = nullptr;
    QLabel *fpsWidth = nullptr;
    QLabel *fpsFirstPage = nullptr;
    QLabel *fpsLastPage = nullptr;
    QLabel *fpsStatusLine = nullptr;
    QPushButton *fpsAbortButton = nullptr;

protected:
    void reject() override;  // Escape and the close box abort as well

private:
    TApdFaxPrinter *printer_ = nullptr;
};

class TApdFaxPrinterStatus : public TApdAbstractFaxPrinterStatus {
public:
    TApdFaxPrinterStatus();
    ~TApdFaxPrinterStatus() override;

    std::string Caption = "Print Status";

    void ShowDisplay(TApdFaxPrinter &printer) override;
    void UpdateDisplay(TApdFaxPrinter &printer) override;
    void HideDisplay() override;
    bool DisplayVisible() const override;

    // The window, created on first use.
    TStandardFaxPrinterStatusDisplay &Display();

private:
    std::unique_ptr<TStandardFaxPrinterStatusDisplay> display_;
};

} // namespace qln::fax
