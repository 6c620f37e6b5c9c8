// TViewer: page table, scaling, rotation, scrolling and marking of the fax
// viewer control. See faxview.h.
#include "viewer/faxview.h"

#include "faximage/apf.h"
#include "faximage/apferrors.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <new>
#include <sys/stat.h>

namespace qln::viewer {

using fax::MonoBitmap;

std::string viewerErrorText(int code)
{
    switch (code) {
    case vwNoImageLoaded:
        return "No image loaded into viewer";
    case vwNoBlockMarked:
        return "No block of image marked";
    case vwOutOfMemory:
        return "Insufficient memory";
    default:
        return fax::apfErrorText(code);
    }
}

// ---- Rotation ---------------------------------------------------------------

namespace {

int evenRowBytes(int widthPixels)
{
    return ((widthPixels + 15) / 16) * 2;
}

// A page bitmap of `w` x `h`, all white (1 bits).
bool makeWhite(MonoBitmap &out, int w, int h)
{
    try {
        out = MonoBitmap(w, h, evenRowBytes(w));
    } catch (const std::bad_alloc &) {
        out = MonoBitmap();
        return false;
    }
    std::fill(out.bits.begin(), out.bits.end(), uint8_t(0xFF));
    return true;
}

// Fax pages are mostly white, so only the black (0) bits are moved: the
// result (H wide, W' high) starts white and each black source bit at (x, y)
// clears the bit of column `column(y)` in row `rowOf(x)`.
template <class Column, class RowOf>
int rotateBlackBits(const MonoBitmap &src, MonoBitmap &out, Column column, RowOf rowOf)
{
    const int H = src.height;
    const int wholeBytes = src.width / 8;
    if (!makeWhite(out, H, src.bytesPerLine * 8))
        return vwOutOfMemory;
    for (int y = 0; y < H; ++y) {
        const uint8_t *r = src.row(y);
        const int col = column(y);
        const uint8_t colMask = uint8_t(~(0x80 >> (col & 7)));
        const int colByte = col >> 3;
        for (int bx = 0; bx < wholeBytes; ++bx) {
            const uint8_t b = r[bx];
            if (b == 0xFF)
                continue;
            for (int bit = 0; bit < 8; ++bit)
                if (!(b & (0x80 >> bit)))
                    out.row(rowOf(bx * 8 + bit))[colByte] &= colMask;
        }
    }
    return 0;
}

}  // namespace

int rotateQuarterClockwise(const MonoBitmap &src, MonoBitmap &out)
{
    const int H = src.height;
    return rotateBlackBits(src, out, [H](int y) { return H - 1 - y; }, [](int x) { return x; });
}

int rotateQuarterCounterClockwise(const MonoBitmap &src, MonoBitmap &out)
{
    const int wPrime = src.bytesPerLine * 8;
    return rotateBlackBits(src, out, [](int y) { return y; }, [wPrime](int x) { return wPrime - 1 - x; });
}

void rotateHalf(MonoBitmap &bm)
{
    static const auto reversed = [] {
        std::array<uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i) {
            uint8_t v = 0;
            for (int b = 0; b < 8; ++b)
                if (i & (1 << b))
                    v |= uint8_t(0x80 >> b);
            t[std::size_t(i)] = v;
        }
        return t;
    }();
    const int stride = bm.bytesPerLine;
    const int padFrom = bm.width;
    for (int y = 0; y < bm.height; ++y) {
        uint8_t *r = bm.row(y);
        for (int x = padFrom; x < stride * 8; ++x)
            r[x >> 3] |= uint8_t(0x80 >> (x & 7));
        std::reverse(r, r + stride);
        for (int i = 0; i < stride; ++i)
            r[i] = reversed[r[i]];
    }
    for (int y = 0; y < bm.height / 2; ++y)
        std::swap_ranges(bm.row(y), bm.row(y) + stride, bm.row(bm.height - 1 - y));
}

// ---- Opening and pages ------------------------------------------------------

TViewer::TViewer()
{
    core_.setFlags(fax::ufYield | fax::ufDoubleHeight);
}

void TViewer::invalidate()
{
    if (onRepaint)
        onRepaint();
}

void TViewer::freePages()
{
    for (PageEntry &p : pages_)
        p.bitmap = MonoBitmap();
    ++generation_;
}

