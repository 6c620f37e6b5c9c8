// ApfWriter: writes an APF file page by page.
//
// Lifecycle: create() writes a file header with page count 0; beginPage()
// writes a placeholder page header; framed lines (writeFramedLine) or raw
// coded data (writeRaw, for unframed pages) follow; endPage() closes the page
// (for framed pages it first writes the framed end-of-page line), raises the
// page count and rewrites the page header in place; finish() rewrites the file
// header with date, time, station identifier and page count and closes the
// file. The file is written under a temporary name beside the path given and
// renamed to it by finish(), so an existing file of that name stays as it is
// until the new one is complete. Only a finished file is valid: on any I/O
// failure the temporary file is closed and deleted and the negated error
// returned, and a writer destroyed (or abandon()ed) before finish() deletes
// it too.
//
// Output goes through a 4096-byte buffer; a write larger than the space left
// sends whole 4096-byte blocks straight to the file.
//
// Not thread-safe: one thread uses a writer at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "faximage/apf.h"
#include "faximage/outputfile.h"

namespace qln::fax {

class ApfWriter {
public:
    ApfWriter() = default;
    virtual ~ApfWriter();
    ApfWriter(const ApfWriter &) = delete;
    ApfWriter &operator=(const ApfWriter &) = delete;

    // Creates the temporary file for `path` and writes the initial header.
    // Empty name: -2.
    int create(const std::string &path);
    // Starts a page with the given flags (pfFine, pfWide, pfLineLengths).
    int beginPage(uint16_t flags);
    // Appends one framed line: u16 length then the bytes (len <= 4096, else
    // -1002 and nothing is written).
    int writeFramedLine(const uint8_t *data, std::size_t len);
    // Appends coded data as it is (unframed pages).
    int writeRaw(const uint8_t *data, std::size_t len);
    // Ends the page; see the class comment.
    int endPage();
    // Completes the file. The station identifier is cut to 20 characters and
    // padded with `pad`; `dosTime` is the packed completion time.
    int finish(const std::string &stationId, char pad = ' ', uint32_t dosTime = dosDateTimeNow());
    // Closes and deletes an unfinished file. It is not an error to call this
    // when nothing is open.
    void abandon();

    bool isOpen() const { return fd_ >= 0; }
    bool pageOpen() const { return pageOpen_; }
    uint16_t pageCount() const { return header_.pageCount; }
    uint32_t pageImageLength() const { return uint32_t(pageLength_); }
    const std::string &path() const { return path_; }

protected:
    // OS hooks, overridable so tests can inject faults. Each returns 0 or an
    // errno value.
    virtual int osWrite(int fd, const uint8_t *data, std::size_t len);
    virtual int osWriteAt(int fd, const uint8_t *data, std::size_t len, uint64_t offset);

private:
    int put(const uint8_t *data, std::size_t len);
    int flush();
    int fail(int err); // closes, deletes, returns the negated code

    OutputFile out_;
    int fd_ = -1; // out_'s descriptor while a file is being written
    std::string path_;
    ApfFileHeader header_;
    uint8_t buf_[4096];
    std::size_t bufUsed_ = 0;
    uint64_t written_ = 0; // bytes handed to put() so far (file position)
    bool pageOpen_ = false;
    uint16_t pageFlags_ = 0;
    uint64_t pageHeaderPos_ = 0;
    uint64_t pageLength_ = 0;
};

} // namespace qln::fax
