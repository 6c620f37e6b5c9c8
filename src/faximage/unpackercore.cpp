#include "faximage/unpackercore.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "faximage/apferrors.h"
#include "faximage/g3decoder.h"

namespace qln::fax {

namespace {

// Halves a line: every output bit is the OR of two adjacent input bits.
inline uint8_t halvePair(uint8_t a, uint8_t b)
{
    uint32_t v = (uint32_t(a) << 8) | b;
    v = (v | (v >> 1)) & 0x5555u;
    v = (v | (v >> 1)) & 0x3333u;
    v = (v | (v >> 2)) & 0x0F0Fu;
    v = (v | (v >> 4)) & 0x00FFu;
    return uint8_t(v);
}

// Restores a callback when leaving scope, also on failure.
class CallbackGuard {
public:
    CallbackGuard(UnpackerCore::LineCallback &slot, UnpackerCore::LineCallback replacement)
        : slot_(slot)
        , saved_(std::move(slot))
    {
        slot_ = std::move(replacement);
    }
    ~CallbackGuard() { slot_ = std::move(saved_); }

private:
    UnpackerCore::LineCallback &slot_;
    UnpackerCore::LineCallback saved_;
};

// The page-bitmap collector: fixed 256-byte slots in one block growing by
// 1024 slots at a time, repacked at the end.
struct Collector {
    std::vector<uint8_t> block;
    int lines = 0;
    int width = 1;
    uint8_t white = 0;
    bool wide = false;
    int error = 0;

    int add(UnpackLineKind kind, const uint8_t *data, int len)
    {
        if (kind == UnpackLineKind::StartOfPage) {
            lines = 0;
            width = 1;
            try {
                block.assign(std::size_t(UnpackerCore::kSlotSize) * UnpackerCore::kSlotsPerChunk, white);
            } catch (const std::bad_alloc &) {
                return ecOutOfMemory;
            }
            return 0;
        }
        if (kind == UnpackLineKind::EndOfPage)
            return 0;
        if (lines >= UnpackerCore::kMaxPageLines)
            return ecOutOfMemory;
        if (lines > 0 && lines % UnpackerCore::kSlotsPerChunk == 0) {
            try {
                block.resize(block.size() + std::size_t(UnpackerCore::kSlotSize) * UnpackerCore::kSlotsPerChunk,
                             white);
            } catch (const std::bad_alloc &) {
                block.clear();
                block.shrink_to_fit();
                return ecOutOfMemory;
            }
        }
        uint8_t *slot = block.data() + std::size_t(lines) * UnpackerCore::kSlotSize;
        len = std::min(len, UnpackerCore::kSlotSize);
        if (len > 0) {
            std::memcpy(slot, data, std::size_t(len));
            int extent = len;
            while (extent > 0 && slot[extent - 1] == white)
                --extent;
            width = std::max(width, extent);
        }
        ++lines;
        return 0;
    }

