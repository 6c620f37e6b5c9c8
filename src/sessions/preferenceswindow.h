// TPreferences: the preferences wizard window. Nine pages of settings that
// the user steps through with "< Back" and "Next >" or jumps between with
// the page list; "&Finish" stores them (preferences.h has every decision).
// The window owns the serial port, telephony device and fax sender that
// the modem tools use.
#pragma once

#include "comms/comport.h"
#include "fax/faxsendfax.h"
#include "sessions/preferences.h"
#include "telephony/modemdevice.h"

#include <QDialog>

#include <functional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QWidget;

namespace qln {

class ModemChoicePanel;

class TPreferences : public QDialog {
    Q_OBJECT
public:
    // printers: the installed printers; by default the system's.
    explicit TPreferences(Settings &settings, QWidget *parent = nullptr);
    TPreferences(Settings &settings, std::vector<std::string> printers, QWidget *parent = nullptr);

    PreferencesModel &model() { return model_; }
    // Shows the model's values (after an action changed them).
    void refresh();
    // Whether "&Finish" stored and saved the settings.
    bool saved() const { return saved_; }

    QPushButton *button(const char *objectName) const;
    QStackedWidget *pages() const { return Pages; }
    ModemChoicePanel *modemPanel() const { return ModemPanel; }

    // Runs the wizard over the program's settings; true when finished and saved.
    static bool run(QWidget *parent = nullptr);

public slots:
    void NextButtonClick();
    void BackButtonClick();
    void FinishButtonClick();
    void HelpButtonClick();

private:
    void build();
    void buildPages();
    QWidget *pageInformation();
    QWidget *pageModem();
    QWidget *pageSending1();
    QWidget *pageSending2();
    QWidget *pageSending3();
    QWidget *pageReceiving1();
    QWidget *pageReceiving2();
    QWidget *pageReceiving3();
    QWidget *pageAdvanced();
    void showPage();
    void installTools();

    // Bindings between a control and a field of the model; refresh() runs
    // every loader.
    QLineEdit *bindEdit(QWidget *parent, const char *name, std::string &field, int maxLength = 0);
    QCheckBox *bindCheck(QWidget *parent, const char *name, const QString &caption, bool &field);
    QButtonGroup *bindRadios(QWidget *group, const char *name, const QStringList &items, int &field,
                             int columns = 1);
    QComboBox *bindCombo(QWidget *parent, const char *name, const QStringList &items, int &field);

    TApdComPort port_;
    TModemDevice device_;
    fax::TApdSendFax fax_;
    PreferencesModel model_;
    std::vector<std::function<void()>> loaders_;
    bool loading_ = false;
    bool saved_ = false;

    QComboBox *PageCombo = nullptr;
    QLabel *PageLabel = nullptr;
    QStackedWidget *Pages = nullptr;
    ModemChoicePanel *ModemPanel = nullptr;
    QPushButton *HelpButton = nullptr, *CancelButton = nullptr, *BackButton = nullptr, *NextButton = nullptr,
                *FinishButton = nullptr, *TechHelpButton = nullptr;
};

// The installed printers' names (CUPS).
std::vector<std::string> InstalledPrinters();

} // namespace qln
