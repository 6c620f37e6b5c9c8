#include "faximage/dcxreader.h"

#include <algorithm>

#include "faximage/apf.h"
#include "faximage/apferrors.h"

namespace qln::fax {

int DcxReader::open(ConverterCore &core, const std::string &fileName)
{
    offsets_.clear();
    current_ = 0;
    pageOpen_ = false;
    if (int rc = file_.open(fileName); rc < 0)
        return rc;
    uint8_t head[4100] = {};
    std::size_t got = 0;
    if (int rc = file_.readSome(head, sizeof head, got); rc < 0) {
        file_.close();
        return rc;
    }
    if (got < 8 || getU32(head) != kDcxSignature) {
        file_.close();
        return ecUnsupportedFormat;
    }
    for (std::size_t i = 4; i + 4 <= got; i += 4) {
        const uint32_t off = getU32(head + i);
        if (off == 0)
            break;
        // Two pages at one offset would be one image read twice (and a
        // few bytes could then stand for a thousand pages).
        const bool repeated = std::find(offsets_.begin(), offsets_.end(), int64_t(off)) != offsets_.end();
        if (off < 8 || int64_t(off) >= file_.size() || repeated) {
            file_.close();
            return ecUnsupportedFormat;
        }
        offsets_.push_back(off);
    }
    if (offsets_.empty()) {
        file_.close();
        return ecUnsupportedFormat;
    }
    core.bytesConverted = 0;
    core.bytesToConvert = 0;
    for (std::size_t i = 0; i < offsets_.size(); ++i)
        core.bytesToConvert += pageSize(i) - 128;
    return ecOK;
}

int64_t DcxReader::pageSize(std::size_t index) const
{
    const int64_t start = offsets_[index];
    int64_t end = file_.size();
    for (int64_t off : offsets_)
        if (off > start && off < end)
            end = off;
    return end - start;
}

int DcxReader::readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages)
{
    if (!pageOpen_) {
        if (int rc = page_.open(core, file_, offsets_[current_], pageSize(current_)); rc < 0)
            return rc;
        pageOpen_ = true;
    }
    if (int rc = page_.readRow(core, file_, raster, endOfPage); rc < 0)
        return rc;
    morePages = false;
    if (endOfPage) {
        pageOpen_ = false;
        ++current_;
        morePages = current_ < offsets_.size();
    }
    return ecOK;
}

} // namespace qln::fax
