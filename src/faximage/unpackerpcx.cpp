#include "faximage/unpackerpcx.h"

#include <cstring>

#include "faximage/apf.h"
#include "faximage/apferrors.h"

namespace qln::fax {

void encodePcxRow(const uint8_t *row, int bytes, std::vector<uint8_t> &out)
{
    int i = 0;
    while (i < bytes) {
        const uint8_t b = uint8_t(~row[i]);
        int run = 1;
        while (i + run < bytes && run < 63 && uint8_t(~row[i + run]) == b)
            ++run;
        if (run >= 2) {
            out.push_back(uint8_t(0xC0 + run));
            out.push_back(b);
        } else {
            if (b >= 0xC0)
                out.push_back(0xC1);
            out.push_back(b);
        }
        i += run;
    }
}

std::vector<uint8_t> makePcxImage(const uint8_t *rows, int widthPixels, int rowBytes, int lines)
{
    std::vector<uint8_t> out(kPcxHeaderSize, 0);
    out[0] = 10;
    out[1] = 2;
    out[2] = 1;
    out[3] = 1;
    putU16(&out[8], uint16_t(widthPixels > 0 ? widthPixels - 1 : 0));
    putU16(&out[10], uint16_t(lines > 0 ? lines - 1 : 0));
    out[65] = 1;
    putU16(&out[66], uint16_t(rowBytes));
    out.reserve(kPcxHeaderSize + std::size_t(lines) * 16);
    for (int y = 0; y < lines; ++y)
        encodePcxRow(rows + std::size_t(y) * std::size_t(rowBytes), rowBytes, out);
    return out;
}

std::vector<uint8_t> makeDcxFile(const std::vector<uint8_t> &pcx)
{
    std::vector<uint8_t> out(kDcxHeaderSize + pcx.size(), 0);
    putU32(out.data(), kDcxMagic);
    putU32(out.data() + 4, uint32_t(kDcxHeaderSize));
    if (!pcx.empty())
        std::memcpy(out.data() + kDcxHeaderSize, pcx.data(), pcx.size());
    return out;
}

std::string unpackOutputName(const std::string &inName, const std::string &outName, const std::string &ext)
{
    auto extPos = [](const std::string &name) -> std::size_t {
        std::size_t slash = name.find_last_of('/');
        std::size_t dot = name.find_last_of('.');
        if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
            return std::string::npos;
        return dot;
    };
    if (!outName.empty()) {
        if (extPos(outName) != std::string::npos)
            return outName;
        return outName + "." + ext;
    }
    std::size_t dot = extPos(inName);
    return (dot == std::string::npos ? inName : inName.substr(0, dot)) + "." + ext;
}

} // namespace qln::fax
