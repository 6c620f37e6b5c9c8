#include "sessions/preferenceswindow.h"

#include "common/settings.h"
#include "sessions/faxclasscheckwindow.h"
#include "sessions/initstringhelperwindow.h"
#include "sessions/modemchoicepanel.h"
#include "sessions/modemhelpers.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#ifdef QLN_HAVE_MULTIMEDIA
#include <QSoundEffect>
#include <QUrl>
#endif

namespace qln {

std::vector<std::string> InstalledPrinters()
{
    std::vector<std::string> names;
    for (const QString &n : QPrinterInfo::availablePrinterNames())
        names.push_back(n.toStdString());
    return names;
}

TPreferences::TPreferences(Settings &settings, QWidget *parent)
    : TPreferences(settings, InstalledPrinters(), parent)
{
}

TPreferences::TPreferences(Settings &settings, std::vector<std::string> printers, QWidget *parent)
    : QDialog(parent), model_(settings, port_, device_, fax_, device_.DeviceNames(), std::move(printers))
{
    PrepareSetupPort(port_);
    fax_.SetComPort(&port_);
    model_.open();
    installTools();
    build();
    refresh();
}

void TPreferences::installTools()
{
    model_.classCheckRunner = [this](const ClassCheckRequest &request) {
        return TCheckFaxClassForm::run(port_, fax_, request, this);
    };
    model_.initStringRunner = [this](const std::string &current, bool hangUpOffered) {
        return TModemInitStringHelperForm::run(current, hangUpOffered, this);
    };
    model_.fileChooser = [this](const std::string &dir, const std::string &preset,
                                const std::string &) -> std::optional<std::string> {
        const QString start = QString::fromStdString(preset.empty() ? dir : preset);
        const QString name =
            QFileDialog::getOpenFileName(this, "Select WAV File", start, "WAVE files (*.wav)");
        if (name.isEmpty())
            return std::nullopt;
        return name.toStdString();
    };
    model_.soundPlayer = [this](const std::string &file) {
#ifdef QLN_HAVE_MULTIMEDIA
        // Plays without waiting; a missing sound device is not an error.
        auto *sound = new QSoundEffect(this);
        sound->setSource(QUrl::fromLocalFile(QString::fromStdString(file)));
        connect(sound, &QSoundEffect::playingChanged, sound, [sound] {
            if (!sound->isPlaying())
                sound->deleteLater();
        });
        sound->play();
#else
        (void)file;
#endif
    };
}

void TPreferences::build()
{
    setObjectName("TPreferences");
    setWindowTitle(prefs::kCaption);
    auto *layout = new QVBoxLayout(this);

    auto *top = new QHBoxLayout;
    PageLabel = new QLabel(this);
    PageLabel->setObjectName("PageLabel");
    QFont heading = PageLabel->font();
    heading.setBold(true);
    heading.setPointSizeF(heading.pointSizeF() * 1.4);
    PageLabel->setFont(heading);
    PageCombo = new QComboBox(this);
    PageCombo->setObjectName("PageCombo");
    for (const char *t : prefs::kPageTitles)
        PageCombo->addItem(t);
    connect(PageCombo, &QComboBox::activated, this, [this](int i) {
        model_.jump(i);
        showPage();
    });
    top->addWidget(PageLabel, 1);
    top->addWidget(new QLabel("Go to:", this));
    top->addWidget(PageCombo);
    layout->addLayout(top);

    Pages = new QStackedWidget(this);
    Pages->setObjectName("Pages");
    buildPages();
    layout->addWidget(Pages, 1);

    auto *buttons = new QHBoxLayout;
    auto makeButton = [this, buttons](const char *caption, const char *name) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    HelpButton = makeButton("&Help", "HelpButton");
    TechHelpButton = makeButton("Technical Help", "TechHelpButton");
    buttons->addStretch();
    BackButton = makeButton("< Back", "BackButton");
    NextButton = makeButton("Next >", "NextButton");
    FinishButton = makeButton("&Finish", "FinishButton");
    CancelButton = makeButton("Cance&l", "CancelButton");
    layout->addLayout(buttons);
    connect(HelpButton, &QPushButton::clicked, this, &TPreferences::HelpButtonClick);
    connect(TechHelpButton, &QPushButton::clicked, this, [] { TechnicalHelp(); });
    connect(BackButton, &QPushButton::clicked, this, &TPreferences::BackButtonClick);
    connect(NextButton, &QPushButton::clicked, this, &TPreferences::NextButtonClick);
    connect(FinishButton, &QPushButton::clicked, this, &TPreferences::FinishButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    model_.onChange = [this] { refresh(); };
    showPage();
}

QPushButton *TPreferences::button(const char *objectName) const { return findChild<QPushButton *>(objectName); }

void TPreferences::refresh()
{
    loading_ = true;
    for (auto &load : loaders_)
        load();
    loading_ = false;
    if (ModemPanel)
        ModemPanel->refresh();
}

void TPreferences::showPage()
{
    const int page = model_.page();
    Pages->setCurrentIndex(page);
    PageCombo->setCurrentIndex(page);
    PageLabel->setText(QString::fromStdString(model_.title()));
    BackButton->setEnabled(model_.backEnabled());
    NextButton->setEnabled(model_.nextEnabled());
    FinishButton->setEnabled(model_.finishEnabled());
    HelpButton->setEnabled(prefs::helpTopic(page) != 0);
}

void TPreferences::NextButtonClick()
{
    model_.next();
    showPage();
}

void TPreferences::BackButtonClick()
{
    model_.back();
    showPage();
}

void TPreferences::HelpButtonClick()
{
    if (int topic = prefs::helpTopic(model_.page()))
        OpenHelpTopic(topic);
}

void TPreferences::FinishButtonClick()
{
    switch (model_.finish()) {
    case PreferencesModel::FinishResult::StayOpen:
        return;
    case PreferencesModel::FinishResult::Saved:
        saved_ = true;
        accept();
        return;
    case PreferencesModel::FinishResult::Stopped:
        reject();
        return;
    }
}

bool TPreferences::run(QWidget *parent)
{
    TPreferences wizard(settings(), parent);
    wizard.exec();
    return wizard.saved();
}

// ---- Bindings ---------------------------------------------------------------

QLineEdit *TPreferences::bindEdit(QWidget *parent, const char *name, std::string &field, int maxLength)
{
    auto *edit = new QLineEdit(parent);
    edit->setObjectName(name);
    if (maxLength > 0)
        edit->setMaxLength(maxLength);
    connect(edit, &QLineEdit::textChanged, this, [this, &field](const QString &text) {
        if (!loading_)
            field = text.toStdString();
    });
    loaders_.push_back([edit, &field] { edit->setText(QString::fromStdString(field)); });
    return edit;
}

QCheckBox *TPreferences::bindCheck(QWidget *parent, const char *name, const QString &caption, bool &field)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    connect(box, &QCheckBox::toggled, this, [this, &field](bool on) {
        if (!loading_)
            field = on;
    });
    loaders_.push_back([box, &field] { box->setChecked(field); });
    return box;
}

QButtonGroup *TPreferences::bindRadios(QWidget *group, const char *name, const QStringList &items, int &field,
                                       int columns)
{
    auto *buttons = new QButtonGroup(group);
    buttons->setObjectName(name);
    auto *grid = new QGridLayout(group);
    for (int i = 0; i < items.size(); ++i) {
        auto *radio = new QRadioButton(items[i], group);
        buttons->addButton(radio, i);
        grid->addWidget(radio, i / columns, i % columns);
    }
    connect(buttons, &QButtonGroup::idClicked, this, [this, &field](int id) {
        if (!loading_)
            field = id;
    });
    loaders_.push_back([buttons, &field] {
        // No item is checked for a value outside the list.
        buttons->setExclusive(false);
        for (auto *b : buttons->buttons())
            b->setChecked(buttons->id(b) == field);
        buttons->setExclusive(true);
    });
    return buttons;
}

QComboBox *TPreferences::bindCombo(QWidget *parent, const char *name, const QStringList &items, int &field)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->addItems(items);
    connect(combo, &QComboBox::currentIndexChanged, this, [this, &field](int i) {
        if (!loading_)
            field = i;
    });
    loaders_.push_back([combo, &field] { combo->setCurrentIndex(field); });
    return combo;
}

} // namespace qln
