#include "tiff_pages.h"

#include <tiffio.h>

#include <algorithm>
#include <memory>

namespace qln::vline::test {

namespace {
struct TiffCloser {
    void operator()(TIFF *t) const { TIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

bool blank(const std::vector<uint8_t> &row)
{
    return std::all_of(row.begin(), row.end(), [](uint8_t b) { return b == 0; });
}
} // namespace

bool readTiffPage(const std::string &path, int page, Bitmap &out, std::string &why)
{
    TiffPtr t(TIFFOpen(path.c_str(), "r"));
    if (!t) {
        why = "cannot open " + path;
        return false;
    }
    if (!TIFFSetDirectory(t.get(), static_cast<tdir_t>(page))) {
        why = path + " has no page " + std::to_string(page + 1);
        return false;
    }
    uint32_t w = 0, h = 0;
    uint16_t bps = 1, photometric = PHOTOMETRIC_MINISWHITE;
    TIFFGetField(t.get(), TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(t.get(), TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(t.get(), TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(t.get(), TIFFTAG_PHOTOMETRIC, &photometric);
    if (bps != 1) {
        why = path + " is not bilevel";
        return false;
    }
    out.width = static_cast<int>(w);
    out.rows.assign(h, std::vector<uint8_t>((w + 7) / 8));
    std::vector<uint8_t> line(std::max<tmsize_t>(TIFFScanlineSize(t.get()), (w + 7) / 8));
    for (uint32_t y = 0; y < h; ++y) {
        if (TIFFReadScanline(t.get(), line.data(), y, 0) < 0) {
            why = path + ": cannot decode row " + std::to_string(y);
            return false;
        }
        for (size_t i = 0; i < out.rows[y].size(); ++i)
            out.rows[y][i] = photometric == PHOTOMETRIC_MINISBLACK ? static_cast<uint8_t>(~line[i]) : line[i];
        if (w % 8)
            out.rows[y].back() &= static_cast<uint8_t>(0xFF << (8 - w % 8));
    }
    return true;
}

int tiffPageCount(const std::string &path)
{
    TiffPtr t(TIFFOpen(path.c_str(), "r"));
    return t ? TIFFNumberOfDirectories(t.get()) : 0;
}

bool writeFaxTiff(const std::string &path, const Bitmap &page)
{
    TiffPtr t(TIFFOpen(path.c_str(), "w"));
    if (!t)
        return false;
    TIFF *f = t.get();
    TIFFSetField(f, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(page.width));
    TIFFSetField(f, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(page.rows.size()));
    TIFFSetField(f, TIFFTAG_BITSPERSAMPLE, 1);
    TIFFSetField(f, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(f, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
    TIFFSetField(f, TIFFTAG_GROUP3OPTIONS, GROUP3OPT_FILLBITS);
    TIFFSetField(f, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
    TIFFSetField(f, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
    TIFFSetField(f, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(f, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(f, TIFFTAG_XRESOLUTION, 204.0f);
    TIFFSetField(f, TIFFTAG_YRESOLUTION, 98.0f);
    TIFFSetField(f, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(page.rows.size()));
    TIFFSetField(f, TIFFTAG_PAGENUMBER, 0, 1);
    for (size_t y = 0; y < page.rows.size(); ++y) {
        std::vector<uint8_t> row = page.rows[y];
        if (TIFFWriteScanline(f, row.data(), static_cast<uint32_t>(y), 0) < 0)
            return false;
    }
    return TIFFWriteDirectory(f) != 0;
}

std::string compareContent(const Bitmap &a, const Bitmap &b)
{
    if (a.width != b.width)
        return "widths differ: " + std::to_string(a.width) + " and " + std::to_string(b.width);
    auto span = [](const Bitmap &m) {
        size_t first = 0, last = m.rows.size();
        while (first < last && blank(m.rows[first]))
            ++first;
        while (last > first && blank(m.rows[last - 1]))
            --last;
        return std::make_pair(first, last);
    };
    auto [a0, a1] = span(a);
    auto [b0, b1] = span(b);
    if (a1 - a0 != b1 - b0)
        return "printed heights differ: " + std::to_string(a1 - a0) + " and " + std::to_string(b1 - b0) + " rows";
    if (a1 == a0)
        return "both pages are blank";
    for (size_t i = 0; i < a1 - a0; ++i)
        if (a.rows[a0 + i] != b.rows[b0 + i])
            return "row " + std::to_string(i) + " of the printed area differs";
    return {};
}

} // namespace qln::vline::test
