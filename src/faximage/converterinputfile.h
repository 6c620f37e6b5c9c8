// ConverterInputFile: buffered, bounded reading of a converter input file.
//
// Reads go through an 8192-byte buffer. A read that finds the file ended
// before the bytes it was asked for gives -161 ("Device read error"); open
// failures give the negated run-time error (-2 for a missing file or an empty
// name). Seeking past the end is allowed; the next read then fails.
//
// Not thread-safe; one reader owns one file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qln::fax {

class ConverterInputFile {
public:
    ConverterInputFile() = default;
    ~ConverterInputFile();
    ConverterInputFile(const ConverterInputFile &) = delete;
    ConverterInputFile &operator=(const ConverterInputFile &) = delete;

    int open(const std::string &path);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int64_t size() const { return size_; }
    int64_t position() const { return pos_; }

    int seek(int64_t pos);
    // Reads exactly n bytes, else -161.
    int read(uint8_t *dst, std::size_t n);
    // Reads up to n bytes; `got` is 0 only at the end of the file.
    int readSome(uint8_t *dst, std::size_t n, std::size_t &got);
    // Skips n bytes (without reading them when they lie past the buffer).
    int skip(int64_t n) { return seek(pos_ + n); }

    // One byte; -161 at the end of the file. Inline for the decoders' loops.
    int getByte(uint8_t &b)
    {
        if (pos_ >= bufStart_ && pos_ < bufStart_ + int64_t(bufLen_)) {
            b = buf_[pos_ - bufStart_];
            ++pos_;
            return 0;
        }
        return read(&b, 1);
    }

private:
    int fill(); // loads the buffer at pos_; 0 bytes at the end of the file

    int fd_ = -1;
    int64_t size_ = 0;
    int64_t pos_ = 0;
    int64_t bufStart_ = 0;
    std::size_t bufLen_ = 0;
    uint8_t buf_[8192];
};

} // namespace qln::fax
