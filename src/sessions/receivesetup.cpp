#include "sessions/receivesetup.h"

#include "common/settings.h"
#include "common/textutil.h"

#include <QDateTime>

#include <algorithm>
#include <cctype>

namespace qln {

namespace {
std::string upper(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return s;
}
} // namespace

std::string receiveModemInit(const std::string &initStringReceive)
{
    if (initStringReceive.empty())
        return {};
    if (upper(initStringReceive).find("AT") != std::string::npos)
        return initStringReceive;
    return "AT" + initStringReceive;
}

ReceiverSetup receiverSetupFromSettings(const Settings &s, const std::string &receiveDir)
{
    ReceiverSetup r;
    r.destinationDir = receiveDir;
    r.faxNameMode = s.globalUseAlternateNamingRec ? 2 : 1;
    r.comNumber = s.comPort + 1;
    r.faxClass = s.faxClassReceive + 1;
    r.stationId = s.fax;
    r.answerOnRing = s.answerOnRing;
    r.desiredBps = s.maximumBPSReceive;
    r.desiredEcm = s.ecmReceive;
    r.modemInit = receiveModemInit(s.initStringReceive);
    r.inSize = s.globalLargerReceiveBuffer ? 16384 : 8192;
    r.bufferFull = r.inSize * 9 / 10;
    r.bufferResume = r.inSize / 10;
    r.telephony = s.useTAPI;
    return r;
}

std::string receiveStatusLine(const std::string &statusText, int pageNumber, long bytesDone,
                              const std::string &remoteStation)
{
    std::string text = trim(statusText);
    std::string pagePart, bytesPart;
    if (upper(text) == "GOT CLASS 2 FHNG CODE") {
        text = "Hangup successful";
    } else if (text == "Getting page data") {
        text = "Receiving fax";
        if (bytesDone > 0)
            bytesPart = " (" + std::to_string(bytesDone) + " bytes)";
        if (pageNumber != 0)
            pagePart = ", page " + std::to_string(pageNumber);
    }
    const std::string remote = trim(storableStationId(remoteStation));
    if (!remote.empty())
        text += " from: " + remote + pagePart + bytesPart;
    if (upper(text).find("ABORT") != std::string::npos)
        return {};
    return text;
}

std::string storableStationId(const std::string &remoteStation)
{
    std::string out;
    for (unsigned char c : remoteStation)
        out += (c >= 0x20 && c < 0x7F) ? char(c) : '?';
    out = trim(out);
    if (out.size() > 20)
        out = trimRight(out.substr(0, 20));
    return out;
}

std::string todayYyyymmdd()
{
    return QDate::currentDate().toString(QStringLiteral("yyyyMMdd")).toStdString();
}

std::string nowHhmm() { return QTime::currentTime().toString(QStringLiteral("HH:mm")).toStdString(); }

} // namespace qln
