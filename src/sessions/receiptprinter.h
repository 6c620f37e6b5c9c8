// Print on receipt: each received fax is printed one fax page per sheet,
// without header and footer, on the printer named by PrintOnReceiptPrinter
// ("System default printer", or a name the system does not know, keeps the
// current printer, at first the default one), or as a PDF file into a
// directory (the command line's --print-to-pdf). Jobs are recorded in
// "FAXPRINT.LOG" of the data directory; with a screen the "Print Status"
// window shows each job centred on the screen and can abort it.
//
// User-interface thread only.
#pragma once

#include "faximage/faxprinter.h"

#include <memory>
#include <string>

class QPrinter;

namespace qln {

struct Settings;

namespace fax {
class TApdFaxPrinterStatus;
}

class ReceiptPrinter {
public:
    ReceiptPrinter(const std::string &dataDir, bool withStatusWindow);
    ~ReceiptPrinter();

    // Writes DIR/<fax file name>.pdf instead of printing (the directory is
    // created when missing); empty returns to the printer.
    void setPdfDirectory(const std::string &dir);

    // Prints the fax; false with the reason in |error| when it was not
    // printed (aborted, failed, unreadable file).
    bool print(const std::string &faxPath, const Settings &settings, std::string &error);

    // Where a fax would be printed as PDF (empty without a PDF directory).
    std::string pdfPathFor(const std::string &faxPath) const;

    fax::TApdFaxPrinter &faxPrinter() { return printer_; }

private:
    fax::TApdFaxPrinter printer_;
    fax::TApdFaxPrinterLog log_;
    std::unique_ptr<fax::TApdFaxPrinterStatus> status_;
    std::unique_ptr<QPrinter> qprinter_;
    std::string pdfDir_;
};

} // namespace qln
