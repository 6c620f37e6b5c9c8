#include "sessions/receiptprinter.h"

#include "common/settings.h"
#include "faximage/faxprintstatus.h"

#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>

namespace qln {

ReceiptPrinter::ReceiptPrinter(const std::string &dataDir, bool withStatusWindow)
    : qprinter_(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    log_.LogFileName = dataDir + "FAXPRINT.LOG";
    printer_.FaxPrinterLog = &log_;
    printer_.FaxHeader.Enabled = false;
    printer_.FaxFooter.Enabled = false;
    printer_.MultiPage = false;
    printer_.PrintScale = fax::psFitToPage;
    if (withStatusWindow) {
        status_ = std::make_unique<fax::TApdFaxPrinterStatus>();
        printer_.StatusDisplay = status_.get();
    }
    printer_.SetPrinter(qprinter_.get());
}

ReceiptPrinter::~ReceiptPrinter() = default;

void ReceiptPrinter::setPdfDirectory(const std::string &dir)
{
    pdfDir_ = dir;
    if (!dir.empty())
        QDir().mkpath(QString::fromStdString(dir));
}

std::string ReceiptPrinter::pdfPathFor(const std::string &faxPath) const
{
    if (pdfDir_.empty())
        return {};
    std::string name = faxPath.substr(faxPath.find_last_of('/') + 1);
    if (const auto dot = name.find_last_of('.'); dot != std::string::npos)
        name.erase(dot);
    std::string dir = pdfDir_;
    if (dir.back() != '/')
        dir += '/';
    return dir + name + ".pdf";
}

bool ReceiptPrinter::print(const std::string &faxPath, const Settings &settings, std::string &error)
{
    QPrinter &p = *qprinter_;
    if (!pdfDir_.empty()) {
        p.setOutputFormat(QPrinter::PdfFormat);
        p.setOutputFileName(QString::fromStdString(pdfPathFor(faxPath)));
    } else {
        p.setOutputFormat(QPrinter::NativeFormat);
        const QString wanted = QString::fromStdString(settings.printOnReceiptPrinter);
        if (settings.printOnReceiptPrinter != kDefaultPrinterText &&
            QPrinterInfo::availablePrinterNames().contains(wanted))
            p.setPrinterName(wanted);
    }
    fax::TFaxPrintOutcome outcome = fax::TFaxPrintOutcome::Failed;
    try {
        outcome = printer_.PrintFile(faxPath);
    } catch (const std::exception &e) {
        error = e.what();
        return false;
    }
    switch (outcome) {
    case fax::TFaxPrintOutcome::Finished: return true;
    case fax::TFaxPrintOutcome::Aborted: error = "The print job was aborted."; return false;
    case fax::TFaxPrintOutcome::Nothing: error = "The fax has no pages to print."; return false;
    default:
        error = printer_.LastError().empty() ? "The fax could not be printed." : printer_.LastError();
        return false;
    }
}

} // namespace qln
