// TPrePrintForm and the print command of the fax viewer and main window.
#include "viewer/preprint.h"

#include "common/datadir.h"
#include "common/messages.h"
#include "common/settings.h"
#include "faximage/faxprinter.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
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

}  // namespace

bool runFaxPrint(QWidget *centreOn, fax::TApdFaxPrinter &printer, const std::string &file, PrintScope scope,
                 int currentPage, const std::string &headerText, bool &rangeSet)
{
    Settings &s = settings();
    s.loadPrintingOptions(settingsPath());
    if (printer.FileName() != file)
        printer.SetFileName(file);
    const int count = printer.FaxPageCount();
    if (!rangeSet) {
        printer.FirstPageToPrint = 1;
        printer.LastPageToPrint = count;
        rangeSet = true;
    }
    const bool current = scope == PrintScope::CurrentPage;

    TPrePrintForm form(centreOn);
    if (current) {
        form.FromPage->setValue(currentPage);
        form.ToPage->setValue(currentPage);
        form.FromPage->setEnabled(false);
        form.ToPage->setEnabled(false);
        form.PrintMultiPage->setEnabled(false);
    } else {
        form.FromPage->setMaximum(std::max(1, count));
        form.ToPage->setMaximum(std::max(1, count));
        form.FromPage->setValue(printer.FirstPageToPrint);
        form.ToPage->setValue(printer.LastPageToPrint);
    }
    form.setOptions({s.multiPage, s.header, s.footer, s.stretch});
    centreOver(form, centreOn);
    const bool ok = form.exec() == QDialog::Accepted;

    const PrintOptions chosen = form.options();
    if (!current)
        s.multiPage = chosen.multiPage;
    s.header = chosen.header;
    s.footer = chosen.footer;
    s.stretch = chosen.stretch;
    try {
        s.savePrintingOptions(settingsPath());
    } catch (const std::exception &e) {
        messages().information(e.what());
    }
    if (!ok)
        return false;

    PrintChoice choice;
    choice.fromPage = form.FromPage->value();
    choice.toPage = form.ToPage->value();
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
    printer.PrintPages();
    return true;
}

}  // namespace qln::viewer
