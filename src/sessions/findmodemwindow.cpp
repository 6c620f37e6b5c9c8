#include "sessions/findmodemwindow.h"

#include "sessions/findmodem.h"

#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace qln {

TFindModemForm::TFindModemForm(TApdComPort &port, QWidget *parent)
    : ToolWindow(findmodem::kCaptionBusy, parent), port_(port)
{
    setObjectName("TFindModemForm");
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
    addOkRow();
    setMinimumWidth(420);
}

QString TFindModemForm::portLabel(int port) const { return PortLabels[size_t(port - 1)]->text(); }
QString TFindModemForm::messageText() const { return MessageLine->text(); }
const char *TFindModemForm::doneCaption() const { return findmodem::kCaptionDone; }

void TFindModemForm::work()
{
    FindModem finder(port_);
    finder.onLabel = [this](int port, const std::string &text) {
        PortLabels[size_t(port - 1)]->setText(QString::fromStdString(text));
        PortLabels[size_t(port - 1)]->repaint();
    };
    result_ = finder.run();
    MessageLine->setText(QString::fromStdString(finder.message()));
}

int TFindModemForm::run(TApdComPort &port, QWidget *parent)
{
    TFindModemForm form(port, parent);
    form.exec();
    return form.result();
}

} // namespace qln
