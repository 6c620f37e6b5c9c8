// Loading and saving the settings file.
#include "common/settings.h"

#include "common/ini.h"

#include <algorithm>
#include <cctype>

namespace qln {

namespace {

constexpr const char *kReceive = "Receive";
constexpr const char *kUser = "User";
constexpr const char *kDialing = "Dialing";
constexpr const char *kModem = "Modem";
constexpr const char *kResetting = "Resetting";
constexpr const char *kFont = "Default Font";
constexpr const char *kHints = "Hints";
constexpr const char *kVersion = "Version";
constexpr const char *kOther = "Other";
constexpr const char *kPrinting = "Printing";
constexpr const char *kPorts = "Ports";

bool equalsNoCase(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

}  // namespace

void Settings::load(const std::string &iniPath)
{
    IniFile ini(iniPath);
    load(ini);
}

void Settings::load(const IniFile &ini)
{
    const Settings d;  // defaults

    // Sending-side keys come first: the receive-side keys default to the
    // values just read for their sending counterparts.
    dialPrefix = ini.readString(kDialing, "DialPrefix", d.dialPrefix);
    dialSuffix = ini.readString(kDialing, "DialSuffix", d.dialSuffix);
    dialAttempts = ini.readInteger(kDialing, "DialAttempts", d.dialAttempts);
    retryWait = ini.readInteger(kDialing, "RetryWait", d.retryWait);
    blindDial = ini.readBool(kDialing, "BlindDial", d.blindDial);
    ignoreBusy = ini.readBool(kDialing, "IgnoreBusy", d.ignoreBusy);
    toneOrPulse = ini.readInteger(kDialing, "ToneOrPulse", d.toneOrPulse);
    timeout = ini.readInteger(kDialing, "Timeout", d.timeout);
    ecm = ini.readBool(kDialing, "ECM", d.ecm);

    initString = ini.readString(kModem, "InitString", d.initString);
    comPort = ini.readInteger(kModem, "ComPort", d.comPort);
    faxClass = ini.readInteger(kModem, "FaxClass", d.faxClass);
    maximumBPS = ini.readInteger(kModem, "MaximumBPS", d.maximumBPS);
    renegotiateBetween = ini.readBool(kModem, "RenegotiateBetween", d.renegotiateBetween);
    initStringReceive = ini.readString(kModem, "InitStringReceive", initString);
    faxClassReceive = ini.readInteger(kModem, "FaxClassReceive", faxClass);
    maximumBPSReceive = ini.readInteger(kModem, "MaximumBPSReceive", maximumBPS);
    useTAPI = ini.readBool(kModem, "UseTAPI", d.useTAPI);
    tapiDevice = ini.readString(kModem, "TAPIDevice", d.tapiDevice);

    wav = ini.readString(kReceive, "Wav", d.wav);
    atStartup = ini.readBool(kReceive, "AtStartup", d.atStartup);
    answerOnRing = ini.readInteger(kReceive, "AnswerOnRing", d.answerOnRing);
    ecmReceive = ini.readBool(kReceive, "ECMReceive", ecm);
    printOnReceipt = ini.readBool(kReceive, "PrintOnReceipt", d.printOnReceipt);
    printOnReceiptPrinter = ini.readString(kReceive, "PrintOnReceiptPrinter", d.printOnReceiptPrinter);
    if (equalsNoCase(printOnReceiptPrinter, kOldDefaultPrinterText))
        printOnReceiptPrinter = kDefaultPrinterText;
    disableReceivingFaxesNotification =
        ini.readBool(kReceive, "DisableReceivingFaxesNotification", d.disableReceivingFaxesNotification);
    receivedPdfDirectory = ini.readString(kReceive, "PdfDirectory", d.receivedPdfDirectory);

    fax = ini.readString(kUser, "Fax", d.fax);
    userName = ini.readString(kUser, "Name", d.userName);
    prefixDisable = ini.readBool(kUser, "PrefixDisable", d.prefixDisable);
    suffixDisable = ini.readBool(kUser, "SuffixDisable", d.suffixDisable);

    resetString = ini.readString(kResetting, "String", d.resetString);
    afterString = ini.readString(kResetting, "AfterString", d.afterString);

    fontName = ini.readString(kFont, "Name", d.fontName);
    fontSize = ini.readInteger(kFont, "Size", d.fontSize);
    fontBold = ini.readBool(kFont, "Bold", d.fontBold);
    fontItalic = ini.readBool(kFont, "Italic", d.fontItalic);
    fontUnderline = ini.readBool(kFont, "Underline", d.fontUnderline);

    hintsOn = ini.readBool(kHints, "On", d.hintsOn);

    useAlternateHeaderFont = ini.readBool(kOther, "UseAlternateHeaderFont", d.useAlternateHeaderFont);
    globalUseAlternateNamingRec =
        ini.readBool(kOther, "GlobalUseAlternateNamingRec", d.globalUseAlternateNamingRec);
    globalLargerSendBuffer = ini.readBool(kOther, "GlobalLargerSendBuffer", d.globalLargerSendBuffer);
    globalLargerReceiveBuffer =
        ini.readBool(kOther, "GlobalLargerReceiveBuffer", d.globalLargerReceiveBuffer);

    portDevices.clear();
    for (const auto &key : ini.keys(kPorts)) {
        // Keys COM1 .. COMn, any case.
        if (key.size() < 4 || (key[0] != 'C' && key[0] != 'c') || (key[1] != 'O' && key[1] != 'o')
            || (key[2] != 'M' && key[2] != 'm'))
            continue;
        int n = 0;
        if (!IniFile::parseInteger(key.substr(3), n) || n < 1 || key.substr(3).find_first_of("xX+-") != std::string::npos)
            continue;
        std::string dev = ini.readString(kPorts, key, "");
        if (!dev.empty())
            portDevices[n] = dev;
    }

    if (comPort < 0 && !useTAPI) {
        noModem = true;
        comPort = 0;
    } else {
        noModem = false;
    }
}

void Settings::save(const std::string &iniPath) const
{
    IniFile ini(iniPath);
    save(ini);
}

std::vector<Settings::Entry> Settings::entries() const
{
    auto b = [](bool v) { return std::string(v ? "1" : "0"); };
    auto i = [](int v) { return std::to_string(v); };
    return {
        {kReceive, "Wav", wav},
        {kReceive, "AtStartup", b(atStartup)},
        {kReceive, "AnswerOnRing", i(answerOnRing)},
        {kReceive, "ECMReceive", b(ecmReceive)},
        {kReceive, "PrintOnReceipt", b(printOnReceipt)},
        {kReceive, "PrintOnReceiptPrinter", printOnReceiptPrinter},
        {kReceive, "DisableReceivingFaxesNotification", b(disableReceivingFaxesNotification)},
        {kReceive, "PdfDirectory", receivedPdfDirectory},
        {kUser, "Fax", fax},
        {kUser, "Name", userName},
        {kUser, "PrefixDisable", b(prefixDisable)},
        {kUser, "SuffixDisable", b(suffixDisable)},
        {kDialing, "DialPrefix", dialPrefix},
        {kDialing, "DialSuffix", dialSuffix},
        {kDialing, "DialAttempts", i(dialAttempts)},
        {kDialing, "RetryWait", i(retryWait)},
        {kDialing, "BlindDial", b(blindDial)},
        {kDialing, "IgnoreBusy", b(ignoreBusy)},
        {kDialing, "ToneOrPulse", i(toneOrPulse)},
        {kDialing, "Timeout", i(timeout)},
        {kDialing, "ECM", b(ecm)},
        {kModem, "InitString", initString},
        {kModem, "ComPort", i(comPort)},
        {kModem, "FaxClass", i(faxClass)},
        {kModem, "MaximumBPS", i(maximumBPS)},
        {kModem, "RenegotiateBetween", b(renegotiateBetween)},
        {kModem, "InitStringReceive", initStringReceive},
        {kModem, "FaxClassReceive", i(faxClassReceive)},
        {kModem, "MaximumBPSReceive", i(maximumBPSReceive)},
        {kModem, "UseTAPI", b(useTAPI)},
        {kModem, "TAPIDevice", tapiDevice},
        {kResetting, "String", resetString},
        {kResetting, "AfterString", afterString},
        {kFont, "Name", fontName},
        {kFont, "Size", i(fontSize)},
        {kFont, "Bold", b(fontBold)},
        {kFont, "Italic", b(fontItalic)},
        {kFont, "Underline", b(fontUnderline)},
        {kHints, "On", b(hintsOn)},
        {kVersion, "Version", kVersionText},
        {kOther, "UseAlternateHeaderFont", b(useAlternateHeaderFont)},
        {kOther, "GlobalUseAlternateNamingRec", b(globalUseAlternateNamingRec)},
        {kOther, "GlobalLargerSendBuffer", b(globalLargerSendBuffer)},
        {kOther, "GlobalLargerReceiveBuffer", b(globalLargerReceiveBuffer)},
    };
}

std::vector<Settings::Entry> Settings::printingEntries() const
{
    auto b = [](bool v) { return std::string(v ? "1" : "0"); };
    return {
        {kPrinting, "MultiPage", b(multiPage)},
        {kPrinting, "Header", b(header)},
        {kPrinting, "Footer", b(footer)},
        {kPrinting, "Stretch", b(stretch)},
    };
}

void Settings::save(IniFile &ini) const
{
    ini.beginUpdate();
    try {
        for (const auto &e : entries()) {
            std::string value = e.value;
            // The port 0 taken for "no modem" is not a choice the user made.
            if (e.key == std::string("ComPort") && noModem && !useTAPI)
                value = "-1";
            ini.writeString(e.section, e.key, value);
        }
        ini.endUpdate();
    } catch (...) {
        ini.reload();  // drop the unwritten changes; the file is unchanged
        throw;
    }
}

void Settings::loadPrintingOptions(const std::string &iniPath)
{
    IniFile ini(iniPath);
    multiPage = ini.readBool(kPrinting, "MultiPage", false);
    header = ini.readBool(kPrinting, "Header", false);
    footer = ini.readBool(kPrinting, "Footer", false);
    stretch = ini.readBool(kPrinting, "Stretch", false);
}

void Settings::savePrintingOptions(const std::string &iniPath) const
{
    IniFile ini(iniPath);
    ini.beginUpdate();
    for (const auto &e : printingEntries())
        ini.writeString(e.section, e.key, e.value);
    ini.endUpdate();
}

std::string Settings::portDevice(int comNumber) const
{
    auto it = portDevices.find(comNumber);
    if (it != portDevices.end())
        return it->second;
    return "/dev/ttyS" + std::to_string(comNumber - 1);
}

Settings &settings()
{
    static Settings instance;
    return instance;
}

}  // namespace qln
