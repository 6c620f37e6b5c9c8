#include "fax/faxlog.h"

#include "fax/faxcodes.h"

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace qln::fax {

std::string localDateTimeText()
{
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%x %X", &tm);
    return buf;
}

std::vector<std::string> TApdFaxLog::linesFor(int logCode, const FaxLogFacts &f,
                                              const std::string &dt)
{
    std::vector<std::string> out;
    const std::string hangup = std::to_string(f.hangupCode);
    switch (logCode) {
    case lfaxTransmitStart:
        for (const auto &file : f.files)
            out.push_back("Transmit " + file + " to " + f.phoneNumber + " started at " + dt);
        break;
    case lfaxTransmitOk:
        out = {"Transmit to " + f.remoteStation + " finished OK at " + dt + " " + hangup, ""};
        break;
    case lfaxTransmitFail:
        out = {"Transmit failed at " + dt,
               "  (" + faxErrorText(f.lastError) + ") " + hangup, ""};
        break;
    case lfaxReceiveStart:
        out = {"Receive " + f.receivedFile + " from " + f.remoteStation + " started at " + dt};
        break;
    case lfaxReceiveOk:
        out = {"Receive finished OK at " + dt, ""};
        break;
    case lfaxReceiveSkip:
        out = {"Receive skipped at " + dt, ""};
        break;
    case lfaxReceiveFail:
        out = {"Receive failed at " + dt, "  (" + faxErrorText(f.lastError) + ")", ""};
        break;
    default:
        break;
    }
    return out;
}

int TApdFaxLog::UpdateLog(int logCode, const FaxLogFacts &facts)
{
    if (FaxHistoryName.empty())
        return 0;
    auto lines = linesFor(logCode, facts, dateTimeText ? dateTimeText() : localDateTimeText());
    if (lines.empty())
        return 0;
    std::string text;
    for (const auto &l : lines)
        text += l + "\n";
    // One append of the whole entry, so a failure never leaves half an entry
    // behind another writer's lines.
    std::FILE *f = std::fopen(FaxHistoryName.c_str(), "ab");
    if (!f)
        return -errno;
    size_t n = std::fwrite(text.data(), 1, text.size(), f);
    int rc = (n == text.size()) ? 0 : -ecDeviceWrite;
    if (std::fclose(f) != 0 && rc == 0)
        rc = -errno;
    return rc;
}

} // namespace qln::fax