void TViewer::freeFile()
{
    pages_.clear();
    fileName_.clear();
    curPage_ = 0;
    marked_ = false;
    dragging_ = false;
    scaledW_ = scaledH_ = 0;
    hOff_ = vOff_ = hRange_ = vRange_ = 0;
    anchorRight_ = anchorBottom_ = false;
    displayed_ = MonoBitmap();
    ++generation_;
    invalidate();
}

int TViewer::unpackInto(const std::string &file, int page, MonoBitmap &out)
{
    if (onBusy)
        onBusy(true);
    const int rc = core_.unpackPageToBitmap(file, page, out, true);
    lastFlags_ = core_.lastPageHeader().flags;
    if (onBusy)
        onBusy(false);
    if (rc == 0 && out.isNull())
        return fax::ecFaxBadFormat;
    return rc;
}

int TViewer::setFile(const std::string &name)
{
    if (name.empty()) {
        freeFile();
        return 0;
    }
    struct stat st{};
    if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return vwFileNotFound;
    {
        FILE *f = std::fopen(name.c_str(), "rb");
        if (!f)
            return vwFileNotFound;
        uint8_t sig[6] = {};
        const std::size_t n = std::fread(sig, 1, 6, f);
        std::fclose(f);
        if (n != 6 || !std::equal(sig, sig + 6, fax::kApfSignature.begin()))
            return vwNotApfFile;
    }
    // The new file is read completely before the shown one is let go: a
    // file that fails (a bad header, a page 1 that does not decode) leaves
    // the view, its file name and its page as they were.
    fax::ApfFileHeader header;
    if (int rc = core_.readFileHeader(name, header))
        return rc;
    if (header.pageCount == 0)
        return vwNotApfFile;
    std::vector<PageEntry> pages(header.pageCount);
    const int toUnpack = loadWhole_ ? int(pages.size()) : 1;
    for (int p = 1; p <= toUnpack; ++p) {
        PageEntry &e = pages[std::size_t(p - 1)];
        if (int rc = unpackInto(name, p, e.bitmap))
            return rc;
        e.width = e.bitmap.width;
        e.height = e.bitmap.height;
    }
    freeFile();
    pages_ = std::move(pages);
    fileName_ = name;
    curPage_ = 1;
    rotation_ = 0;
    hMult_ = hDiv_ = vMult_ = vDiv_ = 1;
    showPage();
    return 0;
}

void TViewer::showPage()
{
    if (!hasFile() || showing_)
        return;
    showing_ = true;
    PageEntry &e = pages_[std::size_t(curPage_ - 1)];
    if (!loadWhole_ && !e.held()) {
        freePages();
        if (int rc = unpackInto(fileName_, curPage_, e.bitmap)) {
            showing_ = false;
            if (onViewerError)
                onViewerError(rc);
            freeFile();
            return;
        }
        e.width = e.bitmap.width;
        e.height = e.bitmap.height;
        if (rotation_ != 0 && rotateBitmap(e.bitmap, rotation_) != 0) {
            showing_ = false;
            if (onViewerError)
                onViewerError(vwOutOfMemory);
            freeFile();
            return;
        }
        e.width = e.bitmap.width;
        e.height = e.bitmap.height;
    }
    hOff_ = vOff_ = 0;
    scaledW_ = int(uint64_t(e.width) * hMult_ / hDiv_);
    scaledH_ = int(uint64_t(e.height) * vMult_ / vDiv_);
    marked_ = false;
    dragging_ = false;
    ++generation_;
    setupRanges();
    showTopOfPage();
    invalidate();
    showing_ = false;
    if (onPageChange)
        onPageChange(curPage_);
}

void TViewer::showTopOfPage()
{
    // Where the top left corner of the page went: a quarter turn clockwise
    // puts it at the top right, a half turn at the bottom right, three
    // quarters at the bottom left.
    anchorRight_ = rotation_ == 1 || rotation_ == 2;
    anchorBottom_ = rotation_ == 2 || rotation_ == 3;
    hOff_ = anchorRight_ ? hRange_ : 0;
    vOff_ = anchorBottom_ ? vRange_ : 0;
}

void TViewer::setupRanges()
{
    vRange_ = scaledH_ > clientH_ ? scaledH_ - clientH_ : vOff_;
    hRange_ = scaledW_ > clientW_ ? scaledW_ - clientW_ : hOff_;
}

const TViewer::PageEntry *TViewer::page(int n) const
{
    if (n < 1 || n > numPages())
        return nullptr;
    return &pages_[std::size_t(n - 1)];
}

int TViewer::gotoPage(int page)
{
    if (page < 1 || page > numPages())
        return vwBadArgument;
    curPage_ = page;
    showPage();
    return 0;
}

