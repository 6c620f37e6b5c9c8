// ApfReader: reads an APF file: its file header, page N found by walking the
// page headers from the first page, and the page's coded data either as
// framed lines or as raw bytes.
//
// Reads never go past the current page's image length, so a damaged length
// word or an unframed stream without its end-of-page codes cannot run into the
// next page. A file that ends before the data its headers promise gives -8001.
// Nothing is allocated by the sizes the file claims.
//
// Not thread-safe: one thread uses a reader at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "faximage/apf.h"

namespace qln::fax {

class ApfReader {
public:
    ApfReader() = default;
    ~ApfReader();
    ApfReader(const ApfReader &) = delete;
    ApfReader &operator=(const ApfReader &) = delete;

    // Opens the file and checks its header. Empty name or missing file: -2;
    // wrong signature or a file shorter than the header: -8001; other
    // failures: the negated I/O error.
    int open(const std::string &path);
    void close();
    bool isOpen() const { return fd_ >= 0; }

    const ApfFileHeader &fileHeader() const { return header_; }
    int pageCount() const { return header_.pageCount; }

    // Walks to page n (1-based) and reads its header; afterwards the page's
    // data is read from its start. The walk starts at the current page when
    // n is not before it, so pages read in order cost one walk in all. n
    // below 1 or above the page count, or a page header beyond the end of
    // the file: -8001.
    int seekPage(int n, ApfPageHeader *out = nullptr);
    // Page headers read by the walks since open().
    uint64_t pageHeadersRead() const { return headersRead_; }
    const ApfPageHeader &pageHeader() const { return page_; }
    int currentPage() const { return pageNo_; }
    // Offset of the current page header in the file.
    uint64_t pageHeaderOffset() const { return pageHeaderPos_; }

    // Bytes of the current page's data not read yet.
    uint64_t pageRemaining() const { return page_.imageLength - pageRead_; }
    uint64_t pageBytesRead() const { return pageRead_; }

    // Reads one framed line into buf (room for 4096 bytes). Returns 1 when
    // the page's data is used up (len 0), 0 with len set, or a negative code:
    // -8001 for a length word above 4096 or a file that ends early. A length
    // word that runs past the page's image length gives the bytes up to it.
    int readFramedLine(uint8_t *buf, std::size_t &len);
    // Reads up to `want` bytes of the page's data. Returns 1 when the page's
    // data is used up (got 0), 0 with got > 0, or -8001 when the file ends
    // before the image length.
    int readData(uint8_t *buf, std::size_t want, std::size_t &got);

private:
    int readAt(uint64_t pos, uint8_t *buf, std::size_t len, std::size_t &got);

    int readCached(uint64_t pos, uint8_t *buf, std::size_t len, std::size_t &got);

    int fd_ = -1;
    // Read-ahead window over the file, so framed lines cost no system call
    // each.
    std::vector<uint8_t> cache_;
    uint64_t cachePos_ = 0;
    std::size_t cacheLen_ = 0;
    ApfFileHeader header_;
    ApfPageHeader page_;
    int pageNo_ = 0;
    uint64_t pageHeaderPos_ = 0;
    uint64_t pageDataPos_ = 0;
    uint64_t pageRead_ = 0;
    uint64_t headersRead_ = 0;
};

// Joins APF files: the first whole, then each further file from its first
// page on; the page count is the sum. The result is written under a temporary
// name beside `dest` and renamed over it, so `dest` may be one of the inputs
// and is never left half-written. Errors: -2 (no sources or a missing file),
// -8001 (a source is not APF), -1002 (more than 65535 pages), I/O errors.
int concatenateApf(const std::string &dest, const std::vector<std::string> &sources);

} // namespace qln::fax
