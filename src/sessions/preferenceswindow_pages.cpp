// The nine pages of the preferences wizard.
#include "sessions/preferenceswindow.h"

#include "sessions/modemchoicepanel.h"
#include "sessions/tipwindow.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace qln {

namespace {

const QStringList kRates = {"2400", "4800", "7200", "9600", "12000", "14400"};
const QStringList kClasses = {"auto detect", "class 1", "class 2", "class 2.0"};

namespace tip {
const char *const kToneOrPulse =
    "Almost every telephone line today uses tone dialling. Choose Pulse only for an old exchange that does not "
    "understand tones.";
const char *const kResetStrings =
    "A reset string puts the modem into a known state. The one BEFORE is sent before the modem is set up for "
    "sending or receiving; the one AFTER when sending ends or receive mode stops. ATZ (or AT&F) is usual; leave "
    "them blank when you are not sure.";
const char *const kFaxClass =
    "The fax class is the command set the modem is driven with. Click \"Check Fax Class\" to ask the modem which "
    "classes it supports; Class 1 works with nearly every fax modem. Auto detect chooses the best class the modem "
    "reports at each call.";
const char *const kTransferRate =
    "The highest speed tried when the call starts. Quillon and the far end fall back to lower speeds by "
    "themselves; choose 9600 or lower when calls fail on a poor line.";
const char *const kInitString =
    "Commands sent to the modem before the fax ones, for modems that need them. Click \"Help with Init "
    "Strings\" to build one for your kind of modem, or leave it blank.";
const char *const kNameAndNumber =
    "Your name goes into the header line at the top of every page you send; your fax number is sent as your "
    "station identifier (at most 20 characters: digits, blanks and +).";
const char *const kEcm =
    "Error correction resends damaged parts of a page. Both machines must support it; switch it off when calls "
    "fail during the pages.";
const char *const kDialPrefix =
    "The prefix is dialled before the fax number (for example 9, to get an outside line, or a calling card "
    "number), the suffix after it (an access code). Do not type ATD or a tone or pulse letter; a comma makes "
    "the modem pause for two seconds.";
const char *const kRetries =
    "How often a busy or unanswered number is dialled, and how many seconds to wait between the attempts.";
const char *const kDialOptions =
    "Renegotiating between pages lets the speed change for each page. Blind dial dials without waiting for a "
    "dial tone (for lines with an unusual tone); ignoring busy signals keeps the modem from hanging up on "
    "them.";
const char *const kReceiveClass =
    "The fax class, speed and initialisation string used in receive mode. \"Same as SEND\" copies the sending "
    "choice.";
const char *const kAnswerOnRing = "The ring on which Quillon answers an incoming call.";
const char *const kReceiveStart =
    "Quillon can start receiving faxes as soon as it starts. The notification box explains receive mode when "
    "it starts; you can switch it off.";
const char *const kWave = "A sound file played when a fax has been received. Click None for silence.";
const char *const kPrint = "Each received fax can be printed at once on the printer chosen here.";
} // namespace tip

QGroupBox *titled(QWidget *parent, const QString &title, const char *name)
{
    auto *group = new QGroupBox(title, parent);
    group->setObjectName(name);
    return group;
}

QPushButton *smallButton(QWidget *parent, const QString &caption, const char *name)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

QLabel *wrapped(QWidget *parent, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setWordWrap(true);
    return l;
}

} // namespace

void TPreferences::buildPages()
{
    for (QWidget *page : {pageInformation(), pageModem(), pageSending1(), pageSending2(), pageSending3(),
                          pageReceiving1(), pageReceiving2(), pageReceiving3(), pageAdvanced()})
        Pages->addWidget(page);
}

QWidget *TPreferences::pageInformation()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(wrapped(page, "This wizard helps you set Quillon up: the modem and its port, how faxes are "
                                    "sent and how they are received."));
    layout->addWidget(wrapped(page, "Begin with the Next button below. Each page has a small tip button beside "
                                    "its items, and the Help button explains the page."));
    layout->addWidget(wrapped(page, "You can come back to this wizard at any time from File, Preferences."));
    layout->addStretch();
    return page;
}

