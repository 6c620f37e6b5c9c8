// View, Print and the grids' double click: the current fax of the active
// list handed to the fax viewer window, or printed directly. A received fax
// is shown from the receive directory; an outgoing fax is rendered into a
// temporary APF file first, deleted again afterwards.
#include "app/mainscreen.h"

#include "common/datadir.h"
#include "common/messages.h"
#include "records/receivedfile.h"
#include "viewer/preprint.h"
#include "viewer/viewfax.h"
#include "viewer/viewfaxlogic.h"

#include <QApplication>
#include <QToolBar>

#include <cctype>
#include <cstdio>
#include <sys/stat.h>

namespace qln {

namespace {

bool isTrue(const std::string &logical)
{
    return !logical.empty() && (std::toupper(static_cast<unsigned char>(logical[0])) == 'T' ||
                                std::toupper(static_cast<unsigned char>(logical[0])) == 'Y');
}

bool regularFileExists(const std::string &path)
{
    struct stat st{};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

void TMainScreen::runFaxViewer(bool print)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setStatusText(QStringLiteral("Preparing files for viewing..."));
    std::string tempFile;
    // Cursor, status text, button bar and the temporary file are put right
    // on every way out, a print failure included.
    struct Cleanup {
        TMainScreen &w;
        QToolBar *bar;
        std::string &temp;
        bool cursor = true;
        void restoreCursor()
        {
            if (cursor) {
                QApplication::restoreOverrideCursor();
                cursor = false;
            }
        }
        ~Cleanup()
        {
            restoreCursor();
            w.setStatusText(QString());
            bar->setEnabled(true);
            if (!temp.empty())
                std::remove(temp.c_str());
        }
    } cleanup{*this, ButtonBar, tempFile};

    std::string file, header;
    if (!outgoingTabActive()) {
        const FaxList list = FaxList::Incoming;
        const std::string faxFile = tables_->field(list, "FAXFILE");
        const records::ReceivedFileTarget target = records::LocateReceivedFile(dataDirectory(), faxFile);
        if (target.kind != records::ReceivedFileTarget::Kind::File || !regularFileExists(target.path)) {
            cleanup.restoreCursor();
            messages().information("Fax file is missing");
            return;
        }
        file = target.path;
        const std::string date = viewer::faxDateText(tables_->field(list, "DATEREC"), tables_->field(list, "TIMEREC"));
        header = viewer::receivedHeaderText(tables_->field(list, "FROM"), date, dataDirectory() + "receive/" + faxFile);
    } else {
        const FaxList list = FaxList::Outgoing;
        try {
            file = CreateFaxFile();
        } catch (const std::exception &e) {
            cleanup.restoreCursor();
            messages().information(std::string("Error creating fax file: ") + e.what());
            return;
        }
        if (file.empty()) {
            cleanup.restoreCursor();
            messages().information("Error creating fax file");
            return;
        }
        tempFile = file;
        const std::string date = viewer::sentDateText(isTrue(tables_->field(list, "SENT")),
                                                      tables_->field(list, "DATESENT"), tables_->field(list, "TIMESENT"));
        header = viewer::outgoingHeaderText(tables_->field(list, "RECIPIENT"), tables_->field(list, "SUBJECT"), date);
    }

    if (print) {
        fax::TApdFaxPrinter printer;
        fax::TApdFaxPrinterStatus status;
        fax::TApdFaxPrinterLog log;
        log.LogFileName = viewer::printLogPath();
        status.Caption = "Print Status";
        printer.StatusDisplay = &status;
        printer.FaxPrinterLog = &log;
        printer.FaxHeader.Caption = "FILE: $F";
        printer.FaxFooter.Caption = "Page: $P of $N";
        cleanup.restoreCursor();
        bool rangeSet = false;
        // A failure is shown with its reason and logged by the print command.
        viewer::runFaxPrint(this, printer, file, viewer::PrintScope::AllPages, 1, header, rangeSet);
        printer.StatusDisplay = nullptr;
        printer.FaxPrinterLog = nullptr;
        return;
    }
    setStatusText(QStringLiteral("Loading viewer..."));
    viewer::TFaxViewer w(this);
    w.setFileToShow(file);
    w.setHeaderText(header);
    w.onHelp = [this](int context) { openHelpTopic(context); };
    setStatusText(QString());
    cleanup.restoreCursor();
    w.exec();
}

}  // namespace qln
