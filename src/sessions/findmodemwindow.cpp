#include "sessions/findmodemwindow.h"

#include "sessions/findmodem.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace qln {

TFindModemForm::TFindModemForm(TApdComPort &port, QWidget *parent) : QDialog(parent), port_(port)
{
    setObjectName("TFindModemForm");
    setWindowTitle(findmodem::kCaptionBusy);
    // No system menu: the window is left with "Ok" once the search is done.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto *layout = new QVBoxLayout(this);
    auto *ports = new QGroupBox(findmodem::kPortsTitle, this);
    auto *portsLayout = new QVBoxLayout(ports);
    for (int i = 0; i < findmodem::kPorts; ++i) {
        PortLabels[size_t(i)] = new QLabel(QString("Com %1:").arg(i + 1), ports);
        PortLabels[size_t(i)]->setObjectName(QString("ComLabel%1").arg(i + 1));
        portsLayout->addWidget(PortLabels[size_t(i)]);
    }
    layout->addWidget(ports);
    MessageLine = new QLabel(findmodem::kTesting, this);
    MessageLine->setObjectName("MessageLine");
    MessageLine->setWordWrap(true);
    MessageLine->setMinimumHeight(60);
    MessageLine->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    layout->addWidget(MessageLine);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    Ok = new QPushButton("Ok", this);
    Ok->setObjectName("Ok");
    Ok->setVisible(false);
    connect(Ok, &QPushButton::clicked, this, &QDialog::accept);
    buttons->addWidget(Ok);
    layout->addLayout(buttons);
    setMinimumWidth(420);
}

QString TFindModemForm::portLabel(int port) const { return PortLabels[size_t(port - 1)]->text(); }
QString TFindModemForm::messageText() const { return MessageLine->text(); }

void TFindModemForm::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!started_) {
        started_ = true;
        QTimer::singleShot(0, this, &TFindModemForm::search);
    }
}

void TFindModemForm::reject()
{
    if (done_)
        QDialog::reject();
}

void TFindModemForm::closeEvent(QCloseEvent *e)
{
    if (!done_)
        e->ignore();
    else
        QDialog::closeEvent(e);
}

void TFindModemForm::search()
{
    Ok->setVisible(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    FindModem finder(port_);
    finder.onLabel = [this](int port, const std::string &text) {
        PortLabels[size_t(port - 1)]->setText(QString::fromStdString(text));
        PortLabels[size_t(port - 1)]->repaint();
    };
    result_ = finder.run();
    QApplication::restoreOverrideCursor();
    MessageLine->setText(QString::fromStdString(finder.message()));
    Ok->setVisible(true);
    Ok->setDefault(true);
    setWindowTitle(findmodem::kCaptionDone);
    done_ = true;
}

int TFindModemForm::run(TApdComPort &port, QWidget *parent)
{
    TFindModemForm form(port, parent);
    form.exec();
    return form.result();
}

} // namespace qln
