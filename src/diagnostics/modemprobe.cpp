#include "diagnostics/modemprobe.h"

#include "comms/comport.h"

#include <QCoreApplication>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <unistd.h>

namespace qln {

namespace {

const char *const kResultCodes[] = {"OK", "ERROR", "NO CARRIER", "NO DIALTONE", "BUSY", "NO ANSWER"};

bool isResultCode(const std::string &line)
{
    for (const char *code : kResultCodes)
        if (line == code)
            return true;
    return false;
}

std::string trimmed(const std::string &s)
{
    size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

void letEventsRun()
{
    auto *app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

bool ModemProbeResult::answered() const
{
    for (const ModemReply &r : replies)
        if (!r.result.empty())
            return true;
    return false;
}

std::vector<std::string> DefaultProbeCommands() { return {"ATI0", "ATI3", "AT+FCLASS=?"}; }

bool ParseModemReply(const std::string &command, const std::string &raw, ModemReply &out)
{
    out.command = command;
    out.reply.clear();
    out.result.clear();
    size_t pos = 0;
    while (pos < raw.size()) {
        size_t end = raw.find_first_of("\r\n", pos);
        if (end == std::string::npos)
            break;  // an unfinished line is not yet part of the reply
        const std::string line = trimmed(raw.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line == command)
            continue;
        if (isResultCode(line)) {
            out.result = line;
            return true;
        }
        if (!out.reply.empty())
            out.reply += "; ";
        out.reply += line;
    }
    return false;
}

ModemProbeResult ProbeModem(const std::string &devicePath, const std::vector<std::string> &commands,
                            ModemProbeTiming timing)
{
    ModemProbeResult result;
    // The usual reasons first, in words a user can act on.
    if (::access(devicePath.c_str(), F_OK) != 0) {
        result.error = "the device " + devicePath + " does not exist";
        return result;
    }
    if (::access(devicePath.c_str(), R_OK | W_OK) != 0) {
        result.error = std::string(std::strerror(errno)) +
                       "; add your user to the group that owns " + devicePath +
                       " (usually dialout) and log in again";
        return result;
    }
    TApdComPort port;
    try {
        port.SetDevicePath(devicePath);
        port.SetComNumber(1);  // the device path is opened in its place
        port.SetOpen(true);
        result.opened = port.Open();
        if (!result.opened)
            result.error = "the port did not open";
    } catch (const std::exception &e) {
        result.error = e.what();
    }
    if (!result.opened)
        return result;

    for (const std::string &command : commands) {
        ModemReply reply;
        reply.command = command;
        std::string raw;
        try {
            port.DiscardInput();
            port.SendText(command + "\r");
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timing.replyMs);
            bool done = false;
            while (!done && std::chrono::steady_clock::now() < end) {
                while (port.InputWaiting())
                    raw += char(port.ReadByte());
                done = ParseModemReply(command, raw, reply);
                if (!done) {
                    letEventsRun();
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                }
            }
            if (!done)
                ParseModemReply(command, raw, reply);  // keep the lines that came
        } catch (const std::exception &e) {
            reply.reply = std::string("failed: ") + e.what();
            reply.result.clear();
        }
        result.replies.push_back(reply);
        // A device that stays silent on the first command gets no second try.
        if (reply.result.empty() && reply.reply.empty() && &command == &commands.front())
            break;
    }
    try {
        port.SetOpen(false);
    } catch (const std::exception &) {
        // Closing a port that just failed can fail again; the report already says so.
    }
    return result;
}

} // namespace qln