void TViewer::firstPage()
{
    if (hasFile() && curPage_ != 1)
        gotoPage(1);
}

void TViewer::lastPage()
{
    if (hasFile() && curPage_ != numPages())
        gotoPage(numPages());
}

void TViewer::nextPage()
{
    if (hasFile() && curPage_ < numPages())
        gotoPage(curPage_ + 1);
}

void TViewer::prevPage()
{
    if (hasFile() && curPage_ > 1)
        gotoPage(curPage_ - 1);
}

MonoBitmap TViewer::getBitmap(int page)
{
    if (page < 1 || page > numPages())
        return {};
    const PageEntry &e = pages_[std::size_t(page - 1)];
    if (e.held())
        return e.bitmap;
    MonoBitmap bm;
    if (int rc = unpackInto(fileName_, page, bm)) {
        if (onViewerError)
            onViewerError(rc);
        return {};
    }
    return bm;
}

ViewRect TViewer::pageDim() const
{
    if (!hasFile())
        return {0, 0, 0, 0};
    const PageEntry &e = pages_[std::size_t(curPage_ - 1)];
    return {0, 0, e.width - 1, e.height - 1};
}

// ---- Scale, rotation, settings ---------------------------------------------

int TViewer::setScale(unsigned hm, unsigned hd, unsigned vm, unsigned vd)
{
    unsigned nhm = hm ? hm : hMult_, nhd = hd ? hd : hDiv_, nvm = vm ? vm : vMult_, nvd = vd ? vd : vDiv_;
    if (nhm == nhd)
        nhm = nhd = 1;
    if (nvm == nvd)
        nvm = nvd = 1;
    const bool changed = nhm != hMult_ || nhd != hDiv_ || nvm != vMult_ || nvd != vDiv_;
    hMult_ = nhm;
    hDiv_ = nhd;
    vMult_ = nvm;
    vDiv_ = nvd;
    if (changed && !updating_)
        showPage();
    return 0;
}

void TViewer::endUpdate()
{
    updating_ = false;
    showPage();
}

void TViewer::setScroll(int hStep, int vStep)
{
    if (hStep > 0)
        hStep_ = hStep;
    if (vStep > 0)
        vStep_ = vStep;
}

int TViewer::setWhitespace(unsigned from, unsigned to)
{
    return core_.setWhitespace(from, to);
}

void TViewer::setAutoScale(unsigned flags)
{
    unsigned f = core_.flags() & ~(fax::ufDoubleHeight | fax::ufHalfWidth);
    f |= flags & (fax::ufDoubleHeight | fax::ufHalfWidth);
    core_.setFlags(f);
}

unsigned TViewer::autoScale() const
{
    return core_.flags() & (fax::ufDoubleHeight | fax::ufHalfWidth);
}

int TViewer::rotateBitmap(MonoBitmap &bm, int turns)
{
    turns = ((turns % 4) + 4) % 4;
    if (turns == 2) {
        rotateHalf(bm);
        return 0;
    }
    if (turns == 0)
        return 0;
    MonoBitmap out;
    const int rc = turns == 1 ? rotateQuarterClockwise(bm, out) : rotateQuarterCounterClockwise(bm, out);
    if (rc)
        return rc;
    bm = std::move(out);
    return 0;
}

int TViewer::setRotation(int rotation)
{
    if (rotation < 0 || rotation > 3)
        return vwBadArgument;
    if (rotation == rotation_)
        return 0;
    const int turns = ((rotation - rotation_) % 4 + 4) % 4;
    for (int p = 1; p <= numPages(); ++p) {
        if (!loadWhole_ && p != curPage_)
            continue;
        PageEntry &e = pages_[std::size_t(p - 1)];
        if (!e.held())
            continue;
        if (int rc = rotateBitmap(e.bitmap, turns))
            return rc;
        e.width = e.bitmap.width;
        e.height = e.bitmap.height;
    }
    rotation_ = rotation;
    showPage();
    return 0;
}

int TViewer::setLoadWholeFax(bool on)
{
    if (on == loadWhole_)
        return 0;
    loadWhole_ = on;
    if (!hasFile())
        return 0;
    if (on) {
        for (int p = 1; p <= numPages(); ++p) {
            PageEntry &e = pages_[std::size_t(p - 1)];
            if (e.held())
                continue;
            if (int rc = unpackInto(fileName_, p, e.bitmap)) {
                freeFile();
                return rc;
            }
            if (rotation_ != 0 && rotateBitmap(e.bitmap, rotation_) != 0) {
                freeFile();
                return vwOutOfMemory;
            }
            e.width = e.bitmap.width;
            e.height = e.bitmap.height;
        }
    } else {
        for (int p = 1; p <= numPages(); ++p)
            if (p != curPage_)
                pages_[std::size_t(p - 1)].bitmap = MonoBitmap();
    }
    return 0;
}

