// Times whole conversions into APF files: a fine 1664 x 2156 monochrome BMP
// page (what page rendering converts), a 800 x 1000 colour BMP (dithered),
// and a 60-line text page; beside libtiff coding the same monochrome page
// raster into a one-dimensional Group 3 TIFF file. Prints pages per second.
#include <QGuiApplication>

#include <tiffio.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "faximage/converter.h"

using namespace qln::fax;
using Clock = std::chrono::steady_clock;

namespace {

bool ink(int x, int y)
{
    // Text-like: 16-row bands of short strokes with gaps.
    const int band = y % 40, col = x % 12;
    return band < 16 && (x / 12) % 9 != 0 && ((col < 2) || (band % 15 == 0 && col < 9) || ((x * 7 + y) % 23 == 0));
}

void put32(std::vector<uint8_t> &v, std::size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v[at + std::size_t(i)] = uint8_t(x >> (8 * i));
}

std::vector<uint8_t> bmp(int w, int h, int bpp)
{
    const std::size_t stride = std::size_t((w * bpp + 31) / 32 * 4);
    const std::size_t off = bpp == 1 ? 62 : 54;
    std::vector<uint8_t> v(off + stride * std::size_t(h), 0);
    v[0] = 'B', v[1] = 'M';
    put32(v, 2, uint32_t(v.size()));
    put32(v, 10, uint32_t(off));
    put32(v, 14, 40);
    put32(v, 18, uint32_t(w));
    put32(v, 22, uint32_t(h));
    v[26] = 1, v[28] = uint8_t(bpp);
    if (bpp == 1)
        v[58] = v[59] = v[60] = 255; // entry 1 white
    for (int y = 0; y < h; ++y) {
        uint8_t *row = v.data() + off + stride * std::size_t(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            if (bpp == 1) {
                if (!ink(x, y))
                    row[x / 8] |= uint8_t(0x80 >> (x % 8));
            } else {
                row[3 * x] = uint8_t(x * 255 / w);
                row[3 * x + 1] = uint8_t(y * 255 / h);
                row[3 * x + 2] = uint8_t((x + y) % 256);
            }
        }
    }
    return v;
}

void writeFile(const std::string &path, const std::vector<uint8_t> &data)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
}

double pagesPerSecond(int pages, const std::function<void()> &run)
{
    run(); // warm up
    const int reps = 20;
    const auto t0 = Clock::now();
    for (int i = 0; i < reps; ++i)
        run();
    const double s = std::chrono::duration<double>(Clock::now() - t0).count();
    return pages * reps / s;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    char tmpl[] = "/tmp/qln_cvbench.XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    const std::string mono = dir + "/page.bmp", colour = dir + "/colour.bmp", text = dir + "/page.txt";
    writeFile(mono, bmp(1664, 2156, 1));
    writeFile(colour, bmp(800, 1000, 24));
    std::string t;
    for (int i = 0; i < 60; ++i)
        t += "Line " + std::to_string(i) + " of a plain text page with enough words to fill most of it.\r\n";
    writeFile(text, std::vector<uint8_t>(t.begin(), t.end()));

    auto convert = [&](TFaxInputDocumentType type, const std::string &in, bool fine) {
        TApdFaxConverter c;
        c.SetInputDocumentType(type);
        c.SetOptions(type == idBmp && fine ? unsigned(coYield) : kDefaultConverterFlags);
        c.SetResolution(fine ? frHigh : frNormal);
        c.SetDocumentFile(in);
        c.SetOutFileName(dir + "/out.apf");
        c.ConvertDocument();
    };
    const double monoRate = pagesPerSecond(1, [&] { convert(idBmp, mono, true); });
    const double colourRate = pagesPerSecond(1, [&] { convert(idBmp, colour, false); });
    const double textRate = pagesPerSecond(1, [&] { convert(idText, text, false); });

    // Reference: libtiff writing the same monochrome page (with the 50-pixel
    // margin, as 1728-pixel lines) as a G3 1D TIFF file.
    std::vector<std::vector<uint8_t>> lines(2156, std::vector<uint8_t>(216, 0));
    for (int y = 0; y < 2156; ++y)
        for (int x = 0; x < 1664; ++x)
            if (ink(x, y))
                lines[std::size_t(y)][std::size_t((x + 50) / 8)] |= uint8_t(0x80 >> ((x + 50) % 8));
    const double tiffRate = pagesPerSecond(1, [&] {
        TIFF *tf = TIFFOpen((dir + "/out.tif").c_str(), "w");
        TIFFSetField(tf, TIFFTAG_IMAGEWIDTH, 1728);
        TIFFSetField(tf, TIFFTAG_IMAGELENGTH, 2156);
        TIFFSetField(tf, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tf, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
        TIFFSetField(tf, TIFFTAG_GROUP3OPTIONS, 0);
        TIFFSetField(tf, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tf, TIFFTAG_ROWSPERSTRIP, 2156);
        for (int y = 0; y < 2156; ++y)
            TIFFWriteScanline(tf, lines[std::size_t(y)].data(), uint32_t(y), 0);
        TIFFClose(tf);
    });

    std::printf("converter benchmark (pages per second, file to file)\n");
    std::printf("  fine 1664x2156 mono BMP -> APF   %8.1f\n", monoRate);
    std::printf("  libtiff same raster -> G3 TIFF   %8.1f   (ratio %.2f)\n", tiffRate, monoRate / tiffRate);
    std::printf("  800x1000 colour BMP -> APF       %8.1f   (dithered, doubled)\n", colourRate);
    std::printf("  60-line text page -> APF         %8.1f\n", textRate);
    for (const char *f : {"page.bmp", "colour.bmp", "page.txt", "out.apf", "out.tif"})
        std::remove((dir + "/" + f).c_str());
    rmdir(dir.c_str());
    return 0;
}
