// The preferences wizard's decisions: nine pages of settings, the page
// navigation with its Finish rule, the presets from the settings, the
// buttons beside the controls, and storing every control into its setting
// in a fixed order when the user finishes.
//
// The wizard window (preferenceswindow.h) only shows the values of this
// object and hands clicks to it. Tests drive it without a screen.
// User-interface thread only.
#pragma once

#include "sessions/faxclasscheck.h"
#include "sessions/modemchoice.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qln {

struct Settings;
namespace fax {
class TApdSendFax;
}

namespace prefs {
inline constexpr const char *kCaption = "Preferences Wizard";
inline constexpr int kPages = 9;
extern const std::array<const char *, kPages> kPageTitles;
inline constexpr const char *kSaveQuestion = "Save changes?";
inline constexpr const char *kSaveCaption = "Save Preferences";
inline constexpr const char *kFaxClassCaption = "Fax Class";
inline constexpr const char *kWaveFilter = "WAVE files|*.wav";
// Help topic of a page; 0 when the page has none.
int helpTopic(int page);
} // namespace prefs

class PreferencesModel : public ModemChoiceModel {
public:
    // devices: the telephony device list; printers: the installed printers
    // (the list shows "System default printer" before them).
    PreferencesModel(Settings &settings, TApdComPort &port, ITelephonyDevice &device, fax::TApdSendFax &fax,
                     std::vector<std::string> devices, std::vector<std::string> printers);

    // Opening: remembers the no-modem flag and clears it (it stays cleared
    // whatever the user does), then presets every control.
    void open();
    bool noModemAtOpen() const { return noModemAtOpen_; }

    // ---- Navigation ------------------------------------------------------
    int page() const { return page_; }
    void next();
    void back();
    void jump(int page);
    bool backEnabled() const { return page_ > 0; }
    bool nextEnabled() const { return page_ < prefs::kPages - 1; }
    // On the last page always; elsewhere only when a modem was configured
    // when the wizard opened.
    bool finishEnabled() const { return page_ == prefs::kPages - 1 || !noModemAtOpen_; }
    std::string title() const { return prefs::kPageTitles[size_t(page_)]; }

    // ---- Controls (the modem choice is in ModemChoiceModel) --------------
    int toneOrPulse = 0;                // page 1
    std::string resetString, resetAfterString;
    int faxClass = 1;                   // page 2: 0 auto detect .. 3 class 2.0
    int transferRate = 3;               // index of 2400 .. 14400
    std::string modemInit;
    std::string name, faxNumber;        // page 3
    bool useEcm = false;
    std::string dialPrefix, dialSuffix;
    std::string dialAttempts, retryWait;  // page 4: texts of whole numbers
    bool renegotiateBetween = false, blindDial = false, ignoreBusy = false;
    int faxClassReceive = 1;            // page 5
    int transferRateReceive = 3;
    std::string modemInitReceive;
    bool receiveAtStartup = false;      // page 6
    bool useEcmReceive = false;
    int answerOnRing = 0;               // item index: ring - 1
    std::string waveFile;               // page 7
    bool printOnReceipt = false;
    int printer = 0;                    // index in printers()
    bool disableReceivingNotification = false;
    bool useAltHeaderFont = false;      // page 8
    bool useAlternateNameReceive = false;
    bool useLargerReceiveBuffer = false;
    bool useLargerSendBuffer = false;

    const std::vector<std::string> &printers() const { return printers_; }
    std::string printerText() const;

    // ---- Buttons beside the controls -------------------------------------
    // "Check Fax Class" of page 2 (receivePage false) or page 5.
    void checkFaxClass(bool receivePage);
    // "Help with Init Strings" (page 2, with the hang-up option) and "Help
    // With Init Strings" (page 5, without).
    void initStringHelp(bool receivePage);
    void sameAsSendClass() { faxClassReceive = faxClass; }
    void sameAsSendRate() { transferRateReceive = transferRate; }
    void sameAsSendInit() { modemInitReceive = modemInit; }
    void useAtzBefore() { resetString = "ATZ"; }
    void useAtzAfter() { resetAfterString = "ATZ"; }
    // "&Choose": a name containing ".WAV" (in capitals) replaces the text.
    void chooseWave();
    // "Play &Now": plays the named file when it exists.
    void playWave();
    void noWave() { waveFile.clear(); }

    // ---- Finish ------------------------------------------------------------
    enum class FinishResult {
        StayOpen,  // the user answered No to "Save changes?"
        Saved,     // every setting stored and the file written
        Stopped,   // storing stopped at an error (shown); the wizard closes
    };
    FinishResult finish();

    // ---- Hooks the window fills in (tests may too) ---------------------------
    // The fax class window; without one the check runs without a window.
    std::function<ClassCheckOutcome(const ClassCheckRequest &)> classCheckRunner;
    // The initialisation string helper window: (current, hang-up offered)
    // -> new string. Without one the string stays as it is.
    std::function<std::string(const std::string &, bool)> initStringRunner;
    // The file dialog: (start directory, preset file, filter) -> chosen
    // name, nothing for Cancel.
    std::function<std::optional<std::string>(const std::string &, const std::string &, const std::string &)>
        fileChooser;
    // Plays a sound file without waiting for its end.
    std::function<void(const std::string &)> soundPlayer;

private:
    void preset();
    void store();

    Settings &settings_;
    fax::TApdSendFax &fax_;
    std::vector<std::string> printers_;
    int page_ = 0;
    bool noModemAtOpen_ = false;
};

} // namespace qln
