// ConverterCore: one conversion of a document into an APF file.
//
// The core is the converter's record: resolution, page width, margins, the
// options, the placement an image reader decided (double width, half height,
// centre offset), the page and line counters and the progress counters. It
// owns the input reader (text, image or user lines, see FaxInputReader) and
// drives the page loop: per page the top-margin blank lines, then every line
// the reader delivers up to its end-of-page signal, each coded with the left
// margin (RasterLineCoder) and written as a framed line, then the
// end-of-page line. Status reports "start", "line" (after every read) and
// "end" go to the status window (ConverterStatusEvent) when one is set, else
// to the status callback; a non-zero answer aborts with -8003. With
// coYield one pending event is handled after every page (and with
// coYieldOften every 16 lines) through the yield handler; a quit seen there
// ends with -1003. On any failure the partial output file is deleted.
//
// User-interface thread only (it may run the event loop while yielding).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QObject;

namespace qln::fax {

// Conversion options: bit values of the core flags.
enum ConverterOption : unsigned {
    coDoubleWidth = 1, // allow pixel doubling of images that fit doubled
    coHalfHeight = 2,  // drop every other line of images not doubled
    coCenterImage = 4, // centre images horizontally
    coYield = 8,       // handle one pending event after every page
    coYieldOften = 16, // also every 16 input lines
};
inline constexpr unsigned kDefaultConverterFlags = coDoubleWidth | coCenterImage | coYield; // 13

// Status kinds, numbered as the status message's WP.
enum class ConverterStatus { Line = 0, Start = 1, End = 2 };

// Size of the raster buffer handed to readers (and of the coding buffer).
inline constexpr int kRasterBufferSize = 4096;

class ConverterCore;

// Source of raster lines for one conversion. Raster lines hold the pixels
// that follow the left margin, 1 = black, most significant bit first.
class FaxInputReader {
public:
    virtual ~FaxInputReader() = default;
    // Extension added to an input name without one ("TXT", "BMP", ...).
    virtual std::string defaultExtension() const = 0;
    // Opens the input; may set the core's placement and progress counters.
    virtual int open(ConverterCore &core, const std::string &fileName) = 0;
    // Called before each page is started; a reader whose pages carry their
    // own resolution sets core.fine here. 0 or a negative code.
    virtual int beginPage(ConverterCore &) { return 0; }
    // Delivers the next line into `raster` (kRasterBufferSize bytes, zeroed
    // by the caller). With endOfPage set the line is not coded; morePages
    // then says whether another page follows.
    virtual int readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages) = 0;
    virtual void close() = 0;
};

// How an image input is placed on the page (see ConverterCore::placeImage).
enum class PlacementRule {
    Image,  // TIFF, PCX, DCX
    Bitmap, // BMP files and bitmaps
};

class ConverterCore {
public:
    using StatusCallback = std::function<bool(ConverterCore &, ConverterStatus)>;
    using YieldHandler = std::function<bool()>;

    explicit ConverterCore(std::unique_ptr<FaxInputReader> reader);
    ~ConverterCore();

    // The record. Set these before convertToFile().
    bool fine = false;
    bool doubleWidth = false; // decided by image readers at open
    bool halfHeight = false;  // decided by image readers at open
    unsigned flags = kDefaultConverterFlags;
    int pageWidth = 1728;
    int leftMargin = 50;
    int topMargin = 0;
    int centreOffset = 0; // bytes image rows move right
    std::string stationId;

    // Counters, kept during a conversion.
    int currentPage = 0;
    int currentLine = 0;
    int64_t bytesConverted = 0;
    int64_t bytesToConvert = 0;

    // Progress target; returning true aborts (-8003). May be empty.
    StatusCallback statusCallback;
    // When set, status reports go to this object as ConverterStatusEvent
    // instead of the callback.
    QObject *statusWindow = nullptr;
    // Handles one pending event; returns false when the application is
    // quitting. Empty: yielding does nothing.
    YieldHandler yieldHandler;

    FaxInputReader *reader() const { return reader_.get(); }

    // Decides double width, half height and the centre offset for an image
    // of `imageWidth` pixels, from the flags, resolution, page width and left
    // margin.
    void placeImage(int imageWidth, PlacementRule rule);

    // Converts `inName` (default extension added when it has none) into
    // `outName` (".APF" added when it has no extension; empty: the input name
    // with extension "APF"). Returns 0 or a negative code; on failure no
    // output file is left.
    int convertToFile(const std::string &inName, const std::string &outName);

    // Reports a status; true means abort.
    bool reportStatus(ConverterStatus kind);

    // Name helpers: `name` with `ext` added when its last component has no
    // extension; `name` with its extension replaced by `ext`.
    static std::string withDefaultExtension(const std::string &name, const std::string &ext);
    static std::string withExtension(const std::string &name, const std::string &ext);

private:
    int runPages();

    std::unique_ptr<FaxInputReader> reader_;
    class Output;
    std::unique_ptr<Output> out_;
};

} // namespace qln::fax
