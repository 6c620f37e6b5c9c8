// The FoxPro memo file (.FPT) beside a DBF: a 512-byte header (next free
// block, big-endian; block size, big-endian) followed by blocks; each memo
// starts on a block with an 8-byte header (type, length, both big-endian)
// and its bytes.
//
// Memos are never rewritten in place: a new value goes to fresh blocks at
// the end and only then does the DBF field point at it, so a crash leaves
// either the old or the new memo. Space of replaced memos is reclaimed only
// when the table is packed (a new memo file is written then).
// Not thread-safe; one owner.
#pragma once

#include "records/posixfile.h"
#include "records/status.h"

#include <cstdint>
#include <string>

namespace qln::records {

class MemoFile {
public:
    static constexpr uint32_t kHeaderSize = 512;
    static constexpr uint32_t kDefaultBlockSize = 64;

    static Status create(const std::string &path, uint32_t blockSize = kDefaultBlockSize);

    Status open(const std::string &path, bool writable);
    void close() { file_.close(); }
    bool isOpen() const { return file_.isOpen(); }

    // Reads the memo starting at block; block 0 is the empty memo.
    Status read(uint32_t block, std::string &out) const;
    // Stores data in new blocks; block receives their number (0 for "").
    Status write(const std::string &data, uint32_t &block);
    Status sync();
    uint32_t blockSize() const { return blockSize_; }
    // Whether open() found the header's next-free pointer out of step with
    // the file's length and took the end of the file instead (the header
    // itself is put right by the next write).
    bool headerRepaired() const { return repaired_; }

private:
    File file_;
    uint32_t blockSize_ = kDefaultBlockSize;
    uint32_t nextFree_ = 0;
    uint64_t size_ = 0;
    bool repaired_ = false;
};

} // namespace qln::records
