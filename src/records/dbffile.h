// A DBF table file in the FoxPro 2.x / dBase III layout: header, field
// descriptors, fixed-size records with a leading deletion flag byte.
//
// Records are read through a read-only memory map and written with pwrite;
// both see the same page cache. Header record count and file length are
// reconciled on open (the smaller wins, so a torn append is ignored). A
// 4-byte change counter is kept in header bytes 20-23 (reserved for
// multi-user use in the format and ignored by other readers); the compound
// index records it to detect that it is stale.
//
// Not thread-safe; one owner.
#pragma once

#include "records/posixfile.h"
#include "records/status.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qln::records {

struct FieldDesc {
    std::string name;   // upper case, at most 10 characters
    char type = 'C';
    int width = 0;
    int decimals = 0;
    int offset = 0;     // in the record image (the flag byte is offset 0)
};

class DbfFile {
public:
    static constexpr uint8_t kFoxProMemo = 0xF5;
    static constexpr uint8_t kPlain = 0x03;

    DbfFile() = default;
    ~DbfFile();
    DbfFile(const DbfFile &) = delete;
    DbfFile &operator=(const DbfFile &) = delete;

    // Checks a field list (names, letters, widths) before creation.
    static Status validateFields(std::vector<FieldDesc> &fields);
    // Writes a new empty table (0xF5 when a memo field exists, else 0x03);
    // the caller creates the memo file.
    static Status create(const std::string &path, std::vector<FieldDesc> fields);

    Status open(const std::string &path, bool writable, bool exclusive);
    void close();
    bool isOpen() const { return file_.isOpen(); }
    const std::string &path() const { return file_.path(); }

    uint8_t version() const { return version_; }
    // The row count the header gives, the whole records the file holds, and
    // a text saying how they disagree ("" when they agree; a record only
    // partly on disk does not count as held). A table whose header disagrees
    // with its file opens for reading only: a write could destroy rows the
    // header does not count.
    uint32_t headerRecCount() const { return headerCount_; }
    uint32_t fileRecCount() const { return fileRows_; }
    const std::string &damage() const { return damage_; }
    bool hasMemoFields() const;
    uint32_t recCount() const { return count_; }
    int recSize() const { return recSize_; }
    int headerSize() const { return headerSize_; }
    const std::vector<FieldDesc> &fields() const { return fields_; }
    int fieldIndex(const std::string &name) const;  // -1 when absent; case-insensitive
    uint32_t generation() const { return generation_; }

    // Pointer to the image of record n (1..recCount), valid until the next
    // write or remap; nullptr on error.
    const char *record(uint32_t n);
    // Writes record n (1..recCount) or appends (n == recCount+1).
    Status write(uint32_t n, const char *image);
    // Takes back the last record (an append whose row could not be
    // completed): the file ends after the record before it again.
    Status removeLast();
    // Increments the change counter and makes it durable.
    Status bumpGeneration();
    // Updates the header (count, date, counter) and syncs the file.
    Status commit();
    // Identity of the file content as last written: size and mtime.
    Status fingerprint(uint64_t &size, int64_t &mtimeNs) const;
    // Rewrites the table without rows flagged deleted (atomic replace).
    Status pack();
    // Writes the table without flagged rows to tmpPath and syncs it; fix may
    // change each kept record image. The table itself is not touched.
    Status writePacked(const std::string &tmpPath, const std::function<Status(std::string &)> &fix);

private:
    Status parseHeader(const std::vector<unsigned char> &h, uint64_t fileSize);
    Status writeHeader();
    Status remap();
    void unmap();

    File file_;
    bool writable_ = false;
    uint8_t version_ = 0;
    uint32_t count_ = 0;
    uint32_t headerCount_ = 0;
    uint32_t fileRows_ = 0;
    std::string damage_;
    int headerSize_ = 0;
    int recSize_ = 0;
    uint32_t generation_ = 0;
    std::vector<unsigned char> header_;  // header bytes as read (kept on rewrite)
    std::vector<FieldDesc> fields_;
    const char *map_ = nullptr;
    uint64_t mapLen_ = 0;
};

// Little-endian helpers for the file formats.
inline uint32_t getLE32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint16_t getLE16(const unsigned char *p) { return uint16_t(p[0] | p[1] << 8); }
inline void putLE32(unsigned char *p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
inline void putLE16(unsigned char *p, uint16_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

} // namespace qln::records
