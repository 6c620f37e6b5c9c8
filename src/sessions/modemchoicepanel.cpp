#include "sessions/modemchoicepanel.h"

#include "comms/comport.h"
#include "sessions/findmodemwindow.h"
#include "sessions/modemhelpers.h"
#include "sessions/tipwindow.h"

#include <QApplication>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace qln {

namespace {
const char *const kPortTip =
    "Choose the serial port your fax modem is connected to. If you do not know it, click \"Find Modem "
    "Port\": every port from COM1 to COM6 is tried and the first one where a modem answers is suggested.";
const char *const kDeviceTip =
    "Choose your modem by name: USB and other serial modems are listed by their device names, the ports of "
    "the [Ports] section of QLN.INI as COM ports. \"Virtual modem (test line)\" is a modem on a simulated "
    "telephone line with a fax machine on number 100, for trying Quillon without a fax modem. \"Test Modem\" "
    "checks that the chosen modem answers.";
} // namespace

ModemChoicePanel::ModemChoicePanel(ModemChoiceModel &model, ModemTestWording wording, QWidget *parent)
    : QWidget(parent), model_(model), wording_(wording)
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    UseComPortCheckBox = new QRadioButton("Select the communications port for your modem:", this);
    UseComPortCheckBox->setObjectName("UseComPortCheckBox");
    ComPort = new QComboBox(this);
    ComPort->setObjectName("ComPort");
    for (int i = 1; i <= modemchoice::kPorts; ++i)
        ComPort->addItem(QString::fromStdString(PortText(i)));
    FindModemButton = new QPushButton("Find Modem Port", this);
    FindModemButton->setObjectName("FindModemButton");
    UseTapiCheckbox = new QRadioButton("Select your modem from this list", this);
    UseTapiCheckbox->setObjectName("UseTapiCheckbox");
    TapiCombo = new QComboBox(this);
    TapiCombo->setObjectName("TapiCombo");
    TapiCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    TapiCombo->setMinimumContentsLength(22);
    for (const auto &d : model_.devices())
        TapiCombo->addItem(QString::fromStdString(d));
    TestModemButton = new QPushButton("Test Modem", this);
    TestModemButton->setObjectName("TestModemButton");

    grid->addWidget(UseComPortCheckBox, 0, 0, 1, 3);
    grid->addWidget(MakeTipButton(this, kPortTip), 0, 3);
    grid->addWidget(ComPort, 1, 1);
    grid->addWidget(FindModemButton, 1, 2);
    grid->addWidget(new QLabel("-- or --", this), 2, 0);
    grid->addWidget(UseTapiCheckbox, 3, 0, 1, 3);
    grid->addWidget(MakeTipButton(this, kDeviceTip), 3, 3);
    grid->addWidget(TapiCombo, 4, 1);
    grid->addWidget(TestModemButton, 4, 2);
    grid->setColumnMinimumWidth(0, 16);
    grid->setColumnStretch(1, 1);

    // Both radios share the widget as parent, so Qt keeps them exclusive.
    connect(UseComPortCheckBox, &QRadioButton::toggled, this, [this](bool on) {
        if (!loading_ && on) {
            model_.chooseTapi(false);
            refresh();
        }
    });
    connect(UseTapiCheckbox, &QRadioButton::toggled, this, [this](bool on) {
        if (!loading_ && on) {
            model_.chooseTapi(true);
            refresh();
        }
    });
    connect(ComPort, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!loading_)
            model_.comPortIndex = i;
    });
    connect(TapiCombo, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (!loading_)
            model_.deviceIndex = i;
    });
    connect(FindModemButton, &QPushButton::clicked, this, [this] {
        model_.findModemPort();
        refresh();
    });
    connect(TestModemButton, &QPushButton::clicked, this, [this] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        struct Restore {
            ~Restore() { QApplication::restoreOverrideCursor(); }
        } restore;
        model_.testModem(wording_);
    });
    if (!model_.findModemRunner)
        model_.findModemRunner = [this](TApdComPort &port) { return TFindModemForm::run(port, window()); };
    refresh();
}

void ModemChoicePanel::refresh()
{
    loading_ = true;
    // The devices follow the [Ports] section the model has read.
    for (int i = 0; i < ComPort->count(); ++i)
        ComPort->setItemText(i, QString::fromStdString(PortText(i + 1)));
    UseTapiCheckbox->setChecked(model_.useTapi());
    UseComPortCheckBox->setChecked(!model_.useTapi());
    ComPort->setCurrentIndex(model_.comPortIndex);
    TapiCombo->setCurrentIndex(model_.deviceIndex);
    ComPort->setEnabled(model_.portControlsEnabled());
    FindModemButton->setEnabled(model_.portControlsEnabled());
    TapiCombo->setEnabled(model_.tapiControlsEnabled());
    TestModemButton->setEnabled(model_.tapiControlsEnabled());
    loading_ = false;
}

} // namespace qln
