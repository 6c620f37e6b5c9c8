#include "sessions/modemdeviceselect.h"

#include "telephony/modemdevice.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qln {

std::string ChooseModemDevice(QWidget *parent, const std::vector<std::string> &names, const std::string &wanted,
                              const std::function<void(QDialog &)> &beforeExec)
{
    QDialog dialog(parent);
    dialog.setObjectName("ModemDeviceSelection");
    dialog.setWindowTitle("Select Modem Device");
    auto *layout = new QVBoxLayout(&dialog);
    if (!wanted.empty())
        layout->addWidget(
            new QLabel(QString("The modem device \"%1\" is not present.").arg(QString::fromStdString(wanted)), &dialog));
    layout->addWidget(new QLabel("Please choose a modem device:", &dialog));
    auto *list = new QListWidget(&dialog);
    for (const auto &n : names)
        list->addItem(QString::fromStdString(n));
    if (list->count() > 0)
        list->setCurrentRow(0);
    layout->addWidget(list);
    auto *buttons = new QDialogButtonBox(&dialog);
    buttons->addButton("OK", QDialogButtonBox::AcceptRole);
    buttons->addButton("Cancel", QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    if (beforeExec)
        beforeExec(dialog);
    if (dialog.exec() != QDialog::Accepted || !list->currentItem())
        return {};
    return list->currentItem()->text().toStdString();
}

void InstallDeviceSelectionDialog()
{
    TModemDevice::SetDeviceChooser([](const std::vector<std::string> &names, const std::string &wanted) {
        // Without a screen there is no one to ask.
        if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
            return std::string();
        return ChooseModemDevice(QApplication::activeWindow(), names, wanted);
    });
}

} // namespace qln