const MonoBitmap &TViewer::displayedBitmap()
{
    if (displayedFor_ == generation_)
        return displayed_;
    displayedFor_ = generation_;
    displayed_ = MonoBitmap();
    if (!hasFile())
        return displayed_;
    const PageEntry &e = pages_[std::size_t(curPage_ - 1)];
    if (!e.held())
        return displayed_;
    if (hMult_ == 1 && hDiv_ == 1 && vMult_ == 1 && vDiv_ == 1) {
        displayed_ = e.bitmap;
        return displayed_;
    }
    fax::UnpackerCore scaler;
    scaler.setScaling(hMult_, hDiv_, vMult_, vDiv_);
    if (scaler.scaleBitmap(e.bitmap, displayed_, false) != 0)
        displayed_ = MonoBitmap();
    return displayed_;
}

// ---- Scrolling ---------------------------------------------------------------

void TViewer::setClientSize(int width, int height)
{
    clientW_ = std::max(0, width);
    clientH_ = std::max(0, height);
    setupRanges();
    // A turned page stays at its text while the window changes (scroll bars
    // coming and going), until the user scrolls.
    hOff_ = anchorRight_ ? hRange_ : std::min(hOff_, hRange_);
    vOff_ = anchorBottom_ ? vRange_ : std::min(vOff_, vRange_);
}

void TViewer::scrollBy(int dx, int dy, int *movedX, int *movedY)
{
    if (dx)
        anchorRight_ = false;
    if (dy)
        anchorBottom_ = false;
    const int nh = std::clamp(hOff_ + dx, 0, std::max(0, hRange_));
    const int nv = std::clamp(vOff_ + dy, 0, std::max(0, vRange_));
    if (movedX)
        *movedX = nh - hOff_;
    if (movedY)
        *movedY = nv - vOff_;
    hOff_ = nh;
    vOff_ = nv;
}

void TViewer::scrollTo(int h, int v)
{
    scrollBy(h - hOff_, v - vOff_);
}

bool TViewer::keyDown(ViewKey key, bool control)
{
    if (dragging_)
        return true;
    const int jumpV = vStep_ * 10, jumpH = hStep_ * 10;
    switch (key) {
    case ViewKey::PageUp:
        if (control)
            scrollTo(hOff_, 0);
        else if (!showing_)
            prevPage();
        return true;
    case ViewKey::PageDown:
        if (control)
            scrollTo(hOff_, scaledH_ > clientH_ ? vRange_ : 0);
        else if (!showing_)
            nextPage();
        return true;
    case ViewKey::Home:
        if (control) {
            if (!showing_)
                firstPage();
        } else {
            scrollTo(0, vOff_);
        }
        return true;
    case ViewKey::End:
        if (control) {
            if (!showing_)
                lastPage();
        } else {
            scrollTo(scaledW_ > clientW_ ? hRange_ : 0, vOff_);
        }
        return true;
    case ViewKey::Left:
        scrollBy(-(control ? jumpH : hStep_), 0);
        return true;
    case ViewKey::Right:
        scrollBy(control ? jumpH : hStep_, 0);
        return true;
    case ViewKey::Up:
        scrollBy(0, -(control ? jumpV : vStep_));
        return true;
    case ViewKey::Down:
        scrollBy(0, control ? jumpV : vStep_);
        return true;
    }
    return false;
}

// ---- Marking and copying -----------------------------------------------------

int TViewer::selectAll()
{
    if (!hasFile())
        return vwNoImageLoaded;
    marked_ = true;
    mark_ = {0, 0, scaledW_ - 1, scaledH_ - 1};
    invalidate();
    return 0;
}

int TViewer::select(ViewRect r)
{
    if (!hasFile())
        return vwNoImageLoaded;
    if (r.left > r.right)
        std::swap(r.left, r.right);
    if (r.top > r.bottom)
        std::swap(r.top, r.bottom);
    r.left = std::clamp(r.left, 0, scaledW_ - 1);
    r.right = std::clamp(r.right, 0, scaledW_ - 1);
    r.top = std::clamp(r.top, 0, scaledH_ - 1);
    r.bottom = std::clamp(r.bottom, 0, scaledH_ - 1);
    marked_ = true;
    mark_ = r;
    invalidate();
    return 0;
}

