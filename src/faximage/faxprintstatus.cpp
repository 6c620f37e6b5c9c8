#include "faximage/faxprintstatus.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cctype>

namespace qln::fax {

FaxPrinterStatusTexts faxPrinterStatusTexts(const TApdFaxPrinter &printer)
{
    FaxPrinterStatusTexts t;
    std::string name = printer.FileName();
    if (const auto slash = name.find_last_of("/\\"); slash != std::string::npos)
        name.erase(0, slash + 1);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(std::toupper(c)); });
    t.fileName = name;
    t.totalPages = std::to_string(printer.FaxPageCount());
    t.resolution = printer.FineResolution() ? "high" : "standard";
    t.width = printer.WidePage() ? "2048" : "1728";
    t.firstPage = std::to_string(printer.FirstPageToPrint);
    t.lastPage = std::to_string(printer.LastPageToPrint);
    t.statusLine = printer.StatusLine();
    return t;
}

TStandardFaxPrinterStatusDisplay::TStandardFaxPrinterStatusDisplay(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("StandardFaxPrinterStatusDisplay"));
    setWindowTitle(QStringLiteral("Print Status"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::CustomizeWindowHint);

    auto value = [this](const char *name) {
        auto *l = new QLabel(this);
        l->setObjectName(QString::fromLatin1(name));
        l->setMinimumWidth(140);
        return l;
    };
    auto *info = new QGroupBox(QStringLiteral("Fax Information"), this);
    auto *form = new QFormLayout(info);
    form->addRow(QStringLiteral("Filename"), fpsFileName = value("fpsFileName"));
    form->addRow(QStringLiteral("Total Pages"), fpsTotalPages = value("fpsTotalPages"));
    form->addRow(QStringLiteral("Resolution"), fpsResolution = value("fpsResolution"));
    form->addRow(QStringLiteral("Width"), fpsWidth = value("fpsWidth"));
    form->addRow(QStringLiteral("First Page to Print"), fpsFirstPage = value("fpsFirstPage"));
    form->addRow(QStringLiteral("Last Page to Print"), fpsLastPage = value("fpsLastPage"));

    auto *status = new QGroupBox(QStringLiteral("Status"), this);
    auto *statusLayout = new QVBoxLayout(status);
    fpsStatusLine = value("fpsStatusLine");
    statusLayout->addWidget(fpsStatusLine);

    fpsAbortButton = new QPushButton(QStringLiteral("Abort"), this);
    fpsAbortButton->setObjectName(QStringLiteral("fpsAbortButton"));
    connect(fpsAbortButton, &QPushButton::clicked, this, [this] {
        if (printer_)
            printer_->CancelPrint();
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(info);
    layout->addWidget(status);
    layout->addWidget(fpsAbortButton, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TStandardFaxPrinterStatusDisplay::showTexts(const FaxPrinterStatusTexts &t)
{
    fpsFileName->setText(QString::fromStdString(t.fileName));
    fpsTotalPages->setText(QString::fromStdString(t.totalPages));
    fpsResolution->setText(QString::fromStdString(t.resolution));
    fpsWidth->setText(QString::fromStdString(t.width));
    fpsFirstPage->setText(QString::fromStdString(t.firstPage));
    fpsLastPage->setText(QString::fromStdString(t.lastPage));
    fpsStatusLine->setText(QString::fromStdString(t.statusLine));
}

void TStandardFaxPrinterStatusDisplay::reject()
{
    if (printer_ && printer_->Printing())
        printer_->CancelPrint();
    else
        QDialog::reject();
}

TApdFaxPrinterStatus::TApdFaxPrinterStatus() = default;
TApdFaxPrinterStatus::~TApdFaxPrinterStatus() = default;

TStandardFaxPrinterStatusDisplay &TApdFaxPrinterStatus::Display()
{
    if (!display_)
        display_ = std::make_unique<TStandardFaxPrinterStatusDisplay>();
    return *display_;
}

void TApdFaxPrinterStatus::ShowDisplay(TApdFaxPrinter &printer)
{
    TStandardFaxPrinterStatusDisplay &d = Display();
    d.setWindowTitle(QString::fromStdString(Caption));
    d.setPrinter(&printer);
    d.showTexts(faxPrinterStatusTexts(printer));
    d.adjustSize();
    if (const QScreen *s = QGuiApplication::primaryScreen())
        d.move(s->availableGeometry().center() - d.rect().center());
    d.show();
}

void TApdFaxPrinterStatus::UpdateDisplay(TApdFaxPrinter &printer)
{
    if (display_)
        display_->showTexts(faxPrinterStatusTexts(printer));
}

void TApdFaxPrinterStatus::HideDisplay()
{
    if (display_) {
        display_->hide();
        display_->setPrinter(nullptr);
    }
}

bool TApdFaxPrinterStatus::DisplayVisible() const { return display_ && display_->isVisible(); }

} // namespace qln::fax
