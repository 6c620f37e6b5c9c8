#include "faximage/pageimport.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include <tiffio.h>

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include "faximage/apf.h"
#include "faximage/apferrors.h"
#include "faximage/converter.h"
#include "faximage/convertererror.h"
#include "faximage/dither.h"
#include "faximage/faxdocumentfile.h"
#include "faximage/tiffreader.h"

namespace qln::fax {

namespace {

constexpr int kMaxSourceWidth = 32767;
constexpr int kMaxSourceHeight = 65535;
// At four bytes a pixel while decoding: 256 MB at most.
constexpr int64_t kMaxSourcePixels = int64_t(64) << 20;
constexpr double kFaxDpiX = 204.0;
constexpr double kFineDpi = 196.0;
constexpr double kNormalDpi = 98.0;
// Pixels darker than this always print, lighter than kWhiteFrom never; the
// grey between is dithered, so text stays crisp and pictures keep shades.
constexpr int kBlackBelow = 48;
constexpr int kWhiteFrom = 208;

// Damage in a document is reported through the result, not printed.
void pdfQuiet()
{
    static const bool quiet = [] {
        poppler::set_debug_error_function([](const std::string &, void *) {}, nullptr);
        return true;
    }();
    (void)quiet;
}

int missingFileCode(const std::string &fileName)
{
    struct stat st {};
    if (fileName.empty() || ::stat(fileName.c_str(), &st) != 0)
        return ecFileNotFound;
    return ecOK;
}

} // namespace

MonoBitmap faxPageFromSource(const SourcePage &src, int pageWidth, bool defaultFine, bool &fine)
{
    fine = defaultFine;
    if ((src.image.isNull() && src.mono.isNull()) || pageWidth <= 0)
        return MonoBitmap();
    const int w = src.image.isNull() ? src.mono.width : src.image.width();
    const int h = src.image.isNull() ? src.mono.height : src.image.height();
    if (src.fine >= 0)
        fine = src.fine == 1;
    else if (src.yDpi > 0)
        fine = src.yDpi >= 150.0;
    // Physical proportions: the source pixel's height over its width, then
    // the fax line pitch over the fax pixel pitch.
    const double pixelAspect = (src.xDpi > 0 && src.yDpi > 0) ? src.xDpi / src.yDpi : 1.0;
    const double lineScale = double(pageWidth) / w * pixelAspect * ((fine ? kFineDpi : kNormalDpi) / kFaxDpiX);
    const int lines = std::clamp(int(std::lround(h * lineScale)), 1, kApfMaxPageLines);

    if (src.image.isNull() && w == pageWidth && lines == h)
        return src.mono; // a fax page at its own width and resolution
    QImage gray = (src.image.isNull() ? src.mono.toQImage(true) : src.image).convertToFormat(QImage::Format_Grayscale8);
    if (std::abs(w - pageWidth) <= 2 && std::abs(h - lines) <= 2) {
        // Off by a pixel or two (a renderer's rounding): cut or pad with
        // white rather than resample, which would blur every edge.
        QImage fit(pageWidth, lines, QImage::Format_Grayscale8);
        fit.fill(255);
        const int cols = std::min(w, pageWidth);
        for (int y = 0; y < std::min(h, lines) && !fit.isNull(); ++y)
            std::memcpy(fit.scanLine(y), gray.constScanLine(y), std::size_t(cols));
        gray = fit;
    } else if (gray.width() != pageWidth || gray.height() != lines) {
        gray = gray.scaled(pageWidth, lines, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    if (gray.isNull())
        return MonoBitmap();
    MonoBitmap bm(pageWidth, lines);
    for (int y = 0; y < lines; ++y) {
        const uchar *in = gray.constScanLine(y);
        uint8_t *out = bm.row(y);
        for (int x = 0; x < pageWidth; ++x) {
            const int g = in[x];
            // The grey band spread over the dither thresholds (0..310).
            const bool black = g < kBlackBelow ||
                               (g < kWhiteFrom && (g - kBlackBelow) * 2 < ditherThreshold(x, y) + 5);
            if (black)
                out[x >> 3] |= uint8_t(0x80 >> (x & 7));
        }
    }
    return bm;
}

// ---- WholePageReader ----

int WholePageReader::open(ConverterCore &core, const std::string &fileName)
{
    pages_ = next_ = row_ = 0;
    page_ = MonoBitmap();
    defaultFine_ = core.fine;
    if (int rc = openSource(fileName, pages_); rc < 0)
        return rc;
    if (pages_ < 1) {
        closeSource();
        return ecUnsupportedFormat;
    }
    // Whole pages: no margin, no doubling, no centring.
    core.leftMargin = 0;
    core.doubleWidth = core.halfHeight = false;
    core.centreOffset = 0;
    core.bytesToConvert = pages_;
    return ecOK;
}

int WholePageReader::beginPage(ConverterCore &core)
{
    if (next_ >= pages_)
        return ecBadArgument;
    SourcePage src;
    if (int rc = loadPage(next_, defaultFine_, src); rc < 0)
        return rc;
    bool fine = defaultFine_;
    page_ = faxPageFromSource(src, core.pageWidth, defaultFine_, fine);
    if (page_.isNull())
        return ecOutOfMemory;
    core.fine = fine;
    ++next_;
    row_ = 0;
    return ecOK;
}

int WholePageReader::readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages)
{
    if (row_ >= page_.height) {
        endOfPage = true;
        morePages = next_ < pages_;
        core.bytesConverted = next_;
        return ecOK;
    }
    std::memcpy(raster, page_.row(row_), std::size_t(std::min(page_.bytesPerLine, kRasterBufferSize)));
    ++row_;
    return ecOK;
}

void WholePageReader::close()
{
    closeSource();
    page_ = MonoBitmap();
}

// ---- LibTiffReader ----

namespace {

int quietHandler(TIFF *, void *, const char *, const char *, va_list)
{
    return 1; // handled: libtiff prints nothing
}

TIFF *openTiff(const std::string &fileName)
{
    TIFFOpenOptions *opts = TIFFOpenOptionsAlloc();
    if (!opts)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(opts, quietHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, quietHandler, nullptr);
    // No single allocation beyond what the largest page needs.
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, tmsize_t(kMaxSourceWidth) * kMaxSourceHeight / 2);
    TIFF *tif = TIFFOpenExt(fileName.c_str(), "r", opts);
    TIFFOpenOptionsFree(opts);
    return tif;
}

void readResolution(TIFF *tif, SourcePage &page)
{
    float xr = 0, yr = 0;
    uint16_t unit = RESUNIT_INCH;
    const bool haveX = TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xr) == 1;
    const bool haveY = TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yr) == 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    const double perInch = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
    if (haveX && haveY && xr > 0 && yr > 0 && unit != RESUNIT_NONE) {
        page.xDpi = xr * perInch;
        page.yDpi = yr * perInch;
    } else if (haveX && haveY && xr > 0 && yr > 0) {
        // Only the aspect is known.
        page.xDpi = kFaxDpiX;
        page.yDpi = kFaxDpiX * yr / xr;
    }
}

} // namespace

