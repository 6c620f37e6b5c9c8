#include "comms/dispatchlog.h"

#include "comms/dispatchercodes.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace qln {

namespace {

constexpr int kWrapColumn = 78;
constexpr int kLogDataColumn = 44;
std::atomic<std::string (*)(int)> g_faxStateNamer{nullptr};

const char *const kKindNames[] = {
    "No event", "Dispatch", "Trigger", "Error",  "Thread", "TrigAllc", "TrigDisp",
    "TrgHdAlc", "TrgHdDsp", "TrDatChg", "Telnet", "Fax",    "XModem",   "YModem",
    "ZModem",   "Kermit",   "Ascii",    "BPlus",  "Packet", "User"};

const char *const kSubKindNames[] = {
    "",       "ReadCom", "WriteCom", "Line status", "Modem status", "Avail",
    "Timer",  "Data",    "Status",   "Start",       "Exit",         "Sleep",
    "Wake",   "Window",  "Procedure", "Method",     "User"};

const char *const kStatusKindNames[] = {"(Not active)", "(Modem status)", "(Line status)",
                                        "(Output buffer free)", "(Output buffer used)",
                                        "(Output sent)"};

const char *const kModemBitNames[] = {"DCTS ", "DDSR ", "TERI ", "DDCD ",
                                      "CTS ",  "DSR ",  "RI ",   "DCD "};

std::string hexByte(uint8_t b)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "[%02X]", b);
    return buf;
}

// Appends bytes by the trace rules, wrapping past column 78 onto a new line
// that starts with indent blanks.
void appendBytes(std::string &out, int &col, const uint8_t *bytes, size_t len, bool hex,
                 bool allHex, int indent)
{
    for (size_t i = 0; i < len; ++i) {
        std::string s = formatTraceByte(bytes[i], hex, allHex);
        if (col + int(s.size()) > kWrapColumn) {
            out += '\n';
            out.append(size_t(indent), ' ');
            col = indent;
        }
        out += s;
        col += int(s.size());
    }
}

std::string platformText()
{
    struct utsname u {};
    if (uname(&u) != 0)
        return "Unknown";
    int major = 0, minor = 0;
    std::sscanf(u.release, "%d.%d", &major, &minor);
    return std::string(u.sysname) + " " + std::to_string(major) + "." + std::to_string(minor) +
           " " + u.release;
}

std::string compilerText()
{
#if defined(__clang__)
    return "Clang " __clang_version__;
#elif defined(__GNUC__)
    return "GCC " __VERSION__;
#else
    return "C++ compiler";
#endif
}

} // namespace

std::string formatTraceByte(uint8_t b, bool hex, bool allHex)
{
    if (allHex)
        return hexByte(b);
    bool unprintable = b < (hex ? 0x21 : 0x20) || b > 0x7E;
    if (!unprintable)
        return std::string(1, char(b));
    if (hex)
        return hexByte(b);
    return "[" + std::to_string(b) + "]";
}

int writeDumpFile(const std::string &file, const std::string &text, bool append)
{
    auto writeAll = [&text](int fd) -> int {
        size_t done = 0;
        while (done < text.size()) {
            ssize_t n = ::write(fd, text.data() + done, text.size() - done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return -errno;
            }
            done += size_t(n);
        }
        return 0;
    };
    if (append) {
        int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd < 0)
            return -errno;
        int rc = writeAll(fd);
        if (::close(fd) != 0 && rc == 0)
            rc = -errno;
        return rc;
    }
    std::string tmp = file + ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return -errno;
    int rc = writeAll(fd);
    if (rc == 0 && ::fsync(fd) != 0)
        rc = -errno;
    if (::close(fd) != 0 && rc == 0)
        rc = -errno;
    if (rc == 0 && ::rename(tmp.c_str(), file.c_str()) != 0)
        rc = -errno;
    if (rc != 0)
        ::unlink(tmp.c_str());
    return rc;
}

// ---- Trace ----------------------------------------------------------------

void DispatchTrace::start(uint32_t entries)
{
    capacity_ = std::min(std::max<uint32_t>(entries, 1), kMaxTraceSize);
    entries_.clear();
    on_ = true;
    paused_ = false;
}

void DispatchTrace::stop()
{
    std::deque<std::pair<char, uint8_t>>().swap(entries_);
    on_ = false;
    paused_ = false;
}

void DispatchTrace::clear() { entries_.clear(); }

