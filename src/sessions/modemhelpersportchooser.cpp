#include "sessions/modemhelpersportchooser.h"

#include "comms/comport.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qln {

int ChoosePort(QWidget *parent, const std::vector<int> &ports,
               const std::function<void(QDialog &)> &beforeExec)
{
    QDialog dialog(parent);
    dialog.setObjectName("PortChooser");
    dialog.setWindowTitle("Select Port");
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel("The configured serial port is not valid.", &dialog));
    layout->addWidget(new QLabel("Please choose another port.", &dialog));
    auto *combo = new QComboBox(&dialog);
    for (int n : ports)
        combo->addItem(QString("COM%1").arg(n), n);
    layout->addWidget(combo);
    auto *buttons = new QDialogButtonBox(&dialog);
    buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (beforeExec)
        beforeExec(dialog);
    if (dialog.exec() != QDialog::Accepted || combo->currentIndex() < 0)
        return 0;
    return combo->currentData().toInt();
}

void InstallPortChooserDialog()
{
    TApdComPort::SetPortChooser([](TApdComPort &) {
        // Without a screen there is no one to ask: the open fails with 2011.
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            return 0;
        return ChoosePort(QApplication::activeWindow(), TApdComPort::AvailablePorts());
    });
}

} // namespace qln
