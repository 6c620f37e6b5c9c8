// One index tag in memory: its definition (name, key expression, condition,
// order) and its keys, kept as (key, record number) pairs sorted ascending;
// a descending tag is walked from the end.
//
// New keys go to a pending list and are merged in sorted order on the next
// read, so a bulk append costs one sort instead of one insertion per row.
// Removed keys are only marked and dropped in one pass on the next read, so
// flagging many rows deleted costs one pass instead of one move per row.
// Not thread-safe; owned by its compound index.
#pragma once

#include "records/dbffile.h"
#include "records/expression.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qln::records {

struct IndexEntry {
    std::string key;
    uint32_t recno = 0;
    bool operator<(const IndexEntry &o) const
    {
        int c = key.compare(o.key);
        return c < 0 || (c == 0 && recno < o.recno);
    }
    bool operator==(const IndexEntry &o) const { return recno == o.recno && key == o.key; }
};

class IndexTag {
public:
    std::string name;       // upper case
    std::string keyText;
    std::string condText;   // "" = every row has a key
    bool descending = false;

    // Compiles key and condition against the table's fields.
    Status compile(const std::vector<FieldDesc> &fields);
    // The key of a record image, or false when the condition excludes it.
    bool keyFor(const char *record, std::string &key) const;
    // The key expression's value whether or not the condition holds.
    std::string rawKey(const char *record) const { return key_.key(record); }
    // Scans every record of the table.
    Status build(DbfFile &dbf);

    void add(std::string key, uint32_t recno);
    void remove(const std::string &key, uint32_t recno);
    void clear()
    {
        sorted_.clear();
        pending_.clear();
        dropRemoved();
        touch();
    }
    // Changes whenever the keys change; unique across all tags of the process.
    uint64_t version() const { return version_; }
    // Sorted entries (pending ones merged first).
    const std::vector<IndexEntry> &entries();
    // Takes ownership of already sorted entries (from the index file).
    void adopt(std::vector<IndexEntry> sorted)
    {
        sorted_ = std::move(sorted);
        pending_.clear();
        dropRemoved();
        touch();
    }
    size_t size() const { return sorted_.size() - removedCount_ + pending_.size(); }

private:
    void touch();
    void dropRemoved()
    {
        removed_.clear();
        removedCount_ = 0;
    }

    Expression key_, cond_;
    uint64_t version_ = 0;
    std::vector<IndexEntry> sorted_;
    std::vector<IndexEntry> pending_;
    std::vector<uint8_t> removed_;   // parallel to sorted_ once a key was removed
    size_t removedCount_ = 0;
};

} // namespace qln::records