QWidget *TPreferences::pageModem()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    ModemPanel = new ModemChoicePanel(model_, ModemTestWording::Preferences, page);
    layout->addWidget(ModemPanel);

    auto *toneRow = new QHBoxLayout;
    auto *tone = titled(page, "Tone or Pulse", "ToneOrPulseGroup");
    bindRadios(tone, "ToneOrPulse", {"Tone", "Pulse"}, model_.toneOrPulse, 2);
    toneRow->addWidget(tone);
    toneRow->addWidget(MakeTipButton(page, tip::kToneOrPulse), 0, Qt::AlignTop);
    toneRow->addStretch();
    layout->addLayout(toneRow);

    auto *reset = titled(page, "MODEM RESET STRINGS: (optional)", "ResetStrings");
    auto *grid = new QGridLayout(reset);
    grid->addWidget(new QLabel("(Usually ATZ or blank)", reset), 0, 0, 1, 2);
    grid->addWidget(MakeTipButton(reset, tip::kResetStrings), 0, 3, Qt::AlignRight);
    grid->addWidget(new QLabel("Use this reset string BEFORE  fax sessions:", reset), 1, 0);
    grid->addWidget(bindEdit(reset, "ResetString", model_.resetString), 1, 1);
    auto *atzBefore = smallButton(reset, "Use ATZ", "UseAtzBefore");
    grid->addWidget(atzBefore, 1, 2);
    grid->addWidget(new QLabel("Use this reset string AFTER fax sessions", reset), 2, 0);
    grid->addWidget(bindEdit(reset, "ResetAfterString", model_.resetAfterString), 2, 1);
    auto *atzAfter = smallButton(reset, "Use ATZ", "UseAtzAfter");
    grid->addWidget(atzAfter, 2, 2);
    connect(atzBefore, &QPushButton::clicked, this, [this] {
        model_.useAtzBefore();
        refresh();
    });
    connect(atzAfter, &QPushButton::clicked, this, [this] {
        model_.useAtzAfter();
        refresh();
    });
    layout->addWidget(reset);
    layout->addStretch();
    return page;
}

QWidget *TPreferences::pageSending1()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *classRow = new QHBoxLayout;
    auto *group = titled(page, "Fax &class for SENDING Faxes", "FaxClassGroup");
    bindRadios(group, "FaxClass", kClasses, model_.faxClass, 2);
    classRow->addWidget(group, 1);
    auto *check = smallButton(page, "Check Fax Class", "CheckFaxClassSend");
    connect(check, &QPushButton::clicked, this, [this] { model_.checkFaxClass(false); });
    auto *classButtons = new QVBoxLayout;
    classButtons->addWidget(check);
    classButtons->addWidget(MakeTipButton(page, tip::kFaxClass), 0, Qt::AlignLeft);
    classButtons->addStretch();
    classRow->addLayout(classButtons);
    layout->addLayout(classRow);

    auto *rateRow = new QHBoxLayout;
    rateRow->addWidget(bindCombo(page, "TransferRate", kRates, model_.transferRate));
    rateRow->addWidget(new QLabel("Transfer Rate (BPS) for SENDING faxes", page));
    rateRow->addWidget(MakeTipButton(page, tip::kTransferRate));
    rateRow->addStretch();
    layout->addLayout(rateRow);

    layout->addWidget(new QLabel("Modem Initialization String for sending (optional)", page));
    auto *initRow = new QHBoxLayout;
    initRow->addWidget(bindEdit(page, "ModemInit", model_.modemInit), 1);
    auto *help = smallButton(page, "Help with Init Strings", "InitHelpSend");
    connect(help, &QPushButton::clicked, this, [this] { model_.initStringHelp(false); });
    initRow->addWidget(help);
    initRow->addWidget(MakeTipButton(page, tip::kInitString));
    layout->addLayout(initRow);
    layout->addStretch();
    return page;
}

