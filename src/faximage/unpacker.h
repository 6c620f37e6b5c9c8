// TApdFaxUnpacker: the component that unpacks pages of an APF file into page
// bitmaps or PCX / DCX files, and reads a file's page count, resolution and
// width.
//
// Each operation builds a fresh UnpackerCore from the properties (yield,
// aspect mode, blank-line compression, scaling), installs its own line
// collector for the duration (so OnOutputLine is not raised by them) and
// raises EFaxUnpackerError for a negative result. UnpackPage() is the one
// operation that delivers lines through OnOutputLine.
//
// User-interface thread only. With uoYield, pending events are handled while
// decoding; a handler may set uoAbort to end the page early.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "faximage/monobitmap.h"
#include "faximage/unpackercore.h"

namespace qln::fax {

enum TUnpackerOption : unsigned { uoYield = 1, uoAbort = 2 };
using TUnpackerOptions = unsigned;
enum TAutoScaleMode { asNone, asDoubleHeight, asHalfWidth };
enum TUnpackResolution { frNormalRes, frHighRes };
enum TUnpackWidth { fwNormalWidth, fwWideWidth };

// Raised by TApdFaxUnpacker for a negative result; code() is negative.
class EFaxUnpackerError : public std::runtime_error {
public:
    explicit EFaxUnpackerError(int code);
    int code() const { return code_; }

private:
    int code_;
};

class TApdCustomFaxUnpacker {
public:
    using TUnpackOutputLineEvent = std::function<void(TApdCustomFaxUnpacker *sender, bool starting, bool ending,
                                                      const uint8_t *data, int len, int pageNum)>;
    using TUnpackStatusEvent = std::function<void(TApdCustomFaxUnpacker *sender, const std::string &fname,
                                                  int pageNum, uint64_t bytesUnpacked, uint64_t bytesToUnpack)>;

    TApdCustomFaxUnpacker();
    virtual ~TApdCustomFaxUnpacker();

    // Properties.
    TUnpackerOptions Options() const { return options_; }
    void setOptions(TUnpackerOptions o);
    bool WhitespaceCompression = false;
    unsigned WhitespaceFrom = 0;
    unsigned WhitespaceTo = 0;
    bool Scaling = false;
    unsigned HorizMult() const { return hMult_; }
    unsigned HorizDiv() const { return hDiv_; }
    unsigned VertMult() const { return vMult_; }
    unsigned VertDiv() const { return vDiv_; }
    void setHorizMult(unsigned v) { if (v) hMult_ = v; }
    void setHorizDiv(unsigned v) { if (v) hDiv_ = v; }
    void setVertMult(unsigned v) { if (v) vMult_ = v; }
    void setVertDiv(unsigned v) { if (v) vDiv_ = v; }
    TAutoScaleMode AutoScaleMode = asDoubleHeight;
    const std::string &InFileName() const { return inFile_; }
    // A name that differs (ignoring case) also sets OutFileName to the name
    // without its extension.
    void setInFileName(const std::string &name);
    std::string OutFileName;
    TUnpackOutputLineEvent OnOutputLine;
    TUnpackStatusEvent OnStatus;
    // Handles one pending event while decoding; returns true on quit. The
    // default processes pending Qt events when an application exists.
    UnpackerCore::YieldHook YieldHook;

    // Operations; each raises EFaxUnpackerError on failure.
    int ReadPageCount();
    TUnpackResolution ReadFaxResolution();
    TUnpackWidth ReadFaxWidth();
    // Page `page` as a bitmap in inverted polarity (1 = white); null when
    // the page holds no valid line.
    MonoBitmap ExtractPageBitmap(int page);
    // Page `page` as a PCX or single-page DCX file; a page holding no valid
    // line gives -8001 and writes nothing.
    void ExtractPagePcx(int page);
    void ExtractPageDcx(int page);
    // Delivers page `page` through OnOutputLine.
    void UnpackPage(int page);

    // The core of the last (or running) operation, for tests and status.
    const UnpackerCore *core() const { return core_.get(); }

private:
    int prepareCore();
    int pageRowsForFile(int page, PageRows &rows, int &widthPixels);
    void check(int rc);

    TUnpackerOptions options_ = uoYield;
    unsigned hMult_ = 1, hDiv_ = 1, vMult_ = 1, vDiv_ = 1;
    std::string inFile_;
    std::unique_ptr<UnpackerCore> core_;
};

class TApdFaxUnpacker : public TApdCustomFaxUnpacker {
public:
    using TApdCustomFaxUnpacker::TApdCustomFaxUnpacker;
};

} // namespace qln::fax
