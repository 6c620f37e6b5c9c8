// UnpackerCore: turns one page of an APF file into raster lines and hands
// them to a line callback, applying blank-line compression, aspect
// correction of normal-resolution pages (double height or half width) and
// inversion; and the page-bitmap collector built on it.
//
// Decoding follows G3Decoder. Framed pages are fed one framed line at a time,
// unframed pages in 4096-byte blocks; neither reads past the page's image
// length. The status callback gets (file, page, bytes unpacked, bytes to
// unpack) after each block or line and once more when the page ends. An abort
// request ends the page after the current block with the lines so far (no
// error). With the yield flag, the yield hook runs after each block while the
// number of lines passed on is a multiple of 16; when it reports a quit the
// operation ends with -1003.
//
// A page is never allocated by the size its header claims: lines are
// collected as they are decoded, and a page of more than kMaxPageLines lines
// gives -8 ("Insufficient memory").
//
// Not thread-safe: one thread drives a core; requestAbort() may be called
// from a callback or from another thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "faximage/apf.h"
#include "faximage/monobitmap.h"

namespace qln::fax {

// Core flags.
inline constexpr unsigned ufYield = 1;
inline constexpr unsigned ufDoubleHeight = 2;
inline constexpr unsigned ufHalfWidth = 4;
inline constexpr unsigned ufAbort = 8;

enum class UnpackLineKind { StartOfPage, Line, EndOfPage };

// Collected page rows: `rowBytes` bytes per row (even), `width` the used
// width in bytes before padding, rows one after another.
struct PageRows {
    int width = 0;    // bytes
    int rowBytes = 0; // width rounded up to even
    int lines = 0;
    std::vector<uint8_t> data;
    bool empty() const { return lines == 0; }
};

class UnpackerCore {
public:
    static constexpr int kSlotSize = 256;
    static constexpr int kSlotsPerChunk = 1024; // 256 KB steps
    static constexpr int kMaxPageLines = kApfMaxPageLines;

    // Returns 0 to go on or a negative code that ends the operation.
    using LineCallback = std::function<int(UnpackLineKind kind, const uint8_t *data, int len, int page)>;
    using StatusCallback =
        std::function<void(const std::string &file, int page, uint64_t unpacked, uint64_t toUnpack)>;
    // Handles one pending event; returns true when the application is quitting.
    using YieldHook = std::function<bool()>;

    UnpackerCore();
    explicit UnpackerCore(LineCallback cb);

    // Sets the flags. ufDoubleHeight and ufHalfWidth are never set together:
    // giving either clears both first (ufDoubleHeight wins when both given).
    void setFlags(unsigned flags);
    unsigned flags() const { return flags_.load(); }
    void requestAbort() { flags_ |= ufAbort; }

    // Blank-line compression (0, 0 = off). -1002 when from < to or when
    // from is 0 and to is not; the previous values stay.
    int setWhitespace(unsigned from, unsigned to);
    // Scaling factors; 0 is taken as 1.
    void setScaling(unsigned hMult, unsigned hDiv, unsigned vMult, unsigned vDiv);
    void setInvert(bool on) { invert_ = on; }

    void setLineCallback(LineCallback cb) { lineCb_ = std::move(cb); }
    const LineCallback &lineCallback() const { return lineCb_; }
    void setStatusCallback(StatusCallback cb) { statusCb_ = std::move(cb); }
    void setYieldHook(YieldHook hook) { yield_ = std::move(hook); }

    // The file header of `file` (checked). Errors as ApfReader::open.
    int readFileHeader(const std::string &file, ApfFileHeader &out);
    // The header of page n. Errors as ApfReader::seekPage.
    int readPageHeader(const std::string &file, int page, ApfPageHeader &out);

    // Unpacks page n through the line callback.
    int unpackPage(const std::string &file, int page);
    // The same with a reader the caller keeps open (its walk goes on from
    // the page it is at, see ApfReader::seekPage); `file` names it for the
    // status callback.
    int unpackPage(ApfReader &reader, const std::string &file, int page);
    // Unpacks page n into rows with the collector (lines in the polarity set
    // by setInvert), restoring the line callback afterwards.
    int unpackPageRows(const std::string &file, int page, PageRows &out);
    // Unpacks page n into a bitmap (inverted polarity, 1 = white, when
    // `invert`), scaled when a factor pair differs. No lines: a null bitmap
    // and 0. Bitmap too large or scaled to nothing: -8005.
    int unpackPageToBitmap(const std::string &file, int page, MonoBitmap &out, bool invert = true);

    // Stretches `src` to the scaling factors. `oneIsBlack` says which value
    // is black; black wins over white where pixels are merged.
    int scaleBitmap(const MonoBitmap &src, MonoBitmap &out, bool oneIsBlack) const;
    bool scalingActive() const { return hMult_ != hDiv_ || vMult_ != vDiv_; }

    // Facts about the last page unpacked.
    uint32_t badCodes() const { return badCodes_; }
    uint32_t decodedLines() const { return decodedLines_; }
    const ApfPageHeader &lastPageHeader() const { return page_; }

private:
    int decodePage(const std::string &file, int page);
    int decodePage(ApfReader &reader, const std::string &file, int page);
    int handleLine(const uint8_t *line, int len);
    int passOn(const uint8_t *line, int len);
    int releaseBlank(unsigned count);

    LineCallback lineCb_;
    StatusCallback statusCb_;
    YieldHook yield_;
    std::atomic<unsigned> flags_{ufYield | ufDoubleHeight};
    unsigned wsFrom_ = 0, wsTo_ = 0;
    unsigned hMult_ = 1, hDiv_ = 1, vMult_ = 1, vDiv_ = 1;
    bool invert_ = false;

    // Per-page state.
    ApfPageHeader page_;
    int pageNo_ = 0;
    unsigned pendingBlank_ = 0;
    uint32_t linesPassed_ = 0;
    uint32_t badCodes_ = 0;
    uint32_t decodedLines_ = 0;
    int lineError_ = 0;
    uint8_t work_[512];
};

} // namespace qln::fax
