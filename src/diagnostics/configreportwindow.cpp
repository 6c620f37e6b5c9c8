#include "diagnostics/configreportwindow.h"

#include "common/atomicfile.h"
#include "common/messages.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qln {

ConfigReportWindow::ConfigReportWindow(const std::string &reportText, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ConfigReportWindow"));
    setWindowTitle(QString::fromLatin1(kConfigReportCaption));
    auto *layout = new QVBoxLayout(this);
    auto *intro = new QLabel(tr("Attach this report to a bug report or a support request. "
                                "It holds no fax numbers, names or documents."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    text_ = new QPlainTextEdit(this);
    text_->setObjectName(QStringLiteral("reportText"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setPlainText(QString::fromStdString(reportText));
    layout->addWidget(text_, 1);

    auto *buttons = new QHBoxLayout;
    copy_ = new QPushButton(tr("&Copy to Clipboard"), this);
    copy_->setObjectName(QStringLiteral("btnCopy"));
    save_ = new QPushButton(tr("&Save As..."), this);
    save_->setObjectName(QStringLiteral("btnSave"));
    close_ = new QPushButton(tr("Close"), this);
    close_->setObjectName(QStringLiteral("btnClose"));
    close_->setDefault(true);
    buttons->addWidget(copy_);
    buttons->addWidget(save_);
    buttons->addStretch(1);
    buttons->addWidget(close_);
    layout->addLayout(buttons);

    connect(copy_, &QPushButton::clicked, this, &ConfigReportWindow::copyToClipboard);
    connect(save_, &QPushButton::clicked, this, &ConfigReportWindow::saveAs);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    resize(760, 560);
}

QString ConfigReportWindow::reportText() const { return text_->toPlainText(); }

void ConfigReportWindow::copyToClipboard() const
{
    if (QClipboard *clip = QGuiApplication::clipboard())
        clip->setText(reportText());
}

bool ConfigReportWindow::saveTo(const QString &path, QString &error) const
{
    std::string why;
    QString body = reportText();
    if (!body.endsWith(QLatin1Char('\n')))
        body += QLatin1Char('\n');
    if (writeFileAtomically(path.toStdString(), body.toStdString(), &why))
        return true;
    error = QString::fromStdString(why);
    return false;
}

void ConfigReportWindow::saveAs()
{
    const QString path = QFileDialog::getSaveFileName(
        this, tr("Save Configuration Report"), QDir::home().filePath(QStringLiteral("quillon-report.txt")),
        tr("Text files (*.txt);;All files (*)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!saveTo(path, error))
        messages().information("Unable to save the report to " + path.toStdString() + ": " + error.toStdString());
}

} // namespace qln