LibTiffReader::~LibTiffReader()
{
    closeSource();
}

int LibTiffReader::imageCount(const std::string &fileName)
{
    TIFF *tif = openTiff(fileName);
    if (!tif)
        return 0;
    const int n = int(TIFFNumberOfDirectories(tif));
    TIFFClose(tif);
    return n;
}

int LibTiffReader::openSource(const std::string &fileName, int &pages)
{
    closeSource();
    if (int rc = missingFileCode(fileName); rc < 0)
        return rc;
    TIFF *tif = openTiff(fileName);
    if (!tif)
        return ecUnsupportedFormat;
    tif_ = tif;
    pages = int(TIFFNumberOfDirectories(tif));
    return ecOK;
}

int LibTiffReader::loadPage(int index, bool, SourcePage &page)
{
    TIFF *tif = static_cast<TIFF *>(tif_);
    if (!tif)
        return ecUnsupportedFormat;
    // Pages are read in order: the next directory follows from the current
    // one, where setting it by number would walk from the first each time.
    const bool next = index > 0 && int(TIFFCurrentDirectory(tif)) == index - 1;
    if (!(next ? TIFFReadDirectory(tif) : TIFFSetDirectory(tif, tdir_t(index))))
        return ecUnsupportedFormat;
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    if (w == 0 || h == 0 || w > uint32_t(kMaxSourceWidth) || h > uint32_t(kMaxSourceHeight) ||
        int64_t(w) * h > kMaxSourcePixels)
        return ecUnsupportedFormat;
    readResolution(tif, page);
    uint16_t bits = 1, samples = 1, photometric = PHOTOMETRIC_MINISWHITE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    if (bits == 1 && samples == 1 &&
        (photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK) && !TIFFIsTiled(tif)) {
        // Bilevel pages (fax files) are read as rows, without the RGBA
        // detour; libtiff undoes the fill order.
        MonoBitmap bm(static_cast<int>(w), static_cast<int>(h));
        const tmsize_t rowBytes = TIFFScanlineSize(tif);
        std::vector<uint8_t> row(std::size_t(rowBytes > 0 ? rowBytes : 0));
        if (rowBytes < (int64_t(w) + 7) / 8)
            return ecUnsupportedFormat;
        const int n = (int(w) + 7) / 8;
        for (uint32_t y = 0; y < h; ++y) {
            if (TIFFReadScanline(tif, row.data(), y) != 1)
                return ecUnsupportedFormat;
            uint8_t *out = bm.row(int(y));
            for (int i = 0; i < n; ++i)
                out[i] = photometric == PHOTOMETRIC_MINISWHITE ? row[std::size_t(i)] : uint8_t(~row[std::size_t(i)]);
            if (w % 8) // padding bits never print
                out[n - 1] &= uint8_t(0xFF << (8 - w % 8));
        }
        page.mono = std::move(bm);
        return ecOK;
    }
    // libtiff's RGBA interface reads every compression, photometric and bit
    // depth it supports; rows come out top-down as ABGR words.
    QImage rgba(int(w), int(h), QImage::Format_RGBA8888);
    if (rgba.isNull())
        return ecOutOfMemory;
    if (!TIFFReadRGBAImageOriented(tif, w, h, reinterpret_cast<uint32_t *>(rgba.bits()), ORIENTATION_TOPLEFT, 0))
        return ecUnsupportedFormat;
    // Transparent pixels are on white paper.
    page.image = QImage(rgba.size(), QImage::Format_RGB32);
    page.image.fill(Qt::white);
    for (int y = 0; y < int(h); ++y) {
        const uint8_t *in = rgba.constScanLine(y);
        QRgb *out = reinterpret_cast<QRgb *>(page.image.scanLine(y));
        for (int x = 0; x < int(w); ++x) {
            const uint8_t *p = in + 4 * x;
            const int a = p[3];
            auto over = [a](int c) { return (c * a + 255 * (255 - a)) / 255; };
            out[x] = qRgb(over(p[0]), over(p[1]), over(p[2]));
        }
    }
    return ecOK;
}

