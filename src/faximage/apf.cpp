#include "faximage/apf.h"

#include <algorithm>
#include <cstring>

namespace qln::fax {

std::string ApfFileHeader::stationText() const
{
    std::size_t n = std::min<std::size_t>(stationIdLength, kApfStationIdMax);
    return std::string(stationId.data(), n);
}

std::string escapedText(const std::string &raw)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(raw.size());
    for (unsigned char c : raw) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += char(c);
        } else if (c >= 0x20 && c <= 0x7E) {
            out += char(c);
        } else {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

void ApfFileHeader::setStation(const std::string &text, char pad)
{
    std::size_t n = std::min(text.size(), kApfStationIdMax);
    stationId.fill(pad);
    std::memcpy(stationId.data(), text.data(), n);
    stationIdLength = uint8_t(n);
}

void ApfFileHeader::pack(uint8_t out[kApfFileHeaderSize]) const
{
    std::memset(out, 0, kApfFileHeaderSize);
    std::memcpy(out, signature.data(), 6);
    putU32(out + 6, dateTime);
    out[10] = stationIdLength;
    std::memcpy(out + 11, stationId.data(), 20);
    putU16(out + 32, pageCount);
    putU32(out + 34, firstPageOffset);
}

ApfFileHeader ApfFileHeader::unpack(const uint8_t in[kApfFileHeaderSize])
{
    ApfFileHeader h;
    std::memcpy(h.signature.data(), in, 6);
    h.dateTime = getU32(in + 6);
    h.stationIdLength = in[10];
    std::memcpy(h.stationId.data(), in + 11, 20);
    h.pageCount = getU16(in + 32);
    h.firstPageOffset = getU32(in + 34);
    return h;
}

void ApfPageHeader::pack(uint8_t out[kApfPageHeaderSize]) const
{
    std::memset(out, 0, kApfPageHeaderSize);
    putU32(out, imageLength);
    putU16(out + 4, flags);
}

ApfPageHeader ApfPageHeader::unpack(const uint8_t in[kApfPageHeaderSize])
{
    ApfPageHeader h;
    h.imageLength = getU32(in);
    h.flags = getU16(in + 4);
    return h;
}

uint32_t packDosDateTime(const std::tm &t)
{
    int year = t.tm_year + 1900;
    if (year < 1980 || year > 2099)
        return 0;
    uint32_t time = uint32_t((t.tm_sec / 2) & 0x1F) | (uint32_t(t.tm_min & 0x3F) << 5)
                    | (uint32_t(t.tm_hour & 0x1F) << 11);
    uint32_t date = uint32_t(t.tm_mday & 0x1F) | (uint32_t((t.tm_mon + 1) & 0x0F) << 5)
                    | (uint32_t(year - 1980) << 9);
    return (date << 16) | time;
}

uint32_t dosDateTimeNow()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return packDosDateTime(local);
}

std::tm unpackDosDateTime(uint32_t packed)
{
    std::tm t{};
    uint32_t time = packed & 0xFFFF, date = packed >> 16;
    t.tm_sec = int(time & 0x1F) * 2;
    t.tm_min = int((time >> 5) & 0x3F);
    t.tm_hour = int(time >> 11);
    t.tm_mday = int(date & 0x1F);
    t.tm_mon = int((date >> 5) & 0x0F) - 1;
    t.tm_year = int(date >> 9) + 80;
    return t;
}

} // namespace qln::fax
