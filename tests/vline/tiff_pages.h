// Test helper: reads and writes bilevel fax pages of TIFF files with libtiff,
// and compares two pages pixel for pixel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qln::vline::test {

// One bilevel page: rows of packed pixels, 1 = black, most significant bit first.
struct Bitmap {
    int width = 0;
    std::vector<std::vector<uint8_t>> rows;
};

// Reads page `page` (0-based) of a TIFF file; false when it cannot.
bool readTiffPage(const std::string &path, int page, Bitmap &out, std::string &why);
// Number of pages (directories) in a TIFF file; 0 when unreadable.
int tiffPageCount(const std::string &path);
// Writes a one-page G3 (1-D, EOL-aligned) fax TIFF at 204x98 dpi.
bool writeFaxTiff(const std::string &path, const Bitmap &page);

// Compares the printed content of two pages: white rows at the top and the
// bottom are ignored (senders add or drop blank margins), every other row
// must match exactly. Returns an empty string when equal, else the first
// difference.
std::string compareContent(const Bitmap &a, const Bitmap &b);

} // namespace qln::vline::test