QWidget *TPreferences::pageSending2()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    grid->addWidget(new QLabel("Your &name", page), 0, 0);
    auto *name = bindEdit(page, "Name", model_.name, 35);
    grid->addWidget(name, 0, 1);
    grid->addWidget(new QLabel("Your &fax number (Station ID#)", page), 1, 0);
    auto *number = bindEdit(page, "FaxNumber", model_.faxNumber, 20);
    grid->addWidget(number, 1, 1);
    grid->addWidget(MakeTipButton(page, tip::kNameAndNumber), 0, 2);
    qobject_cast<QLabel *>(grid->itemAtPosition(0, 0)->widget())->setBuddy(name);
    qobject_cast<QLabel *>(grid->itemAtPosition(1, 0)->widget())->setBuddy(number);
    grid->addWidget(bindCheck(page, "UseECM", "Use Fax Error Control when SENDING", model_.useEcm), 2, 0, 1, 2);
    grid->addWidget(MakeTipButton(page, tip::kEcm), 2, 2);
    auto *prefix = bindEdit(page, "DialPrefix", model_.dialPrefix);
    auto *suffix = bindEdit(page, "DialSuffix", model_.dialSuffix);
    auto *prefixLabel = new QLabel("&Dial prefix or Calling Card Number:", page);
    auto *suffixLabel = new QLabel("&Dial suffix or access code:", page);
    prefixLabel->setBuddy(prefix);
    suffixLabel->setBuddy(suffix);
    grid->addWidget(prefixLabel, 3, 0);
    grid->addWidget(prefix, 3, 1);
    grid->addWidget(MakeTipButton(page, tip::kDialPrefix), 3, 2);
    grid->addWidget(suffixLabel, 4, 0);
    grid->addWidget(suffix, 4, 1);
    grid->setRowStretch(5, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

QWidget *TPreferences::pageSending3()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    grid->addWidget(new QLabel("Number of dial attempts:", page), 0, 0);
    grid->addWidget(bindEdit(page, "DialAttempts", model_.dialAttempts), 0, 1);
    grid->addWidget(MakeTipButton(page, tip::kRetries), 0, 2);
    grid->addWidget(new QLabel("Seconds to wait between attempts:", page), 1, 0);
    grid->addWidget(bindEdit(page, "RetryWait", model_.retryWait), 1, 1);
    grid->addWidget(bindCheck(page, "RenegotiateBetween", "Renegotiate Between Pages when SENDING",
                              model_.renegotiateBetween),
                    2, 0, 1, 2);
    grid->addWidget(MakeTipButton(page, tip::kDialOptions), 2, 2);
    grid->addWidget(bindCheck(page, "CheckBlindDial", "Blind Dial", model_.blindDial), 3, 0, 1, 2);
    grid->addWidget(bindCheck(page, "CheckIgnoreBusy", "Ignore Busy Signal", model_.ignoreBusy), 4, 0, 1, 2);
    grid->setRowStretch(5, 1);
    grid->setColumnStretch(3, 1);
    return page;
}

QWidget *TPreferences::pageReceiving1()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *classRow = new QHBoxLayout;
    auto *group = titled(page, "Fax &class for RECEIVING Faxes", "FaxClassReceiveGroup");
    bindRadios(group, "FaxClassReceive", kClasses, model_.faxClassReceive, 2);
    classRow->addWidget(group, 1);
    auto *classButtons = new QVBoxLayout;
    auto *check = smallButton(page, "Check Fax Class", "CheckFaxClassReceive");
    auto *same = smallButton(page, "Same as SEND", "SameClass");
    connect(check, &QPushButton::clicked, this, [this] { model_.checkFaxClass(true); });
    connect(same, &QPushButton::clicked, this, [this] {
        model_.sameAsSendClass();
        refresh();
    });
    classButtons->addWidget(check);
    classButtons->addWidget(same);
    classButtons->addWidget(MakeTipButton(page, tip::kReceiveClass), 0, Qt::AlignLeft);
    classButtons->addStretch();
    classRow->addLayout(classButtons);
    layout->addLayout(classRow);

    auto *rateRow = new QHBoxLayout;
    rateRow->addWidget(bindCombo(page, "TransferRateReceive", kRates, model_.transferRateReceive));
    rateRow->addWidget(new QLabel("Transfer Rate (BPS) for RECEIVING faxes", page));
    auto *sameRate = smallButton(page, "Same as SEND", "SameRate");
    connect(sameRate, &QPushButton::clicked, this, [this] {
        model_.sameAsSendRate();
        refresh();
    });
    rateRow->addWidget(sameRate);
    rateRow->addStretch();
    layout->addLayout(rateRow);

    layout->addWidget(new QLabel("Modem Initialization String for receiving (optional)", page));
    auto *initRow = new QHBoxLayout;
    initRow->addWidget(bindEdit(page, "ModemInitReceive", model_.modemInitReceive), 1);
    auto *help = smallButton(page, "Help With Init Strings", "InitHelpReceive");
    auto *sameInit = smallButton(page, "Same as SEND", "SameInit");
    connect(help, &QPushButton::clicked, this, [this] { model_.initStringHelp(true); });
    connect(sameInit, &QPushButton::clicked, this, [this] {
        model_.sameAsSendInit();
        refresh();
    });
    initRow->addWidget(help);
    initRow->addWidget(sameInit);
    layout->addLayout(initRow);
    layout->addStretch();
    return page;
}

