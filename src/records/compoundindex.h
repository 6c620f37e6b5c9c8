// The compound index file (.CDX) of a table: every tag of the table with
// its definition and its sorted keys.
//
// File layout (all integers little-endian):
//
//   header, 64 bytes
//     0  magic "QLNCDX01"
//     8  u32 format version (1)
//    12  u32 tag count
//    16  u32 DBF change counter the keys belong to (DBF header bytes 20-23)
//    20  u32 DBF record count the keys belong to
//    24  u64 DBF file size    } as they were when the keys were written;
//    32  i64 DBF mtime in ns  } another program changing the DBF changes them
//    40  u32 directory length in bytes
//    44  u32 CRC-32 of the directory
//    48  12 bytes zero
//    60  u32 CRC-32 of header bytes 0-59
//   directory: per tag
//     u16 length + tag name, u16 length + key expression,
//     u16 length + condition ("" = none), u8 flags (bit 0: descending),
//     u64 body offset, u64 body length, u32 entry count, u32 CRC-32 of body
//   bodies: per tag, its entries in ascending (key, record number) order
//     u16 key length, key bytes, u32 record number
//
// Trust rules: a file with a bad magic, version, checksum or directory is
// not used (the table opens without tags and the open reports it). A file
// whose DBF counter, count, size or mtime differ from the table's is stale:
// its definitions are kept and every tag is rebuilt from the table. A body
// whose checksum or order is wrong is rebuilt from the table. The file is
// only ever replaced whole (temporary file, sync, rename).
//
// Not thread-safe; owned by one work area.
#pragma once

#include "records/dbffile.h"
#include "records/indextag.h"
#include "records/posixfile.h"

#include <memory>
#include <string>
#include <vector>

namespace qln::records {

class CompoundIndex {
public:
    // Opens the index at path for the table (a missing file gives an empty
    // index). On a Corruption result the index is empty and usable.
    Status open(const std::string &path, DbfFile &dbf);
    void close();
    const std::string &path() const { return path_; }

    int tagCount() const { return int(tags_.size()); }
    // Tag by order number (1-based); loads its keys on first use.
    IndexTag *tag(int order);
    int find(const std::string &name) const;   // order number, 0 when absent
    // Adds or replaces a tag and builds its keys.
    Status addTag(std::unique_ptr<IndexTag> t);
    bool stale() const { return stale_; }

    // Loads every tag (needed before records change).
    Status loadAll();
    void markDirty() { dirty_ = true; }
    bool dirty() const { return dirty_; }
    // Writes the whole file when something changed; the table must be
    // committed first so its fingerprint is final.
    Status save();

    // Parses a whole index image (used by open and by the fuzz target).
    static Status parseDirectory(const std::string &image, std::vector<std::unique_ptr<IndexTag>> &tags,
                                 uint32_t &generation, uint32_t &count, uint64_t &size, int64_t &mtime,
                                 std::vector<std::pair<uint64_t, uint64_t>> &bodies,
                                 std::vector<std::pair<uint32_t, uint32_t>> &countsCrcs, uint64_t fileSize);
    static Status parseBody(const char *p, size_t len, uint32_t entries, uint32_t recCount,
                            std::vector<IndexEntry> &out);

private:
    Status loadTag(size_t i);

    std::string path_;
    DbfFile *dbf_ = nullptr;
    File file_;
    std::vector<std::unique_ptr<IndexTag>> tags_;
    std::vector<bool> loaded_;
    std::vector<std::pair<uint64_t, uint64_t>> bodies_;          // offset, length
    std::vector<std::pair<uint32_t, uint32_t>> countsCrcs_;      // entries, crc
    struct CachedBody {
        uint64_t version = 0;
        std::string bytes;
        uint32_t crc = 0;
    };
    std::vector<CachedBody> cache_;   // last written body per tag
    bool stale_ = false;
    bool dirty_ = false;
};

} // namespace qln::records