    void finish(PageRows &out)
    {
        out = PageRows{};
        if (lines == 0) {
            block.clear();
            return;
        }
        width = std::max(width, wide ? kWideLineBytes : kNormalLineBytes);
        out.width = width;
        out.rowBytes = (width + 1) & ~1;
        out.lines = lines;
        out.data.assign(std::size_t(out.rowBytes) * std::size_t(lines), white);
        for (int i = 0; i < lines; ++i)
            std::memcpy(out.data.data() + std::size_t(i) * std::size_t(out.rowBytes),
                        block.data() + std::size_t(i) * UnpackerCore::kSlotSize, std::size_t(width));
        block.clear();
        block.shrink_to_fit();
    }
};

} // namespace

UnpackerCore::UnpackerCore()
    : UnpackerCore(LineCallback())
{
}

UnpackerCore::UnpackerCore(LineCallback cb)
    : lineCb_(std::move(cb))
{
}

void UnpackerCore::setFlags(unsigned f)
{
    if (f & (ufDoubleHeight | ufHalfWidth)) {
        unsigned aspect = (f & ufDoubleHeight) ? ufDoubleHeight : ufHalfWidth;
        f = (f & ~(ufDoubleHeight | ufHalfWidth)) | aspect;
    }
    flags_ = f;
}

int UnpackerCore::setWhitespace(unsigned from, unsigned to)
{
    if (from < to || (from == 0 && to != 0))
        return ecBadArgument;
    wsFrom_ = from;
    wsTo_ = to;
    return 0;
}

void UnpackerCore::setScaling(unsigned hMult, unsigned hDiv, unsigned vMult, unsigned vDiv)
{
    hMult_ = hMult ? hMult : 1;
    hDiv_ = hDiv ? hDiv : 1;
    vMult_ = vMult ? vMult : 1;
    vDiv_ = vDiv ? vDiv : 1;
}

int UnpackerCore::readFileHeader(const std::string &file, ApfFileHeader &out)
{
    ApfReader r;
    if (int rc = r.open(file))
        return rc;
    out = r.fileHeader();
    return 0;
}

int UnpackerCore::readPageHeader(const std::string &file, int page, ApfPageHeader &out)
{
    ApfReader r;
    if (int rc = r.open(file))
        return rc;
    return r.seekPage(page, &out);
}

int UnpackerCore::passOn(const uint8_t *line, int len)
{
    const uint8_t *p = line;
    if (invert_ && len > 0) {
        // Eight bytes at a time: a page is some 2,000 lines of 216 bytes.
        int i = 0;
        for (; i + 8 <= len; i += 8) {
            uint64_t w;
            std::memcpy(&w, line + i, 8);
            w = ~w;
            std::memcpy(work_ + i, &w, 8);
        }
        for (; i < len; ++i)
            work_[i] = uint8_t(~line[i]);
        p = work_;
    }
    const unsigned f = flags_.load();
    if (!page_.fine()) {
        if (f & ufDoubleHeight) {
            if (int rc = lineCb_ ? lineCb_(UnpackLineKind::Line, p, len, pageNo_) : 0)
                return rc;
        } else if ((f & ufHalfWidth) && len > 0) {
            const int half = len / 2;
            for (int i = 0; i < half; ++i)
                work_[i] = halvePair(p[2 * i], p[2 * i + 1]);
            p = work_;
            len = half;
        }
    }
    return lineCb_ ? lineCb_(UnpackLineKind::Line, p, len, pageNo_) : 0;
}

int UnpackerCore::releaseBlank(unsigned count)
{
    for (unsigned i = 0; i < count; ++i)
        if (int rc = passOn(nullptr, 0))
            return rc;
    return 0;
}

int UnpackerCore::handleLine(const uint8_t *line, int len)
{
    if (wsFrom_ != 0 && wsTo_ != 0) {
        bool blank = true;
        for (int i = 0; i < len; ++i) {
            if (line[i]) {
                blank = false;
                break;
            }
        }
        ++linesPassed_;
        if (blank) {
            ++pendingBlank_;
            return 0;
        }
        unsigned n = pendingBlank_ >= wsFrom_ ? wsTo_ : pendingBlank_;
        pendingBlank_ = 0;
        if (int rc = releaseBlank(n))
            return rc;
        return passOn(line, len);
    }
    ++linesPassed_;
    return passOn(line, len);
}

int UnpackerCore::decodePage(const std::string &file, int page)
{
    ApfReader reader;
    if (int rc = reader.open(file))
        return rc;
    return decodePage(reader, file, page);
}

int UnpackerCore::decodePage(ApfReader &reader, const std::string &file, int page)
{
    if (int rc = reader.seekPage(page, &page_))
        return rc;
    flags_ &= ~ufAbort;
    pageNo_ = page;
    pendingBlank_ = 0;
    linesPassed_ = 0;
    badCodes_ = 0;
    decodedLines_ = 0;
    lineError_ = 0;
    if (int rc = lineCb_ ? lineCb_(UnpackLineKind::StartOfPage, nullptr, 0, page) : 0)
        return rc;

    const uint64_t total = page_.imageLength;
    auto status = [&]() {
        if (statusCb_)
            statusCb_(file, page, std::min<uint64_t>(reader.pageBytesRead(), total), total);
    };
    G3Decoder decoder([this](const uint8_t *line, int len) {
        ++decodedLines_;
        if (lineError_ == 0)
            lineError_ = handleLine(line, len);
    });
    uint8_t buf[kApfMaxFramedLine];
    const bool framed = page_.framed();
    while (!(flags_.load() & ufAbort)) {
        std::size_t n = 0;
        int rc = framed ? reader.readFramedLine(buf, n) : reader.readData(buf, sizeof buf, n);
        if (rc < 0)
            return rc;
        if (rc == 1)
            break;
        decoder.feed(buf, n);
        if (lineError_)
            return lineError_;
        status();
        if ((flags_.load() & ufYield) && linesPassed_ % 16 == 0 && yield_ && yield_())
            return ecGotQuitMsg;
        if (decoder.pageEnded())
            break;
    }
    badCodes_ = decoder.badCodes();

    if (wsFrom_ != 0 && wsTo_ != 0 && pendingBlank_ > 0 && wsFrom_ != wsTo_) {
        unsigned n = pendingBlank_ >= wsFrom_ ? wsTo_ : pendingBlank_;
        if (int rc = releaseBlank(n))
            return rc;
    }
    pendingBlank_ = 0;
    if (int rc = lineCb_ ? lineCb_(UnpackLineKind::EndOfPage, nullptr, 0, page) : 0)
        return rc;
    status();
    return 0;
}

int UnpackerCore::unpackPage(const std::string &file, int page)
{
    return decodePage(file, page);
}

int UnpackerCore::unpackPage(ApfReader &reader, const std::string &file, int page)
{
    return decodePage(reader, file, page);
}

int UnpackerCore::unpackPageRows(const std::string &file, int page, PageRows &out)
{
    out = PageRows{};
    Collector col;
    col.white = invert_ ? 0xFF : 0x00;
    int rc;
    {
        CallbackGuard guard(lineCb_, [&col, this](UnpackLineKind kind, const uint8_t *data, int len, int) {
            if (kind == UnpackLineKind::StartOfPage)
                col.wide = page_.wide();
            return col.add(kind, data, len);
        });
        rc = decodePage(file, page);
    }
    if (rc != 0)
        return rc;
    col.finish(out);
    return 0;
}

int UnpackerCore::unpackPageToBitmap(const std::string &file, int page, MonoBitmap &out, bool invert)
{
    out = MonoBitmap();
    const bool savedInvert = invert_;
    invert_ = invert;
    PageRows rows;
    int rc = unpackPageRows(file, page, rows);
    invert_ = savedInvert;
    if (rc != 0 || rows.empty())
        return rc;
    MonoBitmap bm;
    bm.width = rows.width * 8;
    bm.height = rows.lines;
    bm.bytesPerLine = rows.rowBytes;
    bm.bits = std::move(rows.data);
    if (!scalingActive()) {
        out = std::move(bm);
        return 0;
    }
    return scaleBitmap(bm, out, !invert);
}

int UnpackerCore::scaleBitmap(const MonoBitmap &src, MonoBitmap &out, bool oneIsBlack) const
{
    out = MonoBitmap();
    const uint64_t dw64 = uint64_t(hMult_) * uint64_t(src.width) / hDiv_;
    const uint64_t dh64 = uint64_t(vMult_) * uint64_t(src.height) / vDiv_;
    if (dw64 == 0 || dh64 == 0 || dw64 > 32767 || dh64 > 32767 * 4)
        return ecCantMakeBitmap;
    const int dw = int(dw64), dh = int(dh64);
    try {
        out = MonoBitmap(dw, dh, (((dw + 7) / 8) + 1) & ~1);
    } catch (const std::bad_alloc &) {
        return ecOutOfMemory;
    }
    // Work with 1 = black so that merging is an OR: black wins.
    const uint8_t flip = oneIsBlack ? 0x00 : 0xFF;
    std::vector<int> sx0(std::size_t(dw) + 1);
    for (int dx = 0; dx <= dw; ++dx)
        sx0[std::size_t(dx)] = int(std::min<uint64_t>(uint64_t(dx) * hDiv_ / hMult_, uint64_t(src.width)));
    std::vector<uint8_t> merged(std::size_t(src.bytesPerLine));
    for (int dy = 0; dy < dh; ++dy) {
        int y0 = int(uint64_t(dy) * vDiv_ / vMult_);
        int y1 = int(uint64_t(dy + 1) * vDiv_ / vMult_);
        y0 = std::min(y0, src.height - 1);
        y1 = std::clamp(y1, y0 + 1, src.height);
        std::fill(merged.begin(), merged.end(), 0);
        for (int y = y0; y < y1; ++y) {
            const uint8_t *r = src.row(y);
            for (int i = 0; i < src.bytesPerLine; ++i)
                merged[std::size_t(i)] |= uint8_t(r[i] ^ flip);
        }
        uint8_t *o = out.row(dy);
        std::memset(o, flip, std::size_t(out.bytesPerLine));
        for (int dx = 0; dx < dw; ++dx) {
            int a = sx0[std::size_t(dx)];
            int b = std::max(sx0[std::size_t(dx) + 1], a + 1);
            b = std::min(b, src.width);
            bool black = false;
            for (int x = a; x < b && !black; ++x)
                black = (merged[std::size_t(x >> 3)] >> (7 - (x & 7))) & 1;
            if (black != !oneIsBlack)
                o[dx >> 3] |= uint8_t(0x80 >> (dx & 7));
            else
                o[dx >> 3] &= uint8_t(~(0x80 >> (dx & 7)));
        }
    }
    return 0;
}

} // namespace qln::fax
