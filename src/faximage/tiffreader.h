// TiffReader: one-bit TIFF images as converter input (the first image
// directory only, one page).
//
// Byte order "II" or "MM"; tags read: 255 subfile type, 256 width, 257
// length, 258 bits per sample (must be 1), 259 compression (1 none or 32773
// PackBits), 262 photometric interpretation (non-zero: rows are inverted),
// 266 fill order (2: bits reversed), 273 strip offsets, 278 rows per strip,
// 279 strip byte counts. Width, length and strip offsets are required. Any
// other layout gives -8002. Rows are read strip by strip; bytes of a row past
// 4096 are dropped and pixels past the width never print. An image that needs
// more strips than the table lists gives -8002, and one that would read more
// image data than the file holds (strips sharing their data) -161.
//
// Not thread-safe.
#pragma once

#include "faximage/convertercore.h"
#include "faximage/converterinputfile.h"

namespace qln::fax {

class TiffReader : public FaxInputReader {
public:
    std::string defaultExtension() const override { return "TIF"; }
    int open(ConverterCore &core, const std::string &fileName) override;
    int readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages) override;
    void close() override { file_.close(); }

    uint32_t width() const { return width_; }
    uint32_t length() const { return length_; }

private:
    struct Entry {
        uint16_t type = 0;
        uint32_t count = 0;
        uint32_t value = 0;   // first value, when it fits in the entry
        uint32_t rawField = 0; // the value field as an offset
        uint8_t field[4] = {}; // the value field's bytes
    };
    uint16_t u16(const uint8_t *p) const;
    uint32_t u32(const uint8_t *p) const;
    int readDirectory();
    int stripValue(const Entry &e, uint32_t index, uint32_t &out);
    int startStrip(uint32_t strip);
    int readRawRow(uint8_t *dst, int keep);
    int readPackBitsRow(uint8_t *dst, int keep);

    ConverterInputFile file_;
    bool bigEndian_ = false;
    uint32_t width_ = 0, length_ = 0, rowsPerStrip_ = 0;
    uint32_t compression_ = 1;
    bool invert_ = false, reverseBits_ = false;
    Entry offsets_, counts_;
    uint32_t rowBytes_ = 0;
    uint32_t row_ = 0;       // rows delivered
    uint32_t stripRow_ = 0;  // rows delivered from the current strip
    uint32_t strip_ = 0;
    int64_t dataRead_ = 0;   // image data bytes read so far, over all strips
};

} // namespace qln::fax
