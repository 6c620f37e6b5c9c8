#include "sessions/initstringhelperwindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qln {

TModemInitStringHelperForm::TModemInitStringHelperForm(const std::string &current, bool hangUpOffered,
                                                       QWidget *parent)
    : QDialog(parent), helper_(current, hangUpOffered), result_(current)
{
    setObjectName("TModemInitStringHelperForm");
    setWindowTitle(initstring::kCaption);
    auto *layout = new QVBoxLayout(this);
    auto *group = new QGroupBox(initstring::kKindsTitle, this);
    group->setObjectName("ModemKind");
    auto *groupLayout = new QVBoxLayout(group);
    Kinds = new QButtonGroup(this);
    for (size_t i = 0; i < kModemKinds.size(); ++i) {
        auto *radio = new QRadioButton(kModemKinds[i].item, group);
        Kinds->addButton(radio, int(i));
        groupLayout->addWidget(radio);
    }
    Kinds->button(helper_.kind)->setChecked(true);
    connect(Kinds, &QButtonGroup::idClicked, this, [this](int id) { helper_.kind = id; });
    layout->addWidget(group);

    auto *hangUp = new QHBoxLayout;
    CheckAT7 = new QCheckBox(this);
    CheckAT7->setObjectName("CheckAT7");
    CheckAT7->setChecked(helper_.hangUp);
    connect(CheckAT7, &QCheckBox::toggled, this, [this](bool on) { helper_.hangUp = on; });
    HangUpText = new QLabel(initstring::kHangUpText, this);
    HangUpText->setWordWrap(true);
    // Clicking the text toggles the box, as a check box caption would.
    HangUpText->installEventFilter(this);
    hangUp->addWidget(CheckAT7, 0, Qt::AlignTop);
    hangUp->addWidget(HangUpText, 1);
    layout->addLayout(hangUp);
    CheckAT7->setVisible(hangUpOffered);
    HangUpText->setVisible(hangUpOffered);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *ok = new QPushButton("Ok", this);
    auto *cancel = new QPushButton("Cancel", this);
    auto *blank = new QPushButton("Leave it Blank", this);
    ok->setObjectName("OkButton");
    cancel->setObjectName("CancelButton");
    blank->setObjectName("BlankButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] {
        result_ = helper_.ok();
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(blank, &QPushButton::clicked, this, [this] {
        result_ = InitStringHelper::leaveBlank();
        accept();
    });
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(blank);
    layout->addLayout(buttons);
    setMinimumWidth(460);
}

bool TModemInitStringHelperForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == HangUpText && event->type() == QEvent::MouseButtonRelease) {
        CheckAT7->toggle();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

std::string TModemInitStringHelperForm::run(const std::string &current, bool hangUpOffered, QWidget *parent)
{
    TModemInitStringHelperForm form(current, hangUpOffered, parent);
    form.exec();
    return form.result();
}

} // namespace qln
