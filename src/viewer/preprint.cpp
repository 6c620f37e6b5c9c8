// TPrePrintForm and the print command of the fax viewer and main window.
#include "viewer/preprint.h"

#include "common/datadir.h"
#include "common/messages.h"
#include "common/settings.h"
#include "faximage/faxprinter.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStandardPaths>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

namespace qln::viewer {

TPrePrintForm::TPrePrintForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("PrePrintForm"));
    setWindowTitle(QStringLiteral("Print"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    auto makeSpin = [this](const char *name, const char *hint) {
        auto *s = new QSpinBox(this);
        s->setObjectName(QLatin1String(name));
        s->setRange(1, 1000);
        s->setValue(1);
        s->setToolTip(QLatin1String(hint));
        return s;
    };
    FromPage = makeSpin("FromPage", "Starting page to print from");
    ToPage = makeSpin("ToPage", "Ending page to print from");
    auto makeBox = [this](const char *name, const char *caption, const QString &hint) {
        auto *c = new QCheckBox(QLatin1String(caption), this);
        c->setObjectName(QLatin1String(name));
        c->setToolTip(hint);
        return c;
    };
    PrintMultiPage = makeBox("PrintMultiPage", "Print 4 faxes to a page",
                             QStringLiteral("Print four fax pages per printed page (two\r"
                                            "fax pages per printed page if landscape)"));
    StretchToFit = makeBox("StretchToFit", "Stretch/shrink faxes to fit on page",
                           QStringLiteral("Stretch or shrink each page so that it fits on a full sheet of printed paper"));
    PrintHeader = makeBox("PrintHeader", "Print Header", QStringLiteral("Print a header giving identifying info about the fax"));
    PrintFooter = makeBox("PrintFooter", "Print Footer", QStringLiteral("Prints page numbers in the footer"));

    auto *grid = new QGridLayout;
    auto *fromLabel = new QLabel(QStringLiteral("From Page:"), this);
    fromLabel->setBuddy(FromPage);
    auto *toLabel = new QLabel(QStringLiteral("To Page:"), this);
    toLabel->setBuddy(ToPage);
    grid->addWidget(fromLabel, 0, 0);
    grid->addWidget(FromPage, 0, 1);
    grid->addWidget(toLabel, 1, 0);
    grid->addWidget(ToPage, 1, 1);

    auto *ok = new QPushButton(QStringLiteral("Ok"), this);
    ok->setObjectName(QStringLiteral("OkBtn"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(ok, &QPushButton::clicked, this, &TPrePrintForm::OkBtnClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto *top = new QVBoxLayout(this);
    top->addLayout(grid);
    for (QCheckBox *c : {PrintMultiPage, StretchToFit, PrintHeader, PrintFooter})
        top->addWidget(c);
    top->addLayout(buttons);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

void TPrePrintForm::setOptions(const PrintOptions &o)
{
    PrintMultiPage->setChecked(o.multiPage);
    PrintHeader->setChecked(o.header);
    PrintFooter->setChecked(o.footer);
    StretchToFit->setChecked(o.stretch);
}

PrintOptions TPrePrintForm::options() const
{
    return {PrintMultiPage->isChecked(), PrintHeader->isChecked(), PrintFooter->isChecked(),
            StretchToFit->isChecked()};
}

void TPrePrintForm::OkBtnClick()
{
    if (!printRangeAcceptable(ToPage->isEnabled(), FromPage->value(), ToPage->value())) {
        messages().beep();
        return;
    }
    accept();
}

namespace {

void centreOver(QWidget &dialog, QWidget *over)
{
    dialog.adjustSize();
    QRect area;
    if (over && !over->window()->isMaximized())
        area = over->window()->frameGeometry();
    else if (QScreen *s = (over ? over->screen() : dialog.screen()))
        area = s->availableGeometry();
    if (!area.isEmpty())
        dialog.move(area.center() - QPoint(dialog.width() / 2, dialog.height() / 2));
}

// The Qt dialogs: TPrePrintForm and the system's print dialog.
class QtPrintDialogs : public IPrintDialogs {
public:
    bool askPrintChoice(QWidget *over, const PrintFormSetup &setup, PrintChoice &choice) override
    {
        TPrePrintForm form(over);
        if (setup.currentPageOnly) {
            form.FromPage->setValue(setup.fromPage);
            form.ToPage->setValue(setup.toPage);
            form.FromPage->setEnabled(false);
            form.ToPage->setEnabled(false);
            form.PrintMultiPage->setEnabled(false);
        } else {
            form.FromPage->setMaximum(std::max(1, setup.pageCount));
            form.ToPage->setMaximum(std::max(1, setup.pageCount));
            form.FromPage->setValue(setup.fromPage);
            form.ToPage->setValue(setup.toPage);
        }
        form.setOptions(setup.options);
        centreOver(form, over);
        const bool ok = form.exec() == QDialog::Accepted;
        choice.fromPage = form.FromPage->value();
        choice.toPage = form.ToPage->value();
        choice.options = form.options();
        return ok;
    }

    bool askDestination(QWidget *over, QPrinter &printer) override
    {
        QPrintDialog dialog(&printer, over);
        // The range was asked in the print form already.
        dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
        dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
        return dialog.exec() == QDialog::Accepted;
    }
};

IPrintDialogs *&installedDialogs()
{
    static IPrintDialogs *d = nullptr;
    return d;
}

// Where a PDF is proposed on a machine without a printer: the documents
// folder, else the home folder.
std::string pdfFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        dir = QDir::homePath();
    return dir.toStdString();
}

void setDestination(QPrinter &printer, const PrintDestination &d)
{
    if (d.toPdf) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(d.pdfFile));
    } else {
        printer.setOutputFormat(QPrinter::NativeFormat);
        printer.setPrinterName(QString::fromStdString(d.printerName));
    }
}

}  // namespace

IPrintDialogs &printDialogs()
{
    static QtPrintDialogs qt;
    return installedDialogs() ? *installedDialogs() : qt;
}

void setPrintDialogs(IPrintDialogs *dialogs) { installedDialogs() = dialogs; }

std::string printLogPath() { return dataDirectory() + "FAXPRINT.LOG"; }

void proposeDestination(QPrinter &printer, const std::string &faxFile)
{
    std::vector<std::string> printers;
    for (const QString &n : QPrinterInfo::availablePrinterNames())
        printers.push_back(n.toStdString());
    PrintDestination previous;
    previous.toPdf = printer.outputFormat() == QPrinter::PdfFormat;
    previous.pdfFile = printer.outputFileName().toStdString();
    previous.printerName = printer.printerName().toStdString();
    setDestination(printer, proposePrintDestination(printers, QPrinterInfo::defaultPrinterName().toStdString(),
                                                    previous, faxFile, pdfFolder()));
}

FaxPrintResult runFaxPrint(QWidget *centreOn, fax::TApdFaxPrinter &printer, const std::string &file,
                           PrintScope scope, int currentPage, const std::string &headerText, bool &rangeSet)
{
    FaxPrintResult result;
    auto fail = [&result](const std::string &reason) {
        result.kind = FaxPrintResult::Kind::Failed;
        result.error = reason;
        messages().errorBox("The fax could not be printed.\r\n\r\n" + reason);
        return result;
    };
    Settings &s = settings();
    s.loadPrintingOptions(settingsPath());
    try {
        if (printer.FileName() != file)
            printer.SetFileName(file);
    } catch (const std::exception &e) {
        return fail(e.what());
    }
    const int count = printer.FaxPageCount();
    if (!rangeSet) {
        printer.FirstPageToPrint = 1;
        printer.LastPageToPrint = count;
        rangeSet = true;
    }
    const bool current = scope == PrintScope::CurrentPage;

    PrintFormSetup setup;
    setup.currentPageOnly = current;
    setup.fromPage = current ? currentPage : printer.FirstPageToPrint;
    setup.toPage = current ? currentPage : printer.LastPageToPrint;
    setup.pageCount = count;
    setup.options = {s.multiPage, s.header, s.footer, s.stretch};
    PrintChoice choice;
    const bool ok = printDialogs().askPrintChoice(centreOn, setup, choice);

    if (!current)
        s.multiPage = choice.options.multiPage;
    s.header = choice.options.header;
    s.footer = choice.options.footer;
    s.stretch = choice.options.stretch;
    try {
        s.savePrintingOptions(settingsPath());
    } catch (const std::exception &e) {
        messages().information(e.what());
    }
    if (!ok)
        return result;

    if (current)
        choice.fromPage = choice.toPage = currentPage;
    choice.options = {s.multiPage, s.header, s.footer, s.stretch};
    applyPrintChoice(printer, choice, current, headerText);
    struct RestoreRange {
        fax::TApdFaxPrinter &p;
        bool on;
        int count;
        ~RestoreRange()
        {
            if (on) {
                p.FirstPageToPrint = 1;
                p.LastPageToPrint = count;
            }
        }
    } restore{printer, current, count};

    QPrinter &target = printer.Printer();
    proposeDestination(target, file);
    if (!printDialogs().askDestination(centreOn, target))
        return result;
    if (target.outputFormat() == QPrinter::PdfFormat) {
        const std::string name = pdfFileName(target.outputFileName().toStdString());
        if (name.empty())
            return fail("No file name was given for the PDF file.");
        target.setOutputFileName(QString::fromStdString(name));
    }
    try {
        switch (printer.PrintPages()) {
        case fax::TFaxPrintOutcome::Finished: result.kind = FaxPrintResult::Kind::Printed; break;
        case fax::TFaxPrintOutcome::Aborted: result.kind = FaxPrintResult::Kind::Aborted; break;
        case fax::TFaxPrintOutcome::Failed: return fail(printer.LastError());
        case fax::TFaxPrintOutcome::Nothing: return fail("The fax file has no page to print.");
        }
    } catch (const std::exception &e) {
        return fail(e.what());
    }
    return result;
}

}  // namespace qln::viewer
