// TIFF class F output of a fax page: one image file directory, one strip of
// one-dimensional Group 3 data (each line starting with an EOL, least
// significant bit first: FillOrder 2), white is 0, and the fax resolution as
// 204 x 196 or 204 x 98 dots per inch.
//
// The lines are the page's decoded raster lines, coded again with
// G3LineEncoder, so damaged lines of a received page are not carried over.
// Plain functions; thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qln::fax {

struct FaxPageLines {
    int width = 1728;  // pixels: 1728 or 2048
    bool fine = false; // 196 lines per inch, else 98
    std::vector<std::vector<uint8_t>> lines;
};

// Decodes page `page` of an APF file into its raster lines, as they are in
// the file (no aspect correction, no compression). Errors as UnpackerCore.
int readFaxPageLines(const std::string &apfFile, int page, FaxPageLines &out);
// The same with a reader the caller keeps open, so that pages read in order
// cost one walk of the file in all (ApfReader::seekPage).
class ApfReader;
int readFaxPageLines(ApfReader &reader, const std::string &apfFile, int page, FaxPageLines &out);

// The bytes of a TIFF class F file holding the page.
std::vector<uint8_t> makeTiffClassF(const FaxPageLines &page, int pageNumber = 0, int pageCount = 1);

} // namespace qln::fax
