#include "sessions/sendfaxform.h"

#include "sessions/modemhelpers.h"
#include "sessions/sendingtips.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace qln {

namespace {

const char *const kPrefixHint =
    "Digits dialled before the fax number. Do not include \"ATD\" or a tone or pulse letter "
    "(T, P); a comma inserts a 2-second pause.";
const char *const kSuffixHint =
    "Digits dialled after the fax number. Do not include \"ATD\" or a tone or pulse letter "
    "(T, P); a comma inserts a 2-second pause.";

QLabel *boldLabel(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

}  // namespace

TSendFaxForm::TSendFaxForm(Settings &settings, const std::string &faxFile, const std::string &dataDir,
                           QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      job_(settings, faxFile, dataDir)
{
    setObjectName(QStringLiteral("SendFaxForm"));
    setWindowTitle(QStringLiteral("Send Fax"));
    job_.setView(this);
    ApdFaxStatus1.Caption = "Fax Status";
    ApdFaxStatus1.Fax = &job_.ApdSendFax1;
    job_.ApdSendFax1.StatusDisplay = &ApdFaxStatus1;

    auto *outer = new QVBoxLayout(this);
    auto *columns = new QHBoxLayout;
    outer->addLayout(columns);

    // Left: the fax and the number to dial.
    auto *left = new QVBoxLayout;
    columns->addLayout(left, 3);
    auto *who = new QFormLayout;
    ToLabel = boldLabel(QString(), this);
    ToLabel->setObjectName(QStringLiteral("ToLabel"));
    Subjectlabel = boldLabel(QString(), this);
    Subjectlabel->setObjectName(QStringLiteral("Subjectlabel"));
    who->addRow(QStringLiteral("To:"), ToLabel);
    who->addRow(QStringLiteral("Subject:"), Subjectlabel);
    left->addLayout(who);

    auto *numberLabel = new QLabel(QStringLiteral("&Fax Number to dial:"), this);
    sfPhoneNumber = new QLineEdit(this);
    sfPhoneNumber->setObjectName(QStringLiteral("sfPhoneNumber"));
    sfPhoneNumber->setMaxLength(kMaxPhoneNumber);
    sfPhoneNumber->setToolTip(QStringLiteral("Enter the recipient phone # here"));
    numberLabel->setBuddy(sfPhoneNumber);
    left->addWidget(numberLabel);
    left->addWidget(sfPhoneNumber);

    auto *prefixLabel = new QLabel(QStringLiteral("&Dial prefix (dial before the fax#):"), this);
    sfDialPrefix = new QLineEdit(this);
    sfDialPrefix->setObjectName(QStringLiteral("sfDialPrefix"));
    sfDialPrefix->setToolTip(QString::fromLatin1(kPrefixHint));
    prefixLabel->setBuddy(sfDialPrefix);
    DisablePrefix = new QCheckBox(QStringLiteral("Disable Prefix"), this);
    DisablePrefix->setObjectName(QStringLiteral("DisablePrefix"));
    left->addWidget(prefixLabel);
    auto *prefixRow = new QHBoxLayout;
    prefixRow->addWidget(sfDialPrefix, 1);
    prefixRow->addWidget(DisablePrefix);
    left->addLayout(prefixRow);

    auto *suffixLabel = new QLabel(QStringLiteral("&Dial suffix (dial after the fax#):"), this);
    sfDialsuffix = new QLineEdit(this);
    sfDialsuffix->setObjectName(QStringLiteral("sfDialsuffix"));
    sfDialsuffix->setToolTip(QString::fromLatin1(kSuffixHint));
    suffixLabel->setBuddy(sfDialsuffix);
    DisableSuffix = new QCheckBox(QStringLiteral("Disable Suffix"), this);
    DisableSuffix->setObjectName(QStringLiteral("DisableSuffix"));
    left->addWidget(suffixLabel);
    auto *suffixRow = new QHBoxLayout;
    suffixRow->addWidget(sfDialsuffix, 1);
    suffixRow->addWidget(DisableSuffix);
    left->addLayout(suffixRow);

    SendFaxButton = new QPushButton(QStringLiteral("&Send Fax Now"), this);
    SendFaxButton->setObjectName(QStringLiteral("SendFaxButton"));
    SendFaxButton->setToolTip(QStringLiteral("Attempt to send the fax"));
    SendFaxButton->setDefault(true);
    left->addSpacing(8);
    left->addWidget(SendFaxButton);
    left->addStretch(1);

    // Right: the tips.
    auto *assist = new QGroupBox(QStringLiteral("Fax Sending Assistance:"), this);
    auto *assistLayout = new QVBoxLayout(assist);
    buildTips(assistLayout);
    columns->addWidget(assist, 2);

    status = new QLabel(this);
    status->setObjectName(QStringLiteral("status"));
    status->setFrameShape(QFrame::StyledPanel);
    status->setFrameShadow(QFrame::Sunken);
    status->setMinimumHeight(status->fontMetrics().height() + 8);
    outer->addWidget(status);

    auto *bottom = new QHBoxLayout;
    HelpButton = new QPushButton(QStringLiteral("&Help"), this);
    HelpButton->setObjectName(QStringLiteral("HelpButton"));
    HelpButton->setAutoDefault(false);
    TechHelpButton = new QPushButton(QStringLiteral("Technical Help"), this);
    TechHelpButton->setObjectName(QStringLiteral("TechHelpButton"));
    TechHelpButton->setAutoDefault(false);
    CloseButton = new QPushButton(QStringLiteral("C&lose"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setAutoDefault(false);
    bottom->addWidget(HelpButton);
    bottom->addWidget(TechHelpButton);
    bottom->addStretch(1);
    bottom->addWidget(CloseButton);
    outer->addLayout(bottom);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    connect(SendFaxButton, &QPushButton::clicked, this, &TSendFaxForm::SendFaxButtonClick);
    connect(CloseButton, &QPushButton::clicked, this, &TSendFaxForm::CloseButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, [] { OpenHelpTopic(kHelpTopic); });
    connect(TechHelpButton, &QPushButton::clicked, this, [] { TechnicalHelp(); });
}

TSendFaxForm::~TSendFaxForm()
{
    if (cursorBusy_)
        QApplication::restoreOverrideCursor();
    job_.ApdSendFax1.StatusDisplay = nullptr;
}

void TSendFaxForm::buildTips(QVBoxLayout *layout)
{
    for (int i = 0; i < kSendingTipCount; ++i) {
        auto *row = new QHBoxLayout;
        auto *button = new QPushButton(QStringLiteral("?"), this);
        button->setObjectName(QStringLiteral("TipButton%1").arg(i + 1));
        button->setFixedWidth(button->sizeHint().height());
        button->setAutoDefault(false);
        button->setToolTip(QString::fromLatin1(kSendingTipCaption));
        row->addWidget(button);
        row->addWidget(new QLabel(QString::fromLatin1(sendingTip(i).label), this), 1);
        layout->addLayout(row);
        tipButtons_.push_back(button);
        connect(button, &QPushButton::clicked, this, [this, i] { showTip(i); });
    }
    auto *more = new QLabel(QStringLiteral("For additional help with dialing or connecting problems, please "
                                           "click the Technical Help button below."),
                            this);
    more->setWordWrap(true);
    layout->addSpacing(6);
    layout->addWidget(more);
    layout->addStretch(1);
}

QPushButton *TSendFaxForm::tipButton(int index) const
{
    return index >= 0 && index < int(tipButtons_.size()) ? tipButtons_[index] : nullptr;
}

void TSendFaxForm::showTip(int index)
{
    QMessageBox tip(QMessageBox::Information, QString::fromLatin1(kSendingTipCaption),
                    QString::fromLatin1(sendingTip(index).text), QMessageBox::Ok, this);
    tip.setObjectName(QStringLiteral("SendingTip"));
    tip.exec();
}

void TSendFaxForm::setRecipient(const QString &recipient) { ToLabel->setText(recipient); }
void TSendFaxForm::setSubject(const QString &subject) { Subjectlabel->setText(subject); }
void TSendFaxForm::setDialPrefix(const QString &prefix) { sfDialPrefix->setText(prefix); }
void TSendFaxForm::setDialSuffix(const QString &suffix) { sfDialsuffix->setText(suffix); }
void TSendFaxForm::setPrefixDisabled(bool on) { DisablePrefix->setChecked(on); }
void TSendFaxForm::setSuffixDisabled(bool on) { DisableSuffix->setChecked(on); }

SendFaxInputs TSendFaxForm::inputs() const
{
    SendFaxInputs in;
    in.phoneNumber = sfPhoneNumber->text().toStdString();
    in.dialPrefix = sfDialPrefix->text().toStdString();
    in.dialSuffix = sfDialsuffix->text().toStdString();
    in.disablePrefix = DisablePrefix->isChecked();
    in.disableSuffix = DisableSuffix->isChecked();
    return in;
}

void TSendFaxForm::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (firstActivation_) {
        firstActivation_ = false;
        sfPhoneNumber->setText(phoneNumber_.left(kMaxPhoneNumber));
        setBusyCursor(false);
    }
}

void TSendFaxForm::SendFaxButtonClick() { job_.SendFaxButtonClick(inputs()); }

void TSendFaxForm::CloseButtonClick()
{
    if (job_.CloseRequested())
        done(QDialog::Accepted);
}

void TSendFaxForm::reject() { CloseButtonClick(); }

// The window has no close box; a close request from elsewhere (the window
// manager) is treated like "C&lose".
void TSendFaxForm::closeEvent(QCloseEvent *e)
{
    if (job_.busy()) {
        QApplication::beep();
        e->ignore();
        return;
    }
    job_.CloseRequested();
    QDialog::closeEvent(e);
}

// ---- SendFaxView ---------------------------------------------------------------

void TSendFaxForm::setStatusLine(const std::string &text)
{
    status->setText(QString::fromStdString(text));
    status->setVisible(true);
}

void TSendFaxForm::hideStatusLine()
{
    status->clear();
}

void TSendFaxForm::setBusyCursor(bool busy)
{
    if (busy == cursorBusy_)
        return;
    cursorBusy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TSendFaxForm::focusPhoneNumber() { sfPhoneNumber->setFocus(); }

void TSendFaxForm::processMessages() { QCoreApplication::processEvents(); }

void TSendFaxForm::attemptEnded() { setBusyCursor(false); }

}  // namespace qln
