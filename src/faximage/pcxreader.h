// PcxReader: one-bit PCX images as converter input (one page), and
// PcxPageDecoder, the row decoder DcxReader shares.
//
// The 128-byte header must say manufacturer 10, encoding 1 (run length) and
// 1 bit per pixel in one plane, and the image (Xmax - Xmin) may not be wider
// than the page, else -8002. Rows of the header's bytes-per-line are decoded
// from the run-length data (a byte of 192 or more gives a count in its low
// six bits for the byte after it; runs may continue into the next row) and
// inverted, since PCX stores 1 = white. Bytes beyond the image's own width
// and beyond 4096 are dropped, so row padding never prints. The page holds
// the header's rows (Ymax - Ymin + 1; Ymax below Ymin gives -8002) and ends
// after the last of them, or earlier when the data after the header is used
// up; bytes after the last row (a palette) are never read as rows.
//
// Not thread-safe.
#pragma once

#include "faximage/convertercore.h"
#include "faximage/converterinputfile.h"

namespace qln::fax {

class PcxPageDecoder {
public:
    // Reads and checks the header of the image at [start, start + length)
    // of `file` and places the image on the page.
    int open(ConverterCore &core, ConverterInputFile &file, int64_t start, int64_t length);
    // Decodes the next row into raster; endOfPage when the data is used up.
    int readRow(ConverterCore &core, ConverterInputFile &file, uint8_t *raster, bool &endOfPage);

    int width() const { return width_; }
    int bytesPerLine() const { return bytesPerLine_; }

private:
    int64_t dataPos_ = 0, dataEnd_ = 0;
    int width_ = 0;
    int height_ = 0;
    int rows_ = 0; // rows delivered
    int bytesPerLine_ = 0;
    int version_ = 0;
    int runLeft_ = 0; // bytes of a run still to be stored in the next row
    uint8_t runByte_ = 0;
};

class PcxReader : public FaxInputReader {
public:
    std::string defaultExtension() const override { return "PCX"; }
    int open(ConverterCore &core, const std::string &fileName) override;
    int readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages) override;
    void close() override { file_.close(); }

private:
    ConverterInputFile file_;
    PcxPageDecoder page_;
};

} // namespace qln::fax
