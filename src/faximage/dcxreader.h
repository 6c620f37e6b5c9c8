// DcxReader: multi-page DCX files as converter input, one fax page per
// contained PCX image.
//
// The file starts with the u32 987654321 followed by up to 1023 page offsets
// ending at the first 0 (4100 bytes at most). A page runs from its offset to
// the next higher offset, the last to the end of the file. A wrong signature,
// no pages, an offset outside the file or one given twice gives -8002; each page's PCX header
// is checked as PcxReader checks it.
//
// Not thread-safe.
#pragma once

#include <vector>

#include "faximage/pcxreader.h"

namespace qln::fax {

inline constexpr uint32_t kDcxSignature = 987654321; // 0x3ADE68B1

class DcxReader : public FaxInputReader {
public:
    std::string defaultExtension() const override { return "DCX"; }
    int open(ConverterCore &core, const std::string &fileName) override;
    int readLine(ConverterCore &core, uint8_t *raster, bool &endOfPage, bool &morePages) override;
    void close() override { file_.close(); }

    int pageCount() const { return int(offsets_.size()); }

private:
    int64_t pageSize(std::size_t index) const;

    ConverterInputFile file_;
    PcxPageDecoder page_;
    std::vector<int64_t> offsets_;
    std::size_t current_ = 0;
    bool pageOpen_ = false;
};

} // namespace qln::fax
