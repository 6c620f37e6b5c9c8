// The modem initialisation string helper's decisions: the kinds of modem it
// knows with their base strings and suffixes, the kind and hang-up choice
// preset from the current string, and the string each button returns.
// The window (initstringhelperwindow.h) only shows them. Pure; any thread.
#pragma once

#include <array>
#include <string>

namespace qln {

struct ModemKind {
    const char *item;    // radio text; "&&" shows as one ampersand
    const char *base;
    const char *suffix;
};
extern const std::array<ModemKind, 6> kModemKinds;

namespace initstring {
inline constexpr const char *kCaption = "Modem Initialization String Helper";
inline constexpr const char *kKindsTitle = "I have a:";
inline constexpr const char *kHangUpText =
    "The Faxmodem frequently hangs up before the faxmodem/fax machine on the other end answers "
    "and/or I have problems with international calls";
} // namespace initstring

class InitStringHelper {
public:
    // current: the edit's string; hangUpOffered: whether the hang-up box is shown.
    InitStringHelper(std::string current, bool hangUpOffered);

    // Preset from the current string: "S36=0" kind 2, "S33=34" kind 4,
    // "S36=8" kind 3, "\Q3" kind 5, "&R2" kind 1 (in that order, ignoring
    // case), else kind 0.
    static int presetKind(const std::string &current);
    // Whether the current string asks for a longer wait for the far end:
    // "S7=" with a number above 65, or above 90 when it holds "&H3".
    static bool presetHangUp(const std::string &current);
    // Base string, S7 part, suffix. S7=120 for an offered and checked box,
    // S7=90 for an offered, unchecked box and a kind other than 0, else S7=65.
    static std::string build(int kind, bool hangUpOffered, bool hangUpChecked);

    int kind = 0;
    bool hangUp = false;
    bool hangUpOffered() const { return offered_; }

    std::string ok() const { return build(kind, offered_, hangUp); }
    std::string cancel() const { return current_; }
    static std::string leaveBlank() { return {}; }

private:
    std::string current_;
    bool offered_;
};

} // namespace qln