QWidget *TPreferences::pageReceiving2()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    grid->addWidget(bindCheck(page, "ReceiveAtStartup", "Start Receiving at program startup",
                              model_.receiveAtStartup),
                    0, 0);
    grid->addWidget(MakeTipButton(page, tip::kReceiveStart), 0, 1);
    grid->addWidget(bindCheck(page, "UseECMReceive", "Use Fax Error Control when RECEIVING", model_.useEcmReceive),
                    1, 0);
    grid->addWidget(MakeTipButton(page, tip::kEcm), 1, 1);
    auto *ring = titled(page, "Answer on ring", "AnswerOnRingGroup");
    bindRadios(ring, "AnswerOnRing", {"1", "2", "3", "4", "5", "6", "7", "8"}, model_.answerOnRing, 4);
    grid->addWidget(ring, 2, 0);
    grid->addWidget(MakeTipButton(page, tip::kAnswerOnRing), 2, 1, Qt::AlignTop);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(2, 1);
    return page;
}

QWidget *TPreferences::pageReceiving3()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *waveLabel = new QLabel("Select &WAV File to play when receiving a fax:", page);
    layout->addWidget(waveLabel);
    auto *waveRow = new QHBoxLayout;
    auto *wave = bindEdit(page, "WaveFileEdit", model_.waveFile);
    waveLabel->setBuddy(wave);
    waveRow->addWidget(wave, 1);
    auto *choose = smallButton(page, "&Choose", "ChooseWave");
    auto *play = smallButton(page, "Play &Now", "PlayWave");
    auto *none = smallButton(page, "None", "NoWave");
    connect(choose, &QPushButton::clicked, this, [this] { model_.chooseWave(); });
    connect(play, &QPushButton::clicked, this, [this] { model_.playWave(); });
    connect(none, &QPushButton::clicked, this, [this] {
        model_.noWave();
        refresh();
    });
    waveRow->addWidget(choose);
    waveRow->addWidget(play);
    waveRow->addWidget(none);
    waveRow->addWidget(MakeTipButton(page, tip::kWave));
    layout->addLayout(waveRow);

    auto *printRow = new QHBoxLayout;
    printRow->addWidget(bindCheck(page, "PrintFaxOnReceipt", "Print each fax as it is received, on the following printer:",
                                  model_.printOnReceipt));
    printRow->addWidget(MakeTipButton(page, tip::kPrint));
    printRow->addStretch();
    layout->addLayout(printRow);
    QStringList printers;
    for (const auto &p : model_.printers())
        printers << QString::fromStdString(p);
    layout->addWidget(bindCombo(page, "PrintFaxOnReceiptPrinter", printers, model_.printer));
    layout->addWidget(bindCheck(page, "DisableReceivingFaxesNotification", "Disable Receiving Faxes Notification Box",
                                model_.disableReceivingNotification));
    layout->addStretch();
    return page;
}

QWidget *TPreferences::pageAdvanced()
{
    auto *page = new QWidget;
    auto *layout = new QVBoxLayout(page);
    auto *warning = wrapped(page, "WARNING: do not change these settings unless technical support asks you to.");
    QFont bold = warning->font();
    bold.setBold(true);
    warning->setFont(bold);
    layout->addWidget(warning);
    layout->addWidget(bindCheck(page, "UseAltHeaderFont",
                                "Use alternate fax header font    (\"enhanced font is too large\" error)",
                                model_.useAltHeaderFont));
    layout->addWidget(bindCheck(page, "UseAlternateNameReceive", "Use alternate naming method for incoming faxes",
                                model_.useAlternateNameReceive));
    layout->addWidget(
        bindCheck(page, "UseLargerReceiveBuffer", "Use larger receive buffer", model_.useLargerReceiveBuffer));
    layout->addWidget(bindCheck(page, "UseLargerSendBuffer", "Use larger send buffer", model_.useLargerSendBuffer));
    layout->addStretch();
    return page;
}

} // namespace qln
