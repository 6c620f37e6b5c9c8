#include "sessions/preferences.h"

#include "common/datadir.h"
#include "common/messages.h"
#include "common/settings.h"
#include "common/textutil.h"
#include "comms/comport.h"
#include "sessions/modemhelpers.h"
#include "telephony/telephonydevice.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <sys/stat.h>

namespace qln {

const std::array<const char *, prefs::kPages> prefs::kPageTitles = {
    "Wizard Information",       "Modem and Communications Port", "Sending Faxes - Part 1",
    "Sending Faxes - Part 2",   "Sending Faxes - Part 3",        "Receiving Faxes - Part 1",
    "Receiving Faxes - Part 2", "Receiving Faxes - Part 3",       "Advanced",
};

int prefs::helpTopic(int page)
{
    if (page == 0)
        return 1022;
    if (page == 1)
        return 3501;
    if (page >= 2 && page <= 4)
        return 3502;
    if (page >= 5 && page <= 7)
        return 3503;
    return 0;
}

namespace {

// A text that is not a whole number, as the conversion reports it.
struct ConversionError {
    std::string text;
};

// A whole number as the user typed it: leading blanks, an optional sign,
// decimal digits or hexadecimal after "$" or "0x"; within 32 bits.
int toInteger(const std::string &text)
{
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        throw ConversionError{text};
    long long value = 0;
    for (; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int digit = std::isdigit(c) ? c - '0' : (base == 16 && std::isxdigit(c)) ? std::tolower(c) - 'a' + 10 : -1;
        if (digit < 0)
            throw ConversionError{text};
        value = value * base + digit;
        if (value > (long long)INT_MAX + 1)
            throw ConversionError{text};
    }
    if (negative)
        value = -value;
    if (value > INT_MAX || value < INT_MIN)
        throw ConversionError{text};
    return int(value);
}

int clampItem(int index, int count) { return index < 0 || index >= count ? -1 : index; }

bool fileExists(const std::string &path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

PreferencesModel::PreferencesModel(Settings &settings, TApdComPort &port, ITelephonyDevice &device,
                                   fax::TApdSendFax &fax, std::vector<std::string> devices,
                                   std::vector<std::string> printers)
    : ModemChoiceModel(port, device, std::move(devices)), settings_(settings), fax_(fax)
{
    printers_.push_back(kDefaultPrinterText);
    for (auto &p : printers)
        if (p != kDefaultPrinterText)
            printers_.push_back(std::move(p));
}

std::string PreferencesModel::printerText() const
{
    return printer >= 0 && printer < int(printers_.size()) ? printers_[size_t(printer)] : std::string();
}

void PreferencesModel::open()
{
    page_ = 0;
    noModemAtOpen_ = settings_.noModem;
    settings_.noModem = false;
    preset();
}

void PreferencesModel::preset()
{
    const Settings &s = settings_;
    waveFile = s.wav;
    faxNumber = s.fax;
    name = s.userName;
    dialPrefix = s.dialPrefix;
    dialSuffix = s.dialSuffix;
    modemInit = s.initString;
    dialAttempts = std::to_string(s.dialAttempts);
    retryWait = std::to_string(s.retryWait);
    faxClass = clampItem(s.faxClass, 4);
    receiveAtStartup = s.atStartup;
    answerOnRing = clampItem(s.answerOnRing - 1, 8);
    blindDial = s.blindDial;
    ignoreBusy = s.ignoreBusy;
    toneOrPulse = clampItem(s.toneOrPulse, 2);
    transferRate = indexFromRate(s.maximumBPS);
    resetString = s.resetString;
    resetAfterString = s.afterString;
    renegotiateBetween = s.renegotiateBetween;
    useEcmReceive = s.ecmReceive;
    useEcm = s.ecm;
    modemInitReceive = s.initStringReceive;
    faxClassReceive = clampItem(s.faxClassReceive, 4);
    transferRateReceive = indexFromRate(s.maximumBPSReceive);
    printOnReceipt = s.printOnReceipt;
    auto it = std::find(printers_.begin(), printers_.end(), s.printOnReceiptPrinter);
    printer = it == printers_.end() ? 0 : int(it - printers_.begin());
    disableReceivingNotification = s.disableReceivingFaxesNotification;
    useAltHeaderFont = s.useAlternateHeaderFont;
    useAlternateNameReceive = s.globalUseAlternateNamingRec;
    useLargerReceiveBuffer = s.globalLargerReceiveBuffer;
    useLargerSendBuffer = s.globalLargerSendBuffer;
    InstallPortMapping(s);
    presetModem(noModemAtOpen_ ? -1 : s.comPort, s.useTAPI, s.tapiDevice);
}

void PreferencesModel::next() { jump(page_ + 1); }
void PreferencesModel::back() { jump(page_ - 1); }

void PreferencesModel::jump(int page)
{
    if (page >= 0 && page < prefs::kPages)
        page_ = page;
}

void PreferencesModel::checkFaxClass(bool receivePage)
{
    ClassCheckRequest request;
    request.portNumber = comPortIndex + 1;
    request.telephony = useTapi();
    request.device = &device();
    if (useTapi()) {
        request.deviceName = deviceText();
        ReleaseTelephony(device());
    }
    ClassCheckOutcome outcome;
    if (classCheckRunner) {
        outcome = classCheckRunner(request);
    } else {
        FaxClassCheck check(port(), fax_, request);
        outcome = check.run();
    }
    int &chosen = receivePage ? faxClassReceive : faxClass;
    if (outcome.index >= 0 && outcome.index + 1 != chosen
        && messages().question("Set fax class as " + outcome.name + " ?", prefs::kFaxClassCaption))
        chosen = outcome.index + 1;
    if (useTapi())
        ReleaseTelephony(device());
    changed();
}

void PreferencesModel::initStringHelp(bool receivePage)
{
    std::string &edit = receivePage ? modemInitReceive : modemInit;
    if (initStringRunner)
        edit = initStringRunner(edit, !receivePage);
    changed();
}

void PreferencesModel::chooseWave()
{
    if (!fileChooser)
        return;
    const std::string preset = fileExists(waveFile) ? waveFile : std::string();
    auto chosen = fileChooser(dataDirectory(), preset, prefs::kWaveFilter);
    if (!chosen)
        return;
    std::string upper = *chosen;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    if (upper.find(".WAV") != std::string::npos)
        waveFile = *chosen;
    changed();
}

void PreferencesModel::playWave()
{
    if (soundPlayer && fileExists(waveFile))
        soundPlayer(waveFile);
}

void PreferencesModel::store()
{
    Settings &s = settings_;
    s.wav = waveFile;
    s.fax = faxNumber;
    s.userName = name;
    s.dialPrefix = dialPrefix;
    s.dialSuffix = dialSuffix;
    s.initString = modemInit;
    s.dialAttempts = toInteger(dialAttempts);
    s.retryWait = toInteger(retryWait);
    s.comPort = comPortIndex;
    s.faxClass = faxClass;
    s.atStartup = receiveAtStartup;
    s.answerOnRing = answerOnRing + 1;
    s.blindDial = blindDial;
    s.ignoreBusy = ignoreBusy;
    s.toneOrPulse = toneOrPulse;
    s.maximumBPS = rateFromIndex(transferRate);
    s.resetString = resetString;
    s.afterString = resetAfterString;
    s.renegotiateBetween = renegotiateBetween;
    s.ecmReceive = useEcmReceive;
    s.ecm = useEcm;
    s.initStringReceive = modemInitReceive;
    s.faxClassReceive = faxClassReceive;
    s.maximumBPSReceive = rateFromIndex(transferRateReceive);
    s.printOnReceipt = printOnReceipt;
    s.printOnReceiptPrinter = printerText();
    s.disableReceivingFaxesNotification = disableReceivingNotification;
    s.useAlternateHeaderFont = useAltHeaderFont;
    s.globalUseAlternateNamingRec = useAlternateNameReceive;
    s.globalLargerSendBuffer = useLargerSendBuffer;
    s.globalLargerReceiveBuffer = useLargerReceiveBuffer;
    s.useTAPI = useTapi();
    if (useTapi())
        s.tapiDevice = deviceText();
}

PreferencesModel::FinishResult PreferencesModel::finish()
{
    if (!messages().question(prefs::kSaveQuestion, prefs::kSaveCaption))
        return FinishResult::StayOpen;
    try {
        store();
    } catch (const ConversionError &e) {
        messages().errorBox("'" + e.text + "' is not a valid integer value");
        return FinishResult::Stopped;
    }
    return SaveSetupSettings(settings_) ? FinishResult::Saved : FinishResult::Stopped;
}

} // namespace qln
