// Receive mode in the main window: the Receive/STOP button starts and stops
// the station, whose events the window shows (status line, buttons, the
// incoming list, the notice window), and print on receipt and the sound.
#include "app/mainscreen.h"

#include "app/faxlistmodel.h"
#include "common/datadir.h"
#include "common/messages.h"
#include "common/settings.h"
#include "sessions/receiptprinter.h"
#include "sessions/receivestation.h"
#include "sessions/startingfaxform.h"
#include "telephony/modemdevice.h"

#include <QApplication>
#include <QFileInfo>
#include <QTabWidget>
#include <QUrl>

#ifdef QLN_HAVE_MULTIMEDIA
#include <QSoundEffect>
#endif

namespace qln {

namespace {

// The station's view of the main window.
class MainScreenStationHost : public ReceiveStationHost {
public:
    MainScreenStationHost(TMainScreen &window, ReceiptPrinter &printer)
        : window_(window), printer_(printer) {}

    void setStatusText(const std::string &text) override
    {
        window_.setStatusText(QString::fromStdString(text));
    }
    void setBusyCursor(bool busy) override
    {
        if (busy && !busy_)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else if (!busy && busy_)
            QApplication::restoreOverrideCursor();
        busy_ = busy;
    }
    void receiveModeChanged(bool on) override { window_.setReceiveMode(on); }
    void receivingChanged(bool receiving) override { window_.setReceivingFax(receiving); }
    void showIncomingList() override { window_.browseTabs()->setCurrentIndex(1); }
    bool runQuickSetup() override { return window_.runQuickSetup(); }
    bool storeReceivedFax(const records::ReceivedFax &row) override
    {
        return window_.tables().appendReceived(row);
    }
    void faxReceived(const records::ReceivedFax &row) override { window_.faxReceived(row); }
    void printReceivedFax(const std::string &path) override
    {
        std::string error;
        if (!printer_.print(path, settings(), error))
            messages().showError("Unable to Print Received Fax",
                                 "Quillon could not print the received fax " +
                                     QFileInfo(QString::fromStdString(path)).fileName().toStdString() +
                                     ".\r\n\r\n" + error,
                                 true);
    }
    void letEventsRun() override { QCoreApplication::processEvents(); }

private:
    TMainScreen &window_;
    ReceiptPrinter &printer_;
    bool busy_ = false;
};

} // namespace

struct ReceiveModeParts {
    explicit ReceiveModeParts(TMainScreen &window)
        : printer(dataDirectory(), true),
          host(window, printer),
          notice(settings(), &window),
          station(settings(), dataDirectory(), host)
    {
        station.setNotice(&notice);
        station.setTelephonyDevice(&modemDevice);
    }
    TModemDevice modemDevice;  // the modem device of UseTAPI / TAPIDevice
    ReceiptPrinter printer;
    MainScreenStationHost host;
    TStartingFaxForm notice;
    ReceiveStation station;
};

ReceiveModeParts &TMainScreen::receiveParts()
{
    if (!receive_)
        receive_ = std::make_shared<ReceiveModeParts>(*this);
    return *receive_;
}

void TMainScreen::printReceivedFaxesTo(const QString &pdfDirectory)
{
    receiveParts().printer.setPdfDirectory(pdfDirectory.toStdString());
}

void TMainScreen::runReceiveMode()
{
    receiveParts().station.switchOn();
    SetButtons();
}

void TMainScreen::stopReceiveMode()
{
    if (receive_)
        receive_->station.switchOff();
    setReceiveMode(false);
}

// Plays the [Receive] Wav sound without waiting. A missing or unplayable
// file is recorded in the receive log; it never stops receive mode.
void TMainScreen::playReceiveSound()
{
    const std::string wav = settings().wav;
    if (wav.empty())
        return;
    auto note = [this](const std::string &line) {
        if (receive_)
            receive_->station.addToLog(line);
    };
    if (!QFileInfo(QString::fromStdString(wav)).isFile()) {
        note("Sound file not found: " + wav);
        return;
    }
#ifdef QLN_HAVE_MULTIMEDIA
    auto *sound = new QSoundEffect(this);
    connect(sound, &QSoundEffect::statusChanged, sound, [sound, note, wav] {
        if (sound->status() == QSoundEffect::Error) {
            note("Unable to play sound file: " + wav);
            sound->deleteLater();
        }
    });
    connect(sound, &QSoundEffect::playingChanged, sound, [sound] {
        if (!sound->isPlaying())
            sound->deleteLater();
    });
    sound->setSource(QUrl::fromLocalFile(QString::fromStdString(wav)));
    sound->play();
#else
    note("Unable to play sound file: " + wav + " (no sound support in this build)");
#endif
}

}  // namespace qln
