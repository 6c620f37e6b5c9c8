// The modem choice controls shared by the wizard's page 1 and the quick
// set-up: the port radio with the list "Com1".."Com8" and "Find Modem
// Port", "-- or --", and the telephony radio with the device list and "Test
// Modem". The panel shows a ModemChoiceModel and hands clicks to it.
#pragma once

#include "sessions/modemchoice.h"

#include <QWidget>

class QComboBox;
class QPushButton;
class QRadioButton;

namespace qln {

class ModemChoicePanel : public QWidget {
    Q_OBJECT
public:
    ModemChoicePanel(ModemChoiceModel &model, ModemTestWording wording, QWidget *parent = nullptr);

    // Shows the model's state (after presets and actions).
    void refresh();

    QRadioButton *UseComPortCheckBox = nullptr;
    QRadioButton *UseTapiCheckbox = nullptr;
    QComboBox *ComPort = nullptr;
    QComboBox *TapiCombo = nullptr;
    QPushButton *FindModemButton = nullptr;
    QPushButton *TestModemButton = nullptr;

private:
    ModemChoiceModel &model_;
    ModemTestWording wording_;
    bool loading_ = false;
};

} // namespace qln
