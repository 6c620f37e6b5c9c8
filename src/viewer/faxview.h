// TViewer: the state and decisions of the fax viewer control, kept apart from
// the widget so that it runs without a screen.
//
// It holds a page table for the open APF file (one bitmap per page, in the
// inverted polarity of the unpacker: 1 = white), the display scale, the
// rotation in quarter turns, the scroll offsets and ranges, the marked
// rectangle and the mouse drag that makes it. The widget (TApdFaxViewer)
// forwards its client size, keys, mouse and scroll-bar input here and paints
// what displayedBitmap() holds; the rotated and scaled page is made once per
// page (or per scale change) and kept, never per paint.
//
// By default only the current page's bitmap is held; with load whole fax
// every page is unpacked on open and kept. A page is shown scrolled to where
// its own top left corner lies, so a rotated page starts at the beginning of
// its text rather than at a blank corner.
//
// Notifications: onPageChange after a page is shown, onViewerError for an
// error found while showing a page (it cannot be returned), onRepaint when
// the whole window must be painted again, onBusy around unpacking.
//
// User-interface thread only.
#pragma once

#include "faximage/monobitmap.h"
#include "faximage/unpackercore.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qln::viewer {

// Result codes of the view operations.
inline constexpr int vwFileNotFound = -2;
inline constexpr int vwNotApfFile = -8001;
inline constexpr int vwNoImageLoaded = -8050;
inline constexpr int vwNoBlockMarked = -8051;
inline constexpr int vwBadArgument = -1002;
inline constexpr int vwOutOfMemory = -8;

// The text of a viewer code ("No image loaded into viewer", ...); the
// unpacker's texts for its own codes.
std::string viewerErrorText(int code);

// Left, top, right, bottom, all inclusive.
struct ViewRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    bool operator==(const ViewRect &) const = default;
};

enum class ViewKey { PageUp, PageDown, Home, End, Left, Right, Up, Down };

// Rotation of a whole page bitmap in inverted polarity (1 = white); rows are
// whole 16-bit words. One quarter turn clockwise maps (x, y) of a W x H page
// to (H - 1 - y, x) of an H x W' page, W' being the source row length in
// bits; counter-clockwise maps it to (y, W' - 1 - x). Columns from W rounded
// down to a multiple of 8 on are left white. A half turn reverses the rows
// and the bits of each row, pad bits set white first. Returns 0 or
// vwOutOfMemory.
int rotateQuarterClockwise(const fax::MonoBitmap &src, fax::MonoBitmap &out);
int rotateQuarterCounterClockwise(const fax::MonoBitmap &src, fax::MonoBitmap &out);
void rotateHalf(fax::MonoBitmap &bm);

class TViewer {
public:
    struct PageEntry {
        int width = 0;
        int height = 0;
        fax::MonoBitmap bitmap;  // null until unpacked
        bool held() const { return !bitmap.isNull(); }
    };

    TViewer();

    std::function<void(int page)> onPageChange;
    std::function<void(int code)> onViewerError;
    std::function<void()> onRepaint;
    std::function<void(bool busy)> onBusy;

    // Opening: "" closes the file (0); -2 when it does not exist, -8001 when
    // it is not an APF file, else the unpacker's codes. Page 1 is shown at
    // rotation 0 and scale 1/1/1/1. A file that cannot be opened leaves the
    // shown file as it was.
    int setFile(const std::string &name);
    const std::string &fileName() const { return fileName_; }
    bool hasFile() const { return !pages_.empty(); }

    // Scale factors; 0 for a factor is ignored, equal pairs are kept as 1/1.
    // The page is shown again when a factor changed outside an update.
    int setScale(unsigned hMult, unsigned hDiv, unsigned vMult, unsigned vDiv);
    unsigned hMult() const { return hMult_; }
    unsigned hDiv() const { return hDiv_; }
    unsigned vMult() const { return vMult_; }
    unsigned vDiv() const { return vDiv_; }
    // Step sizes; 0 leaves a step as it is.
    void setScroll(int hStep, int vStep);
    int hStep() const { return hStep_; }
    int vStep() const { return vStep_; }
    int setWhitespace(unsigned from, unsigned to);
    // 0, fax::ufDoubleHeight or fax::ufHalfWidth.
    void setAutoScale(unsigned flags);
    unsigned autoScale() const;

    void startUpdate() { updating_ = true; }
    void endUpdate();
    bool updating() const { return updating_; }

