// Benchmark of the fax codecs: encode and decode of a fine A4 text page
// (1728 x 2200) and of a dense dithered page, in pages per second, beside
// libtiff's CCITT Group 3 1-D codec and spandsp's T.4 codec on the same
// images; the two-dimensional codecs (MR with K = 2 and 4, MMR) beside
// libtiff's Group 3 2-D and Group 4 codecs, with the coded size of each
// page in every coding; and the time to unpack an APF page into a bitmap.
//
// Every codec works from memory except spandsp, whose 0.0.6 interface only
// reads and writes TIFF files: its figures include reading an uncompressed
// page file (encode) and writing the decoded page to a file (decode).
#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <tiffio.h>
#include <unistd.h>

#if QLN_HAVE_SPANDSP
#include <spandsp.h>
#endif

#include "faximage/apf.h"
#include "faximage/g3decoder.h"
#include "faximage/g3encoder.h"
#include "faximage/monobitmap.h"
#include "faximage/twodimdecoder.h"
#include "faximage/twodimencoder.h"
#include "faximage/unpackercore.h"

using namespace qln::fax;

namespace {

constexpr int kWidth = 1728, kBytes = 216, kRows = 2200;

struct Page {
    std::string name;
    std::vector<uint8_t> pixels; // kRows rows of kBytes, 1 = black
    const uint8_t *row(int y) const { return pixels.data() + std::size_t(y) * kBytes; }
};

Page textPage()
{
    QImage img(kWidth, kRows, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QFont f("DejaVu Sans");
    f.setPixelSize(26);
    p.setFont(f);
    p.setPen(Qt::black);
    const char *text = "The quick brown fox jumps over the lazy dog. Pack my box with five dozen liquor jugs, 0123456789.";
    for (int y = 150; y < kRows - 150; y += 40)
        p.drawText(100, y, QString::fromLatin1(text).left(40 + (y / 40) % 50));
    p.end();
    MonoBitmap bm = MonoBitmap::fromQImage(img, true);
    return {"text page", bm.bits};
}

Page ditheredPage()
{
    // A smooth picture through a 4x4 ordered dither: many short runs. A white
    // margin of 16 pixels on the left keeps every line within libtiff's
    // limit of one run per pixel.
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    Page pg{"dithered page", std::vector<uint8_t>(std::size_t(kBytes) * kRows, 0)};
    for (int y = 0; y < kRows; ++y)
        for (int x = 16; x < kWidth; ++x) {
            int v = int(128 + 100 * std::sin(x / 60.0) * std::cos(y / 80.0));
            if (v * 16 / 256 <= bayer[y & 3][x & 3])
                pg.pixels[std::size_t(y) * kBytes + std::size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
        }
    return pg;
}

// CPU time of this thread in seconds: the build machine is shared, so wall
// time would measure the other processes as well.
double cpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

// Runs fn until at least `seconds` of CPU time have passed, three times;
// returns the best of the three in runs per CPU second (the machine is
// shared, and the best trial is the one least disturbed).
double rate(const std::function<void()> &fn, double seconds = 0.3)
{
    fn(); // warm up
    double best = 0;
    for (int trial = 0; trial < 3; ++trial) {
        int runs = 0;
        const double start = cpuSeconds();
        double elapsed = 0;
        do {
            fn();
            ++runs;
            elapsed = cpuSeconds() - start;
        } while (elapsed < seconds);
        best = std::max(best, runs / elapsed);
    }
    return best;
}

// ---- ours ----

std::vector<uint8_t> oursEncode(const Page &pg)
{
    static G3LineEncoder enc;
    std::vector<uint8_t> out;
    out.reserve(4 << 20);
    for (int y = 0; y < kRows; ++y) {
        std::size_t n = enc.encodeRaster(pg.row(y), kWidth);
        const uint8_t *d = enc.data();
        out.insert(out.end(), d, d + n);
    }
    uint8_t eop[12];
    G3LineEncoder::endOfPageLine(eop);
    out.insert(out.end(), eop, eop + 12);
    return out;
}

int oursDecode(const std::vector<uint8_t> &stream, std::vector<uint8_t> &pixels)
{
    int rows = 0;
    G3Decoder dec([&](const uint8_t *l, int n) {
        if (rows < kRows)
            std::memcpy(pixels.data() + std::size_t(rows) * kBytes, l, std::size_t(std::min(n, kBytes)));
        ++rows;
    });
    for (std::size_t at = 0; at < stream.size() && !dec.pageEnded(); at += 4096)
        dec.feed(stream.data() + at, std::min<std::size_t>(4096, stream.size() - at));
    return rows;
}

struct TwoDimCoding {
    const char *name;
    FaxCoding coding;
    int k;
    uint16_t tiffCompression;
    uint32_t tiffG3Options;
    float tiffYres; // gives libtiff the same K
};

const TwoDimCoding kTwoDim[] = {
    {"MR K=2", FaxCoding::MR, 2, COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, 98.0f},
    {"MR K=4", FaxCoding::MR, 4, COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, 196.0f},
    {"MMR", FaxCoding::MMR, 0, COMPRESSION_CCITTFAX4, 0, 196.0f},
};

std::vector<uint8_t> oursEncode2D(const Page &pg, const TwoDimCoding &c)
{
    std::vector<uint8_t> out;
    out.reserve(4 << 20);
    TwoDimOptions o;
    o.k = c.k;
    TwoDimEncoder enc(c.coding, kWidth, [&](const uint8_t *d, std::size_t n) { out.insert(out.end(), d, d + n); },
                      o);
    for (int y = 0; y < kRows; ++y)
        enc.encodeLine(pg.row(y));
    enc.endPage();
    return out;
}

int oursDecode2D(const std::vector<uint8_t> &stream, const TwoDimCoding &c, std::vector<uint8_t> &pixels)
{
    int rows = 0;
    TwoDimDecoder dec(c.coding, kWidth, [&](const uint8_t *l, int n, bool) {
        if (rows < kRows)
            std::memcpy(pixels.data() + std::size_t(rows) * kBytes, l, std::size_t(std::min(n, kBytes)));
        ++rows;
    });
    for (std::size_t at = 0; at < stream.size() && !dec.ended(); at += 4096)
        dec.feed(stream.data() + at, std::min<std::size_t>(4096, stream.size() - at));
    dec.finish();
    return rows;
}

// MH as the receiver stores it: each line's EOL and runs, no tail bytes.
std::size_t mhStreamBytes(const Page &pg)
{
    G3LineEncoder enc;
    std::size_t n = 0;
    for (int y = 0; y < kRows; ++y)
        n += enc.encodeRaster(pg.row(y), kWidth) - 1;
    return n + G3LineEncoder::kEndOfPageLength;
}

// ---- libtiff, in memory ----

struct MemFile {
    std::vector<uint8_t> data;
    toff_t pos = 0;
};

tsize_t memRead(thandle_t h, tdata_t buf, tsize_t n)
{
    auto *m = static_cast<MemFile *>(h);
    tsize_t avail = tsize_t(m->data.size()) - tsize_t(m->pos);
    n = std::max<tsize_t>(0, std::min(n, avail));
    std::memcpy(buf, m->data.data() + m->pos, std::size_t(n));
    m->pos += toff_t(n);
    return n;
}
tsize_t memWrite(thandle_t h, tdata_t buf, tsize_t n)
{
    auto *m = static_cast<MemFile *>(h);
    if (m->pos + toff_t(n) > m->data.size())
        m->data.resize(std::size_t(m->pos + toff_t(n)));
    std::memcpy(m->data.data() + m->pos, buf, std::size_t(n));
    m->pos += toff_t(n);
    return n;
}
toff_t memSeek(thandle_t h, toff_t off, int whence)
{
    auto *m = static_cast<MemFile *>(h);
    if (whence == SEEK_SET)
        m->pos = off;
    else if (whence == SEEK_CUR)
        m->pos += off;
    else
        m->pos = m->data.size() + off;
    return m->pos;
}
int memClose(thandle_t) { return 0; }
toff_t memSize(thandle_t h) { return static_cast<MemFile *>(h)->data.size(); }
int memMap(thandle_t, tdata_t *, toff_t *) { return 0; }
void memUnmap(thandle_t, tdata_t, toff_t) {}

TIFF *memOpen(MemFile &m, const char *mode)
{
    m.pos = 0;
    return TIFFClientOpen("mem", mode, &m, memRead, memWrite, memSeek, memClose, memSize, memMap, memUnmap);
}

void tiffEncode(const Page &pg, MemFile &m, uint16_t compression = COMPRESSION_CCITTFAX3, uint32_t g3options = 0,
                float yres = 196.0f)
{
    m.data.clear();
    m.data.reserve(4 << 20);
    TIFF *t = memOpen(m, "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(kWidth));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(kRows));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
    if (compression == COMPRESSION_CCITTFAX3)
        TIFFSetField(t, TIFFTAG_GROUP3OPTIONS, g3options);
    else
        TIFFSetField(t, TIFFTAG_GROUP4OPTIONS, 0);
    // libtiff takes K for 2-D coding from the vertical resolution: 4 above
    // 150 lines per inch, else 2.
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 204.0f);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, yres);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(kRows));
    std::vector<uint8_t> row(kBytes);
    for (int y = 0; y < kRows; ++y) {
        std::memcpy(row.data(), pg.row(y), kBytes);
        TIFFWriteScanline(t, row.data(), uint32_t(y), 0);
    }
    TIFFClose(t);
}

std::size_t tiffStripBytes(MemFile &m)
{
    TIFF *t = memOpen(m, "r");
    uint64_t *counts = nullptr;
    TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts);
    const std::size_t n = counts ? std::size_t(counts[0]) : 0;
    TIFFClose(t);
    return n;
}

