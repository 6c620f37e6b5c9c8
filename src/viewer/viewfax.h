// TFaxViewer: the fax viewer window. Shows one APF file in a TApdFaxViewer
// with page navigation, four zoom steps, rotation in quarter turns, printing
// (all pages or the current page, through TPrePrintForm and the system's
// print dialog) and export of the current page as a BMP, PCX or DCX file
// (and, where the build has it, every page as PDF or TIFF). Besides the four
// zoom steps the page can follow the window (fit width, fit page).
//
// The opener sets the file and the header text, then shows the window
// modally; the file is shown on the first activation. The decisions (start
// zoom, zoom steps, status, export, printer settings) are in
// viewfaxlogic.h.
//
// User-interface thread only.
#pragma once

#include "faximage/faxprinter.h"
#include "faximage/faxprintstatus.h"
#include "viewer/faxviewer.h"
#include "viewer/preprint.h"
#include "viewer/viewfaxlogic.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

class QAction;
class QLabel;
class QMenuBar;
class QToolButton;

namespace qln::viewer {

class TFaxViewer : public QDialog {
    Q_OBJECT
public:
    explicit TFaxViewer(QWidget *parent = nullptr);
    ~TFaxViewer() override;

    void setFileToShow(const std::string &file) { fileToShow_ = file; }
    void setHeaderText(const std::string &text) { headerText_ = text; }
    void setStatusPrefix(const std::string &prefix) { statusPrefix_ = prefix; }
    const std::string &headerText() const { return headerText_; }
    // Opens a help topic (the window asks for context 1021); set by the
    // opener, which owns the help pages.
    std::function<void(int context)> onHelp;
    // Runs the first activation now (it otherwise runs when shown).
    void activate();

    int zoom() const { return zoom_; }
    // Zoom steps 25, 50, 75, 100 (menu captions "50%" to "200%"), and the
    // zooms that follow the window, kZoomFitWidth and kZoomFitPage.
    void applyZoom(int z);
    void zoomIn();
    void zoomOut();
    void setRotation(int r);
    QString statusText() const;

    TApdFaxViewer *FaxViewer = nullptr;
    QLabel *StatusPanel = nullptr;
    QToolButton *Helpbutton = nullptr, *FirstButton = nullptr, *PrevButton = nullptr, *NextButton = nullptr,
                *LastButton = nullptr, *PrinterSetupButton = nullptr, *Printbutton = nullptr,
                *PrintSinglePageButton = nullptr, *ZoomInButton = nullptr, *ZoomOutButton = nullptr,
                *CloseButton = nullptr;
    QAction *N25PercentItem = nullptr, *N50PercentItem = nullptr, *N75PercentItem = nullptr,
            *N100PercentItem = nullptr, *FitWidthItem = nullptr, *FitPageItem = nullptr;
    QAction *NoRotateItem = nullptr, *Rotate90Item = nullptr, *Rotate180Item = nullptr, *Rotate270Item = nullptr;
    fax::TApdFaxPrinter FaxPrinter;

    // Prints all pages or the current page (the print dialog first).
    void print(PrintScope scope);
    void printerSetup();
    // Asks for a file name and exports (the current page, or every page for
    // PDF and TIFF).
    void exportAs(ExportType type);
    // Exports to `fileName` as typed: the type's extension is added when it
    // has none; the shown fax file itself is refused with a message.
    // Returns whether a file was written.
    bool exportTo(ExportType type, const std::string &fileName);
    // Asks for the export file name; the save dialog unless a test
    // replaces it (empty: cancelled).
    std::function<std::string(ExportType)> askExportFileName;

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void showFile();
    void updateStatus();
    void tickZoom();
    void prepareRange();
    // Sets the control's scale for the zoom (fit zooms from its size).
    void setScaleFor(int z);
    ZoomScale currentScale() const;

    std::string fileToShow_;
    std::string headerText_;
    std::string statusPrefix_;
    int zoom_ = kZoomNone;
    bool firstActivation_ = true;
    bool rangeSet_ = false;
    bool fitting_ = false;
    std::unique_ptr<fax::TApdFaxPrinterStatus> printerStatus_;
    fax::TApdFaxPrinterLog printLog_;
    QMenuBar *menu_ = nullptr;
};

}  // namespace qln::viewer