void LibTiffReader::closeSource()
{
    if (tif_)
        TIFFClose(static_cast<TIFF *>(tif_));
    tif_ = nullptr;
}

// ---- PdfReader ----

struct PdfReader::Doc {
    std::unique_ptr<poppler::document> doc;
};

PdfReader::PdfReader() = default;

PdfReader::~PdfReader() = default;

int PdfReader::openSource(const std::string &fileName, int &pages)
{
    closeSource();
    if (int rc = missingFileCode(fileName); rc < 0)
        return rc;
    pdfQuiet();
    auto d = std::make_unique<Doc>();
    d->doc.reset(poppler::document::load_from_file(fileName));
    if (!d->doc || d->doc->is_locked())
        return ecUnsupportedFormat;
    pages = d->doc->pages();
    doc_ = std::move(d);
    return ecOK;
}

int PdfReader::loadPage(int index, bool fine, SourcePage &page)
{
    if (!doc_ || !doc_->doc)
        return ecBadArgument;
    std::unique_ptr<poppler::page> p(doc_->doc->create_page(index));
    if (!p)
        return ecUnsupportedFormat;
    const poppler::rectf box = p->page_rect(poppler::media_box);
    const bool turned = p->orientation() == poppler::page::landscape || p->orientation() == poppler::page::seascape;
    const double widthPt = turned ? box.height() : box.width();
    if (widthPt <= 0)
        return ecUnsupportedFormat;
    // Rendered at fax resolution: the page width becomes the fax width
    // (about 204 dots per inch for Letter and A4), lines at 196 or 98 per
    // inch in the same proportion.
    const double xres = 1728.0 * 72.0 / widthPt;
    const double yres = xres * (fine ? kFineDpi : kNormalDpi) / kFaxDpiX;
    const double heightPx = (turned ? box.width() : box.height()) / 72.0 * yres;
    if (heightPx > kMaxSourceHeight || 1728.0 * heightPx > double(kMaxSourcePixels))
        return ecUnsupportedFormat;
    poppler::page_renderer renderer;
    renderer.set_paper_color(0xFFFFFFFF);
    // Without anti-aliasing, text and line art come out pure black and white.
    renderer.set_render_hint(poppler::page_renderer::antialiasing, false);
    renderer.set_render_hint(poppler::page_renderer::text_antialiasing, false);
    // Grey, one byte a pixel: the renderer then scales images and fills in
    // one component instead of four, which is most of its work on a page
    // holding a large picture, and no colour conversion follows.
    renderer.set_image_format(poppler::image::format_gray8);
    poppler::image img = renderer.render_page(p.get(), xres, yres);
    if (!img.is_valid() || img.width() <= 0 || img.height() <= 0 || img.format() != poppler::image::format_gray8)
        return ecUnsupportedFormat;
    QImage view(reinterpret_cast<const uchar *>(img.const_data()), img.width(), img.height(),
                img.bytes_per_row(), QImage::Format_Grayscale8);
    page.image = view.copy(); // the renderer's buffer goes with img
    page.xDpi = xres;
    page.yDpi = yres;
    page.fine = fine ? 1 : 0;
    return ecOK;
}