    int numPages() const { return int(pages_.size()); }
    int curPage() const { return hasFile() ? curPage_ : 0; }
    // -1002 for 0 or a page beyond the count.
    int gotoPage(int page);
    // The control's navigation: nothing without a file, at the first page
    // (previous) or at the last (next).
    void firstPage();
    void lastPage();
    void nextPage();
    void prevPage();

    // 0..3 quarter turns clockwise; 0 or -8. Rotating to the current
    // rotation does nothing.
    int setRotation(int rotation);
    int rotation() const { return rotation_; }

    int setLoadWholeFax(bool on);
    bool loadWholeFax() const { return loadWhole_; }

    // (0, 0, width - 1, height - 1) of the current page; zeros without a file.
    ViewRect pageDim() const;
    // Page flags of the page last unpacked.
    uint16_t pageFlags() const { return lastFlags_; }
    // A page's bitmap (not rotated when unpacked here for the caller), with
    // its size; null for a page beyond the count or on an unpack error,
    // which is also reported through onViewerError.
    fax::MonoBitmap getBitmap(int page);
    const PageEntry *page(int n) const;

    // The current page as shown: rotated and scaled, made once per change.
    const fax::MonoBitmap &displayedBitmap();
    // Changes whenever displayedBitmap() would give a different picture.
    uint64_t displayGeneration() const { return generation_; }
    int scaledWidth() const { return scaledW_; }
    int scaledHeight() const { return scaledH_; }

    // Scrolling.
    void setClientSize(int width, int height);
    int clientWidth() const { return clientW_; }
    int clientHeight() const { return clientH_; }
    int hOffset() const { return hOff_; }
    int vOffset() const { return vOff_; }
    int hRange() const { return hRange_; }
    int vRange() const { return vRange_; }
    // Moves by up to (dx, dy) within 0..range; returns the distance moved.
    void scrollBy(int dx, int dy, int *movedX = nullptr, int *movedY = nullptr);
    void scrollTo(int h, int v);
    // The keyboard; false for a key the view does not handle.
    bool keyDown(ViewKey key, bool control);

    // Marking.
    bool marked() const { return marked_; }
    ViewRect markRect() const { return mark_; }
    int selectAll();
    int select(ViewRect r);
    void clearMark();
    // Mouse in client coordinates. Each returns the displayed-page area to
    // repaint (none when the result is false).
    bool mouseDown(int x, int y);
    bool mouseMove(int x, int y, ViewRect *repaint);
    void mouseUp();
    bool dragging() const { return dragging_; }
    // One tick of the drag timer with the pointer at (x, y) outside the
    // client area: scrolls towards it by a step (two beyond 20 pixels) and
    // moves the dragged corner to the nearest edge point.
    void autoScrollTick(int x, int y);
    // The marked part as displayed (1 = white): 0, -8050 or -8051.
    int copy(fax::MonoBitmap &out);

    // Dropped files: opens the first (0 when none is given).
    int dropFiles(const std::vector<std::string> &names);

private:
    void freePages();
    void freeFile();
    int unpackInto(const std::string &file, int page, fax::MonoBitmap &out);
    int rotateBitmap(fax::MonoBitmap &bm, int turns);
    void showPage();
    void setupRanges();
    // Scrolls to where the page's own top left corner is after the rotation.
    void showTopOfPage();
    void invalidate();
    void moveCorner(int px, int py);

    fax::UnpackerCore core_;
    std::vector<PageEntry> pages_;
    std::string fileName_;
    bool loadWhole_ = false;
    int curPage_ = 0;
    int rotation_ = 0;
    unsigned hMult_ = 1, hDiv_ = 1, vMult_ = 1, vDiv_ = 1;
    int hStep_ = 8, vStep_ = 8;
    int scaledW_ = 0, scaledH_ = 0;
    int clientW_ = 0, clientH_ = 0;
    int hOff_ = 0, vOff_ = 0, hRange_ = 0, vRange_ = 0;
    // The offset follows the end of its range (a turned page's text start).
    bool anchorRight_ = false, anchorBottom_ = false;
    bool updating_ = false;
    bool showing_ = false;
    uint16_t lastFlags_ = 0;

    bool marked_ = false;
    ViewRect mark_;
    bool dragging_ = false;
    int corner_ = 1;  // 1 right-bottom, 2 left-bottom, 3 left-top, 4 right-top

    fax::MonoBitmap displayed_;
    uint64_t generation_ = 1;
    uint64_t displayedFor_ = 0;
};

}  // namespace qln::viewer
