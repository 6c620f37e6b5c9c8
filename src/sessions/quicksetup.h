// The quick set-up's decisions: the user's name and fax number and the
// modem (modemchoice.h). It runs while no modem is configured. "Ok" stores
// the choice and writes the settings file; "Cancel" puts back the port and
// telephony choice as they were and sets the no-modem flag again, writing
// nothing.
//
// The window (quicksetupwindow.h) shows this object. User-interface thread
// only.
#pragma once

#include "sessions/modemchoice.h"

#include <string>
#include <vector>

namespace qln {

struct Settings;

namespace quicksetup {
inline constexpr const char *kCaption = "Quick Setup";
inline constexpr int kNameLength = 35;
inline constexpr int kFaxNumberLength = 20;
} // namespace quicksetup

class QuickSetupModel : public ModemChoiceModel {
public:
    QuickSetupModel(Settings &settings, TApdComPort &port, ITelephonyDevice &device,
                    std::vector<std::string> devices);

    // Reloads the settings from the settings file, remembers ComPort and
    // UseTAPI, and presets the controls.
    void open();

    std::string name;
    std::string faxNumber;

    // "Ok": clears the no-modem flag, stores the controls and writes the
    // settings file. False (after an error box) when the file cannot be
    // written; the values stay in memory.
    bool ok();
    // "Cancel": the no-modem flag set again, ComPort and UseTAPI as they
    // were when the window opened; nothing written.
    void cancel();

private:
    Settings &settings_;
    int savedComPort_ = -1;
    bool savedUseTAPI_ = false;
};

} // namespace qln