void PdfReader::closeSource()
{
    doc_.reset();
}

// ---- checking a whole document ----

std::string wholePageDocumentProblem(const std::string &fileName)
{
    const TFaxInputDocumentType type = faxDocumentFileType(fileName);
    if (type != idPdf && type != idTiff)
        return "it is not a PDF or TIFF file";
    if (type == idPdf) {
        // The usual faults named as such before the whole conversion.
        pdfQuiet();
        std::unique_ptr<poppler::document> doc(poppler::document::load_from_file(fileName));
        if (!doc)
            return "the PDF cannot be read (it is damaged or cut short)";
        if (doc->is_locked())
            return "the PDF is encrypted";
        if (doc->pages() < 1)
            return "the PDF has no pages";
        for (int i = 0; i < doc->pages(); ++i)
            if (!std::unique_ptr<poppler::page>(doc->create_page(i)))
                return "page " + std::to_string(i + 1) + " of the PDF cannot be found (its page tree is damaged)";
    }
    const char *tmp = std::getenv("TMPDIR");
    std::string scratch = std::string(tmp && *tmp ? tmp : "/tmp") + "/qln-check-XXXXXX.apf";
    const int fd = ::mkstemps(scratch.data(), 4);
    if (fd < 0)
        return std::string("cannot make a scratch file: ") + std::strerror(errno);
    ::close(fd);
    std::string problem;
    try {
        TApdFaxConverter converter;
        converter.SetInputDocumentType(type);
        converter.SetOptions(coYield);
        converter.SetResolution(frHigh);
        converter.SetDocumentFile(fileName);
        converter.SetOutFileName(scratch);
        converter.ConvertDocument();
    } catch (const EFaxConverterError &e) {
        problem = std::string(type == idPdf ? "the PDF" : "the TIFF") + " does not convert: " + apfErrorText(e.code()) +
                  " (" + std::to_string(e.code()) + ")";
    } catch (const std::exception &e) {
        problem = e.what();
    }
    std::remove(scratch.c_str());
    return problem;
}

// ---- TiffAnyReader ----

int TiffAnyReader::open(ConverterCore &core, const std::string &fileName)
{
    active_.reset();
    usingLibTiff_ = false;
    const int images = LibTiffReader::imageCount(fileName);
    int ownRc = ecUnsupportedFormat;
    if (images <= 1) {
        auto own = std::make_unique<TiffReader>();
        ownRc = own->open(core, fileName);
        if (ownRc == ecOK) {
            active_ = std::move(own);
            return ecOK;
        }
        if (ownRc != ecUnsupportedFormat || images == 0)
            return ownRc;
    }
    auto lib = std::make_unique<LibTiffReader>();
    if (int rc = lib->open(core, fileName); rc < 0)
        return rc;
    active_ = std::move(lib);
    usingLibTiff_ = true;
    return ecOK;
}

void TiffAnyReader::close()
{
    if (active_)
        active_->close();
}

} // namespace qln::fax
