#include "sessions/startingfaxform.h"

#include "common/settings.h"

#include <QCheckBox>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace qln {

TStartingFaxForm::TStartingFaxForm(Settings &settings, QWidget *parent)
    : QDialog(parent), settings_(settings)
{
    setObjectName(QStringLiteral("StartingFaxForm"));
    setWindowTitle(QStringLiteral("Starting Receive mode..."));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(false);

    auto centred = [this](QWidget *owner, const QString &text) {
        auto *l = new QLabel(text, owner);
        l->setAlignment(Qt::AlignCenter);
        l->installEventFilter(this);
        return l;
    };

    ReadyPanel = new QWidget(this);
    ReadyPanel->setObjectName(QStringLiteral("ReadyPanel"));
    ReadyPanel->installEventFilter(this);
    auto *ready = new QVBoxLayout(ReadyPanel);
    QLabel *first = centred(ReadyPanel, QStringLiteral("Quillon is in receive mode now"));
    QFont bold = first->font();
    bold.setBold(true);
    first->setFont(bold);
    ready->addWidget(first);
    ready->addWidget(centred(ReadyPanel, QStringLiteral("To end receive mode, press the STOP button")));
    ready->addWidget(centred(ReadyPanel, QStringLiteral("While in receive mode, sending faxes is not possible")));

    StartingPanel = new QWidget(this);
    StartingPanel->setObjectName(QStringLiteral("StartingPanel"));
    StartingPanel->installEventFilter(this);
    auto *starting = new QVBoxLayout(StartingPanel);
    starting->addWidget(centred(StartingPanel, QStringLiteral("Please wait while fax receive mode is started.....")));

    DontShowCheck = new QCheckBox(QStringLiteral("Do not show this again"), this);
    DontShowCheck->setObjectName(QStringLiteral("DontShowCheck"));
    connect(DontShowCheck, &QCheckBox::toggled, this,
            [this](bool on) { settings_.disableReceivingFaxesNotification = on; });
    OkButton = new QPushButton(QStringLiteral("Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    connect(OkButton, &QPushButton::clicked, this, &QDialog::close);

    Timer = new QTimer(this);
    Timer->setSingleShot(true);
    Timer->setInterval(kShowMs);
    connect(Timer, &QTimer::timeout, this, [this] { hideNotice(); });

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(DontShowCheck);
    bottom->addStretch();
    bottom->addWidget(OkButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(ReadyPanel);
    layout->addWidget(StartingPanel);
    layout->addLayout(bottom);
    setMinimumWidth(380);
    setStartingLook();
}

void TStartingFaxForm::setStartingLook()
{
    OkButton->hide();
    DontShowCheck->hide();
    ReadyPanel->hide();
    StartingPanel->show();
    if (const QScreen *s = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen()) {
        adjustSize();
        const QRect over = parentWidget() ? parentWidget()->geometry() : s->availableGeometry();
        move(over.center() - rect().center());
    }
}

void TStartingFaxForm::setReadyLook()
{
    DontShowCheck->setChecked(settings_.disableReceivingFaxesNotification);
    OkButton->show();
    DontShowCheck->show();
    StartingPanel->hide();
    ReadyPanel->show();
    adjustSize();
}

void TStartingFaxForm::showNotice()
{
    show();
    raise();
    Timer->start();
}

void TStartingFaxForm::hideNotice() { hide(); }

void TStartingFaxForm::hideEvent(QHideEvent *event)
{
    Timer->stop();
    QDialog::hideEvent(event);
}

bool TStartingFaxForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        hideNotice();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace qln