void DispatchTrace::add(char kind, const uint8_t *bytes, size_t len)
{
    if (!on_ || paused_)
        return;
    for (size_t i = 0; i < len; ++i) {
        if (entries_.size() >= capacity_)
            entries_.pop_front();
        entries_.emplace_back(kind, bytes[i]);
    }
}

std::string DispatchTrace::format(bool hex, bool allHex) const
{
    std::string out;
    int col = 0;
    char last = 0;
    bool first = true;
    for (const auto &[kind, byte] : entries_) {
        if (first || kind != last) {
            if (!first)
                out += '\n';
            std::string head = kind == 'T'   ? "Transmit: "
                               : kind == 'R' ? "Receive: "
                                             : std::string("Special-") + kind + ": ";
            out += head;
            col = int(head.size());
            last = kind;
            first = false;
        }
        appendBytes(out, col, &byte, 1, hex, allHex, 0);
    }
    if (!first)
        out += '\n';
    return out;
}

// ---- Log ------------------------------------------------------------------

void DispatchLog::start(uint32_t bytes)
{
    capacity_ = std::min(std::max<uint32_t>(bytes, 16), kMaxLogSize);
    clear();
    on_ = true;
    paused_ = false;
}

void DispatchLog::stop()
{
    std::deque<Entry>().swap(entries_);
    used_ = 0;
    on_ = false;
    paused_ = false;
}

void DispatchLog::clear()
{
    entries_.clear();
    used_ = 0;
}

void DispatchLog::add(uint8_t kind, uint8_t subKind, uint32_t timeMs, uint32_t data,
                      const uint8_t *bytes, size_t len)
{
    if (!on_ || paused_)
        return;
    len = std::min<size_t>(len, capacity_ - 16);
    size_t need = 16 + len;
    while (!entries_.empty() && used_ + need > capacity_) {
        used_ -= 16 + entries_.front().bytes.size();
        entries_.pop_front();
    }
    Entry e{kind, subKind, timeMs, data, {}};
    if (bytes && len)
        e.bytes.assign(bytes, bytes + len);
    entries_.push_back(std::move(e));
    used_ += need;
}

void DispatchLog::setFaxStateNamer(std::string (*namer)(int)) { g_faxStateNamer = namer; }

std::string DispatchLog::kindName(uint8_t kind)
{
    return kind < std::size(kKindNames) ? kKindNames[kind] : std::to_string(kind);
}

std::string DispatchLog::subKindName(uint8_t kind, uint8_t subKind)
{
    if (kind == dtFax) {
        if (auto namer = g_faxStateNamer.load())
            return namer(subKind);
        return std::to_string(subKind);
    }
    return subKind < std::size(kSubKindNames) ? kSubKindNames[subKind] : std::to_string(subKind);
}

std::string DispatchLog::format(const std::string &deviceName, bool hex, bool allHex) const
{
    std::string out = "RIZI v3.06\n";
    out += "Compiler : " + compilerText() + "\n";
    out += "Operating System : " + platformText() + "\n";
    out += "Device: " + deviceName + "\n";
    out += "Time      Type      SubType       Data      OtherData\n";
    out += "--------  --------  ------------  --------  ---------\n";
    for (const Entry &e : entries_) {
        char t[16];
        // Seconds with three decimals: "%07u" milliseconds with a point
        // before the last three digits ("0001.234").
        std::snprintf(t, sizeof t, "%07u", e.timeMs);
        std::string digits = t;
        std::string time = digits.substr(0, digits.size() - 3) + "." + digits.substr(digits.size() - 3);
        char line[128];
        std::snprintf(line, sizeof line, "%8s  %-8s  %-12s  %08x  ", time.c_str(),
                      kindName(e.kind).c_str(), subKindName(e.kind, e.subKind).c_str(), e.data);
        out += line;
        int col = kLogDataColumn;
        bool statusAlloc = (e.kind == dtTriggerAlloc || e.kind == dtTriggerDispose) &&
                           e.subKind == dstStatus;
        if (statusAlloc) {
            // The data word is the handle; its low three bits are the kind.
            out += kStatusKindNames[std::min<uint32_t>(e.data & 7, 5)];
        } else if (e.subKind == dstModemStatus && e.kind != dtFax) {
            out += "(";
            for (int bit = 0; bit < 8; ++bit)
                if (e.data & (1u << bit))
                    out += kModemBitNames[bit];
            out += ")";
        }
        if (e.kind == dtUser && allHex)
            out.append(e.bytes.begin(), e.bytes.end());
        else
            appendBytes(out, col, e.bytes.data(), e.bytes.size(), hex, allHex, kLogDataColumn);
        out += '\n';
    }
    return out;
}

} // namespace qln
