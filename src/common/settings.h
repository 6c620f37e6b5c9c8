// The program's settings: the values of QLN.INI held in memory.
//
// One member per key of the settings file, named after the key in lower
// camel case. Where two sections use the same key name, or a key name would
// read badly on its own, the member carries a prefix naming its section:
//   [User] Name -> userName          [Default Font] Name -> fontName
//   [Default Font] Size/Bold/Italic/Underline -> fontSize, fontBold, ...
//   [Resetting] String -> resetString, AfterString -> afterString
//   [Hints] On -> hintsOn
// Everything else is the key itself (dialPrefix, comPort, ecmReceive ...).
//
// load() reads every key except the [Printing] and placement sections, then
// derives the no-modem flag; save() writes them back together with the
// version text. Printing options have their own load/save pair.
//
// Plain value type; not thread-safe. The program keeps one instance on the
// user-interface thread (see settings()).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/textutil.h"  // rateFromIndex / indexFromRate for the rate keys

namespace qln {

class IniFile;

// Version text written to [Version] Version on every save.
inline constexpr const char *kVersionText = "2.9z Build 8";

// The text of PrintOnReceiptPrinter that stands for the system default printer.
inline constexpr const char *kDefaultPrinterText = "System default printer";
// The text earlier versions stored for it; still read as the default printer.
inline constexpr const char *kOldDefaultPrinterText = "Default Windows Printer";

struct Settings {
    // [Receive]
    std::string wav;
    bool atStartup = false;
    int answerOnRing = 1;
    bool ecmReceive = false;
    bool printOnReceipt = false;
    std::string printOnReceiptPrinter = kDefaultPrinterText;
    bool disableReceivingFaxesNotification = false;
    // A directory where each received fax is also written as a PDF file
    // ("" for none).
    std::string receivedPdfDirectory;

    // [User]
    std::string fax;
    std::string userName;
    bool prefixDisable = false;
    bool suffixDisable = false;

    // [Dialing]
    std::string dialPrefix;
    std::string dialSuffix;
    int dialAttempts = 3;
    int retryWait = 60;
    bool blindDial = false;
    bool ignoreBusy = false;
    int toneOrPulse = 0;
    int timeout = 60;
    bool ecm = false;

    // [Modem]
    std::string initString;
    int comPort = -1;
    int faxClass = 1;
    int maximumBPS = 9600;
    bool renegotiateBetween = false;
    std::string initStringReceive;
    int faxClassReceive = 1;
    int maximumBPSReceive = 9600;
    bool useTAPI = false;
    std::string tapiDevice;

    // [Resetting]
    std::string resetString;
    std::string afterString;

    // [Default Font]
    std::string fontName = "Arial";
    int fontSize = 10;
    bool fontBold = false;
    bool fontItalic = false;
    bool fontUnderline = false;

    // [Hints]
    bool hintsOn = true;

    // [Other]
    bool useAlternateHeaderFont = false;
    bool globalUseAlternateNamingRec = false;
    bool globalLargerSendBuffer = false;
    bool globalLargerReceiveBuffer = false;

    // [Printing] (loadPrintingOptions / savePrintingOptions only)
    bool multiPage = false;
    bool header = false;
    bool footer = false;
    bool stretch = false;

    // [Ports] COMn=<device>: device paths for port numbers (1-based), read
    // at load and never written. Ports without an entry use /dev/ttyS<n-1>.
    std::map<int, std::string> portDevices;

    // Derived at load: no serial port chosen and no telephony device.
    bool noModem = false;

    // Reads every key (a missing or unreadable file gives every default),
    // then sets noModem: when comPort is negative and useTAPI is false the
    // flag is set and comPort taken as 0; otherwise it is cleared.
    void load(const std::string &iniPath);
    void load(const IniFile &ini);

    // Writes every key and [Version] Version. While noModem is set (and
    // useTAPI is off) ComPort is written as -1, so the port 0 taken in memory
    // never turns into a stored choice. Throws IniWriteError.
    void save(const std::string &iniPath) const;
    void save(IniFile &ini) const;

    void loadPrintingOptions(const std::string &iniPath);
    void savePrintingOptions(const std::string &iniPath) const;

    // Device path of serial port n (1 = COM1).
    std::string portDevice(int comNumber) const;

    // Every key save() writes, in file order, with its value as written
    // (text as is, integers in decimal, booleans "1"/"0"); ComPort shows the
    // value in memory.
    struct Entry {
        const char *section;
        const char *key;
        std::string value;
    };
    std::vector<Entry> entries() const;
    // The four [Printing] keys.
    std::vector<Entry> printingEntries() const;
};

// The program's one Settings instance (user-interface thread only).
Settings &settings();

// ---- Window placement ----------------------------------------------------

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Rect &) const = default;
};

struct WindowPlacement {
    Rect rect;               // normal (not maximized) rectangle
    bool maximized = false;
};

// "<className>_Placement", with the pixels per inch appended when above 96.
std::string placementSection(const std::string &className, int pixelsPerInch);

// Reads Left/Top/Right/Bottom (default 0) and Maximized (default
// currentlyMaximized) of the window's placement section.
WindowPlacement readPlacement(const IniFile &ini, const std::string &className,
                              int pixelsPerInch, bool currentlyMaximized);
// Writes the placement section. Throws IniWriteError.
void writePlacement(IniFile &ini, const std::string &className, int pixelsPerInch,
                    const WindowPlacement &placement);

// What restoring a placement does with a window.
struct PlacementResult {
    bool maximize = false;  // maximize and leave the rectangle alone
    Rect rect;              // otherwise apply this rectangle
};

// Restores a stored placement: maximized wins; a Bottom of 0 means nothing
// was stored and the centred bounds are used; the rectangle is then kept on
// a screen of the given size.
PlacementResult restorePlacement(const WindowPlacement &stored, const Rect &centredBounds,
                                 int screenWidth, int screenHeight);

// Pulls a rectangle back onto the screen: a right edge beyond the width
// shifts it left by the excess (right edge = width), a negative left edge
// shifts it right to left edge 1; the same for bottom and top.
Rect keepOnScreen(Rect r, int screenWidth, int screenHeight);

// A window of the given size centred over another rectangle.
Rect centredOver(int width, int height, const Rect &over);

// Where a window of the given size is centred before it is shown: the main
// window on the screen; any other window over the main window, or on the
// screen while the main window is maximized.
Rect centreWindow(int width, int height, bool isMainWindow, const Rect &mainWindow,
                  bool mainMaximized, const Rect &screen);

}  // namespace qln