void tiffDecode(MemFile &m, std::vector<uint8_t> &pixels)
{
    TIFF *t = memOpen(m, "r");
    TIFFReadEncodedStrip(t, 0, pixels.data(), tsize_t(pixels.size()));
    TIFFClose(t);
}

void quietTiff()
{
    TIFFSetWarningHandler(nullptr);
}

#if QLN_HAVE_SPANDSP
bool writeUncompressedTiff(const Page &pg, const std::string &path)
{
    TIFF *t = TIFFOpen(path.c_str(), "w");
    if (!t)
        return false;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(kWidth));
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(kRows));
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, uint32_t(kRows));
    TIFFSetField(t, TIFFTAG_XRESOLUTION, 204.0f);
    TIFFSetField(t, TIFFTAG_YRESOLUTION, 196.0f);
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFWriteEncodedStrip(t, 0, const_cast<uint8_t *>(pg.pixels.data()), tsize_t(pg.pixels.size()));
    TIFFClose(t);
    return true;
}

std::size_t spandspEncode(const std::string &path, std::vector<uint8_t> &out)
{
    t4_tx_state_t *s = t4_tx_init(nullptr, path.c_str(), -1, -1);
    if (!s)
        return 0;
    t4_tx_set_tx_encoding(s, T4_COMPRESSION_ITU_T4_1D);
    t4_tx_set_min_bits_per_row(s, 0);
    t4_tx_start_page(s);
    out.clear();
    uint8_t buf[4096];
    int n;
    while ((n = t4_tx_get_chunk(s, buf, sizeof buf)) > 0)
        out.insert(out.end(), buf, buf + n);
    t4_tx_end_page(s);
    t4_tx_free(s);
    return out.size();
}