void TViewer::clearMark()
{
    if (marked_) {
        marked_ = false;
        invalidate();
    }
}

bool TViewer::mouseDown(int x, int y)
{
    if (!hasFile() || dragging_)
        return false;
    clearMark();
    const int px = std::clamp(x + hOff_, 0, std::max(0, scaledW_ - 1));
    const int py = std::clamp(y + vOff_, 0, std::max(0, scaledH_ - 1));
    mark_ = {px, py, px, py};
    marked_ = true;
    corner_ = 1;
    dragging_ = true;
    return true;
}

void TViewer::moveCorner(int px, int py)
{
    switch (corner_) {
    case 1: mark_.right = px; mark_.bottom = py; break;
    case 2: mark_.left = px; mark_.bottom = py; break;
    case 3: mark_.left = px; mark_.top = py; break;
    default: mark_.right = px; mark_.top = py; break;
    }
    // Normalise and reassign the corner that follows the pointer.
    bool right = corner_ == 1 || corner_ == 4;
    bool bottom = corner_ == 1 || corner_ == 2;
    if (mark_.left > mark_.right) {
        std::swap(mark_.left, mark_.right);
        right = !right;
    }
    if (mark_.top > mark_.bottom) {
        std::swap(mark_.top, mark_.bottom);
        bottom = !bottom;
    }
    corner_ = right ? (bottom ? 1 : 4) : (bottom ? 2 : 3);
    mark_.left = std::clamp(mark_.left, 0, scaledW_ - 1);
    mark_.right = std::clamp(mark_.right, 0, scaledW_ - 1);
    mark_.top = std::clamp(mark_.top, 0, scaledH_ - 1);
    mark_.bottom = std::clamp(mark_.bottom, 0, scaledH_ - 1);
}

bool TViewer::mouseMove(int x, int y, ViewRect *repaint)
{
    if (!dragging_)
        return false;
    if (x < 0 || y < 0 || x >= clientW_ || y >= clientH_)
        return false;  // outside: the drag timer takes over
    const ViewRect old = mark_;
    moveCorner(x + hOff_, y + vOff_);
    if (repaint)
        *repaint = {std::min(old.left, mark_.left), std::min(old.top, mark_.top),
                    std::max(old.right, mark_.right), std::max(old.bottom, mark_.bottom)};
    return true;
}

void TViewer::mouseUp()
{
    if (!dragging_)
        return;
    dragging_ = false;
    if (marked_ && mark_.left == mark_.right && mark_.top == mark_.bottom)
        clearMark();
}

void TViewer::autoScrollTick(int x, int y)
{
    if (!dragging_)
        return;
    auto amount = [](int pos, int extent, int step) {
        if (pos < 0)
            return -(pos < -20 ? 2 * step : step);
        if (pos >= extent)
            return pos - extent >= 20 ? 2 * step : step;
        return 0;
    };
    scrollBy(amount(x, clientW_, hStep_), amount(y, clientH_, vStep_));
    const int cx = std::clamp(x, 0, std::max(0, clientW_ - 1));
    const int cy = std::clamp(y, 0, std::max(0, clientH_ - 1));
    moveCorner(cx + hOff_, cy + vOff_);
    invalidate();
}

int TViewer::copy(MonoBitmap &out)
{
    out = MonoBitmap();
    if (!hasFile())
        return vwNoImageLoaded;
    if (!marked_)
        return vwNoBlockMarked;
    const MonoBitmap &src = displayedBitmap();
    if (src.isNull())
        return vwNoImageLoaded;
    const ViewRect r = mark_;
    try {
        out = MonoBitmap(r.width(), r.height());
    } catch (const std::bad_alloc &) {
        return vwOutOfMemory;
    }
    std::fill(out.bits.begin(), out.bits.end(), uint8_t(0xFF));
    for (int y = 0; y < r.height(); ++y) {
        const int sy = r.top + y;
        if (sy >= src.height)
            break;
        for (int x = 0; x < r.width(); ++x) {
            const int sx = r.left + x;
            if (sx < src.width)
                out.setPixel(x, y, src.pixel(sx, sy));
        }
    }
    return 0;
}

int TViewer::dropFiles(const std::vector<std::string> &names)
{
    if (names.empty())
        return 0;
    return setFile(names.front());
}

}  // namespace qln::viewer
