// TQuickSetupForm: the quick set-up window. It asks for the user's name and
// fax number and the modem; "Ok" stores them, "Cance&l" leaves everything as
// it was (quicksetup.h has the decisions).
#pragma once

#include "comms/comport.h"
#include "sessions/quicksetup.h"
#include "telephony/modemdevice.h"

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace qln {

class ModemChoicePanel;

class TQuickSetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TQuickSetupForm(Settings &settings, QWidget *parent = nullptr);

    QuickSetupModel &model() { return model_; }
    ModemChoicePanel *modemPanel() const { return ModemPanel; }
    QLineEdit *nameEdit() const { return Name; }
    QLineEdit *faxNumberEdit() const { return FaxNumber; }
    QPushButton *okButton() const { return OkButton; }
    QPushButton *cancelButton() const { return CancelButton; }
    // Whether "Ok" stored and saved the settings.
    bool saved() const { return saved_; }

    // Runs the quick set-up over the program's settings; true after "Ok".
    static bool run(QWidget *parent = nullptr);

public slots:
    void OkButtonClick();
    void CancelButtonClick();

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    TApdComPort port_;
    TModemDevice device_;
    QuickSetupModel model_;
    ModemChoicePanel *ModemPanel = nullptr;
    QLineEdit *Name = nullptr;
    QLineEdit *FaxNumber = nullptr;
    QPushButton *OkButton = nullptr;
    QPushButton *CancelButton = nullptr;
    bool saved_ = false;
    bool answered_ = false;
};

} // namespace qln