int spandspDecode(const std::string &outPath, const std::vector<uint8_t> &stream)
{
    t4_rx_state_t *s = t4_rx_init(nullptr, outPath.c_str(), T4_COMPRESSION_ITU_T4_1D);
    if (!s)
        return -1;
    t4_rx_set_rx_encoding(s, T4_COMPRESSION_ITU_T4_1D);
    t4_rx_set_image_width(s, kWidth);
    t4_rx_set_x_resolution(s, T4_X_RESOLUTION_R8);
    t4_rx_set_y_resolution(s, T4_Y_RESOLUTION_FINE);
    t4_rx_start_page(s);
    t4_rx_put_chunk(s, stream.data(), int(stream.size()));
    t4_rx_end_page(s);
    t4_stats_t st;
    t4_rx_get_transfer_statistics(s, &st);
    t4_rx_release(s);
    t4_rx_free(s);
    return st.length;
}
#endif

std::string tempName(const char *suffix)
{
    return "/tmp/qln_bench_" + std::to_string(getpid()) + suffix;
}

void writeApfPage(const Page &pg, const std::string &path)
{
    ApfWriter w;
    w.create(path);
    w.beginPage(pfLineLengths | pfFine);
    G3LineEncoder enc;
    for (int y = 0; y < kRows; ++y) {
        std::size_t n = enc.encodeRaster(pg.row(y), kWidth);
        w.writeFramedLine(enc.data(), n);
    }
    w.endPage();
    w.finish("BENCH");
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    quietTiff();

    std::printf("Group 3 1-D codec, fine A4 pages of %d x %d pixels, pages per CPU second (higher is better)\n\n",
                kWidth, kRows);
    std::printf("%-14s %-8s %12s %12s %12s %10s\n", "page", "", "Quillon", "libtiff", "spandsp*", "Q/libtiff");
    for (const Page &pg : {textPage(), ditheredPage()}) {
        std::vector<uint8_t> pixels(pg.pixels.size());
        // Correctness first: every codec must give back the page.
        auto ours = oursEncode(pg);
        int rows = oursDecode(ours, pixels);
        MemFile tif;
        tiffEncode(pg, tif);
        std::vector<uint8_t> tiffPixels(pg.pixels.size());
        tiffDecode(tif, tiffPixels);
        if (rows != kRows || pixels != pg.pixels || tiffPixels != pg.pixels) {
            std::printf("%s: round trip FAILED (rows %d)\n", pg.name.c_str(), rows);
            return 1;
        }

        double encOurs = rate([&] { oursEncode(pg); });
        double encTiff = rate([&] { tiffEncode(pg, tif); });
        double decOurs = rate([&] { oursDecode(ours, pixels); });
        double decTiff = rate([&] { tiffDecode(tif, tiffPixels); });
        double encSpan = 0, decSpan = 0;
        std::size_t spanBytes = 0;
#if QLN_HAVE_SPANDSP
        const std::string in = tempName("_in.tif"), out = tempName("_out.tif");
        if (writeUncompressedTiff(pg, in)) {
            std::vector<uint8_t> coded;
            spanBytes = spandspEncode(in, coded);
            if (spanBytes > 0) {
                encSpan = rate([&] { spandspEncode(in, coded); });
                // spandsp's stream is sent least significant bit first, like ours.
                int decoded = spandspDecode(out, ours);
                if (decoded == kRows)
                    decSpan = rate([&] { spandspDecode(out, ours); });
                else
                    std::printf("(spandsp decoded %d rows of our stream)\n", decoded);
            }
        }
        std::remove(in.c_str());
        std::remove(out.c_str());
#endif
        std::printf("%-14s %-8s %12.1f %12.1f %12.1f %9.2fx\n", pg.name.c_str(), "encode", encOurs, encTiff, encSpan,
                    encOurs / encTiff);
        std::printf("%-14s %-8s %12.1f %12.1f %12.1f %9.2fx\n", "", "decode", decOurs, decTiff, decSpan,
                    decOurs / decTiff);
        std::printf("%-14s coded sizes: Quillon %zu bytes (with line starts and tails), libtiff %zu (whole TIFF), "
                    "spandsp %zu\n",
                    "", ours.size(), tif.data.size(), spanBytes);
    }
    std::printf("\n* spandsp 0.0.6 codes only from and to TIFF files: its encode figure includes reading an\n"
                "  uncompressed page file, its decode figure writing the decoded page to a file.\n");
    std::printf("Targets: encoder >= 2x libtiff and ahead of spandsp on both pages, decoder >= 1.0x libtiff.\n\n");

    std::printf("Two-dimensional codecs, the same pages, pages per CPU second (higher is better)\n\n");
    std::printf("%-14s %-8s %-8s %12s %12s %10s\n", "page", "coding", "", "Quillon", "libtiff", "Q/libtiff");
    for (const Page &pg : {textPage(), ditheredPage()}) {
        std::vector<uint8_t> pixels(pg.pixels.size()), tiffPixels(pg.pixels.size());
        std::string sizes;
        for (const TwoDimCoding &c : kTwoDim) {
            // Correctness first: ours decodes in both, and libtiff's in ours.
            auto ours = oursEncode2D(pg, c);
            int rows = oursDecode2D(ours, c, pixels);
            MemFile tif;
            tiffEncode(pg, tif, c.tiffCompression, c.tiffG3Options, c.tiffYres);
            tiffDecode(tif, tiffPixels);
            if (rows != kRows || pixels != pg.pixels || tiffPixels != pg.pixels) {
                std::printf("%s %s: round trip FAILED (rows %d)\n", pg.name.c_str(), c.name, rows);
                return 1;
            }
            double encOurs = rate([&] { oursEncode2D(pg, c); });
            double encTiff = rate([&] { tiffEncode(pg, tif, c.tiffCompression, c.tiffG3Options, c.tiffYres); });
            double decOurs = rate([&] { oursDecode2D(ours, c, pixels); });
            double decTiff = rate([&] { tiffDecode(tif, tiffPixels); });
            std::printf("%-14s %-8s %-8s %12.1f %12.1f %9.2fx\n", pg.name.c_str(), c.name, "encode", encOurs, encTiff,
                        encOurs / encTiff);
            std::printf("%-14s %-8s %-8s %12.1f %12.1f %9.2fx\n", "", "", "decode", decOurs, decTiff,
                        decOurs / decTiff);
            sizes += "  " + std::string(c.name) + " " + std::to_string(ours.size()) + " (libtiff strip " +
                     std::to_string(tiffStripBytes(tif)) + ")";
        }
        std::printf("%-14s coded bytes: MH %zu%s\n\n", "", mhStreamBytes(pg), sizes.c_str());
    }
    std::printf("Target: encoder and decoder >= 1.0x libtiff in every coding.\n"
                "Coded bytes: MH as stored unframed (EOL and runs of each line, end of page); MR with\n"
                "RTC, MMR with EOFB; libtiff's strips have its own EOL and RTC conventions.\n\n");

    // Unpacking an APF page into a page bitmap (file read, decode, collect).
    for (const Page &pg : {textPage(), ditheredPage()}) {
        const std::string apf = tempName(".apf");
        writeApfPage(pg, apf);
        UnpackerCore core;
        core.setFlags(0);
        MonoBitmap bm;
        if (core.unpackPageToBitmap(apf, 1, bm, true) != 0 || bm.height != kRows) {
            std::printf("unpack FAILED\n");
            return 1;
        }
        double perSec = rate([&] { core.unpackPageToBitmap(apf, 1, bm, true); });
        std::printf("unpack to bitmap, %-14s %8.2f ms per page (target < 5 ms)\n", pg.name.c_str(), 1000.0 / perSec);
        std::remove(apf.c_str());
    }
    return 0;
}
