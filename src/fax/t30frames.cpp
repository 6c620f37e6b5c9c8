#include "fax/t30frames.h"

#include "fax/faxclass.h"

#include <algorithm>

namespace qln::fax::t30 {

namespace {

struct ScanTime {
    int normalMs, fineMs;
};
// Minimum scan-line time by scan-time code 0..7.
constexpr ScanTime kScan[8] = {
    {0, 0}, {5, 5}, {10, 5}, {10, 10}, {20, 10}, {20, 20}, {40, 20}, {40, 40},
};

} // namespace

int scanTimeMs(int scanCode, bool fine)
{
    const auto &e = kScan[scanCode & 7];
    return fine ? e.fineMs : e.normalMs;
}

int minBytesPerLine(int scanCode, bool fine, int bps)
{
    return scanTimeMs(scanCode, fine) * bps / 8000;
}

int tcfLength(int bps) { return std::min(bps / 100 * 18, 8192); }

Bytes buildFrame(uint8_t fcf, const Bytes &info, bool final)
{
    Bytes f;
    f.reserve(info.size() + 5);
    f.push_back(0xFF);
    f.push_back(final ? 0x13 : 0x03);
    f.push_back(fcf);
    for (uint8_t b : info)
        f.push_back(b);
    f.push_back(DLE);
    f.push_back(ETX);
    return f;
}

Bytes idInfo(const std::string &stationId)
{
    // T.30 sends the number from its last character to its first and fills
    // the rest with blanks, so a peer that reverses the 20 octets reads the
    // number right-aligned.
    std::string id = stationId.substr(0, 20);
    Bytes b(id.rbegin(), id.rend());
    b.resize(20, ' ');
    return b;
}

Bytes buildIdFrame(uint8_t fcf, const std::string &stationId, bool final)
{
    return buildFrame(fcf, idInfo(stationId), final);
}

Bytes buildDIS(const Bytes &info, bool final) { return buildFrame(fcfDIS, info, final); }

Bytes buildDCS(const Bytes &info, bool final) { return buildFrame(withX(fcfDCS), info, final); }

std::string parseIdInfo(const Bytes &info)
{
    size_t n = std::min<size_t>(info.size(), 20);
    std::string s;
    for (size_t i = n; i-- > 0;)
        s += static_cast<char>(info[i]);
    s = printableStationId(s);
    while (!s.empty() && (s.back() == ' ' || s.back() == '"'))
        s.pop_back();
    size_t start = 0;
    while (start < s.size() && s[start] == ' ')
        ++start;
    return s.substr(start);
}

void FrameCollector::reset()
{
    raw_.clear();
    started_ = false;
    dle_ = false;
}

bool FrameCollector::feed(uint8_t b)
{
    if (!started_) {
        if (b != 0xFF)
            return false;
        started_ = true;
        raw_.assign(1, b);
        return false;
    }
    if (dle_) {
        dle_ = false;
        if (b == ETX) {
            frame_ = Frame{};
            if (raw_.size() >= 2)
                frame_.control = raw_[1];
            if (raw_.size() >= 3)
                frame_.fcf = raw_[2];
            if (raw_.size() > 3)
                frame_.info.assign(raw_.begin() + 3, raw_.end());
            reset();
            return true;
        }
        raw_.push_back(b); // DLE DLE stands for one DLE; DLE x for x
        return cutIfTooLong();
    }
    if (b == DLE) {
        dle_ = true;
        return false;
    }
    raw_.push_back(b);
    return cutIfTooLong();
}

bool FrameCollector::cutIfTooLong()
{
    if (raw_.size() <= kMaxFrameBytes)
        return false;
    frame_ = Frame{};
    frame_.cut = true;
    reset();
    return true;
}

void TcfChecker::reset() { *this = TcfChecker{}; }

bool TcfChecker::feed(uint8_t b)
{
    ++total_;
    if (b != 0)
        ++nonZero_;
    if (dle_) {
        dle_ = false;
        return b == ETX;
    }
    dle_ = (b == DLE);
    return false;
}

bool TcfChecker::good() const
{
    return total_ > 0 && (nonZero_ * 100) / total_ < 10;
}

} // namespace qln::fax::t30
