// FaxReceiveFile: the APF file a receiving session writes page by page.
//
// create() writes a 64-byte header with no pages; beginPage() places a zero
// page header at the end; data goes through a 4096-byte buffer; keepPage()
// writes the page length into the page header and updates the file header
// (page count, date, remote identification), so the file on disk is a valid
// APF file after every kept page; discardPage() cuts the file at the page
// header. A short write is error -160.
//
// Threading: used by one session thread.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qln::fax {

class FaxReceiveFile {
public:
    ~FaxReceiveFile();

    // Creates a new file; -EEXIST when the name is taken (a link included).
    int create(const std::string &path, const std::string &stationId);
    int beginPage(bool fine, bool wide);
    int write(const uint8_t *data, std::size_t len);
    // Completes the page (its length, the file header) and syncs the file,
    // so a page answered as received is on the disk.
    int keepPage();
    int discardPage();
    // Closes the file; a file without any kept page is removed when
    // removeIfEmpty is set. Returns 0 or a negative code.
    int close(bool removeIfEmpty);

    bool isOpen() const { return fd_ >= 0; }
    bool pageOpen() const { return pageOpen_; }
    int pageCount() const { return pages_; }
    const std::string &path() const { return path_; }
    void setStationId(const std::string &id) { stationId_ = id; }

private:
    int flush();
    int writeAt(const uint8_t *data, std::size_t len, uint64_t offset);
    int writeHeader();

    int fd_ = -1;
    std::string path_;
    std::string stationId_;
    int pages_ = 0;
    bool pageOpen_ = false;
    uint64_t pageStart_ = 0;
    uint64_t end_ = 0;
    uint32_t pageLength_ = 0;
    uint16_t pageFlags_ = 0;
    std::vector<uint8_t> buffer_;
};

} // namespace qln::fax
