#include "sessions/quicksetupwindow.h"

#include "common/settings.h"
#include "sessions/modemchoicepanel.h"
#include "sessions/tipwindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace qln {

namespace {
const char *const kNameTip =
    "Your name is printed in the header line at the top of every page you send. You may leave it empty.";
const char *const kNumberTip =
    "Your fax number is sent to the machine you call as your station identifier (at most 20 characters). You "
    "may leave it empty.";
const char *const kDslTip =
    "Quillon needs a fax modem on a regular analog telephone line. A DSL or cable internet connection cannot "
    "send faxes; ISDN lines need an analog adapter with a fax modem. Without a fax modem you can still try "
    "Quillon with \"Virtual modem (test line)\".";
} // namespace

TQuickSetupForm::TQuickSetupForm(Settings &settings, QWidget *parent)
    : QDialog(parent), model_(settings, port_, device_, device_.DeviceNames())
{
    PrepareSetupPort(port_);
    model_.open();
    setObjectName("TQuickSetupForm");
    setWindowTitle(quicksetup::kCaption);
    auto *layout = new QVBoxLayout(this);

    auto *who = new QGroupBox(this);
    auto *grid = new QGridLayout(who);
    grid->addWidget(new QLabel("Enter your name and fax number for identifying your sent faxes:", who), 0, 0, 1, 3);
    grid->addWidget(new QLabel("(Note: these are optional fields)", who), 1, 0, 1, 3);
    Name = new QLineEdit(QString::fromStdString(model_.name), who);
    Name->setObjectName("Name");
    Name->setMaxLength(quicksetup::kNameLength);
    FaxNumber = new QLineEdit(QString::fromStdString(model_.faxNumber), who);
    FaxNumber->setObjectName("FaxNumber");
    FaxNumber->setMaxLength(quicksetup::kFaxNumberLength);
    auto *nameLabel = new QLabel("Your &name", who);
    auto *numberLabel = new QLabel("Your &fax number ", who);
    nameLabel->setBuddy(Name);
    numberLabel->setBuddy(FaxNumber);
    grid->addWidget(nameLabel, 2, 0);
    grid->addWidget(Name, 2, 1);
    grid->addWidget(MakeTipButton(who, kNameTip), 2, 2);
    grid->addWidget(numberLabel, 3, 0);
    grid->addWidget(FaxNumber, 3, 1);
    grid->addWidget(MakeTipButton(who, kNumberTip), 3, 2);
    connect(Name, &QLineEdit::textChanged, this, [this](const QString &t) { model_.name = t.toStdString(); });
    connect(FaxNumber, &QLineEdit::textChanged, this,
            [this](const QString &t) { model_.faxNumber = t.toStdString(); });
    layout->addWidget(who);

    auto *modem = new QGroupBox("Which modem shall we use?", this);
    auto *modemLayout = new QVBoxLayout(modem);
    ModemPanel = new ModemChoicePanel(model_, ModemTestWording::QuickSetup, modem);
    modemLayout->addWidget(ModemPanel);
    auto *dsl = MakeTipButton(modem, kDslTip, "Are you using DSL or CABLE? Click here.");
    dsl->setObjectName("DslTip");
    modemLayout->addWidget(dsl, 0, Qt::AlignLeft);
    layout->addWidget(modem);

    auto *note = new QLabel("Normally this is all that is needed to get you started sending and receiving faxes. If "
                            "you experience problems, or if you wish to fine-tune your settings, click on the "
                            "Preferences option on the File menu.",
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    OkButton = new QPushButton("Ok", this);
    OkButton->setObjectName("OkButton");
    OkButton->setDefault(true);
    CancelButton = new QPushButton("Cance&l", this);
    CancelButton->setObjectName("CancelButton");
    connect(OkButton, &QPushButton::clicked, this, &TQuickSetupForm::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TQuickSetupForm::CancelButtonClick);
    buttons->addWidget(OkButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);
    setMinimumWidth(520);
}

void TQuickSetupForm::OkButtonClick()
{
    answered_ = true;
    saved_ = model_.ok();
    accept();
}

void TQuickSetupForm::CancelButtonClick()
{
    answered_ = true;
    model_.cancel();
    reject();
}

void TQuickSetupForm::closeEvent(QCloseEvent *e)
{
    // Closing the window (or Escape) is the same as Cancel.
    if (!answered_) {
        answered_ = true;
        model_.cancel();
    }
    QDialog::closeEvent(e);
}

bool TQuickSetupForm::run(QWidget *parent)
{
    TQuickSetupForm form(settings(), parent);
    const int rc = form.exec();
    if (rc != QDialog::Accepted && !form.answered_)
        form.model_.cancel();  // Escape
    return form.saved();
}

} // namespace qln
