#include "faximage/faxfont.h"

#include <cstring>

#include "faximage/convertererror.h"

namespace qln::fax {

int FaxFont::load(int sizeCode, bool fine)
{
    return load(sizeCode, fine, kFaxFontResource, kFaxFontResourceSize);
}

int FaxFont::load(int sizeCode, bool fine, const unsigned char *resource, std::size_t size)
{
    int width, rows, rowBytes;
    std::size_t offset;
    if (sizeCode == kSmall) {
        width = 12, rows = 8, rowBytes = 2, offset = 0;
    } else if (sizeCode == kStandard) {
        width = 20, rows = 16, rowBytes = 3, offset = 4096;
    } else {
        return ecBadArgument;
    }
    if (!resource || size != kFaxFontResourceSize) {
        glyphs_.clear();
        width_ = rows_ = rowBytes_ = 0;
        return ecFontFileNotFound;
    }
    const int perChar = rows * rowBytes;
    const int factor = fine ? 2 : 1;
    glyphs_.assign(std::size_t(256) * perChar * factor, 0);
    for (int ch = 0; ch < 256; ++ch) {
        const unsigned char *src = resource + offset + std::size_t(ch) * perChar;
        uint8_t *dst = glyphs_.data() + std::size_t(ch) * perChar * factor;
        for (int r = 0; r < rows; ++r)
            for (int k = 0; k < factor; ++k)
                std::memcpy(dst + (r * factor + k) * rowBytes, src + r * rowBytes, rowBytes);
    }
    width_ = width;
    rows_ = rows * factor;
    rowBytes_ = rowBytes;
    return ecOK;
}

} // namespace qln::fax
