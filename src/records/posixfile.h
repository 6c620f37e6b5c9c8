// Thin wrapper over a POSIX file descriptor, and the few file-system helpers
// the engine needs (atomic replacement, directory sync, existence).
//
// All operating-system I/O of the engine goes through here, so errors become
// Status values in one place. A File is used by one thread at a time.
#pragma once

#include "records/status.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qln::records {

class File {
public:
    File() = default;
    ~File();
    File(const File &) = delete;
    File &operator=(const File &) = delete;
    File(File &&o) noexcept;
    File &operator=(File &&o) noexcept;

    // Opens an existing file; `writable` asks for read-write access.
    Status open(const std::string &path, bool writable);
    // Creates (or truncates) a file for read-write access.
    Status create(const std::string &path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string &path() const { return path_; }

    // Takes an exclusive advisory lock, waiting up to waitMs milliseconds
    // while another process holds it; Busy, naming the holder when it can be
    // found, when the time runs out (see filelock.h).
    Status lockExclusive(int waitMs = 0);

    // Reads exactly len bytes at offset; a short file is a Corruption.
    Status readAt(uint64_t offset, void *buf, size_t len) const;
    Status writeAt(uint64_t offset, const void *buf, size_t len);
    Status size(uint64_t &out) const;
    Status truncate(uint64_t len);
    // fdatasync: data written so far survives a crash once this returns.
    Status sync();
    // Modification time in nanoseconds since the epoch.
    Status mtimeNs(int64_t &out) const;

private:
    int fd_ = -1;
    std::string path_;
};

bool fileExists(const std::string &path);
Status removeFile(const std::string &path);  // a missing file is not an error
// Writes data to path+".tmp", syncs it, renames it over path and syncs the
// directory, so that path holds either the old or the new content.
Status writeFileAtomically(const std::string &path, const std::string &data);
// The same for content given in pieces, written one after the other.
Status writeFileAtomically(const std::string &path, const std::vector<const std::string *> &parts);
Status syncDirectoryOf(const std::string &path);
std::string directoryOf(const std::string &path);
// Path with its extension (text after the last dot of the last component)
// replaced by `ext`; when the base name is upper-case the extension is too.
std::string withExtension(const std::string &path, const std::string &ext);
// Finds a file in its directory without regard to case; returns the actual
// path, or the given one when nothing matches.
std::string findCaseInsensitive(const std::string &path);

} // namespace qln::records
