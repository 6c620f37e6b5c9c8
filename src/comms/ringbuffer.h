// Fixed-size byte ring with a head (next write), a tail (next read) and a
// "full" flag that tells a full ring from an empty one when head == tail.
// Used for the dispatcher's input ring (8192 bytes) and output ring (OutSize).
//
// Not thread-safe: the dispatcher guards each ring with its own lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qln {

class ByteRing {
public:
    explicit ByteRing(size_t capacity = 0);

    void resize(size_t capacity); // also empties the ring
    void clear();                 // tail := head, full flag off

    size_t capacity() const { return buf_.size(); }
    size_t count() const;
    size_t freeSpace() const { return capacity() - count(); }
    bool full() const { return full_; }
    bool empty() const { return count() == 0; }
    size_t head() const { return head_; }
    size_t tail() const { return tail_; }

    // Appends all of data, or nothing when it does not fit; returns whether it
    // was stored. Filling the ring exactly sets the full flag.
    bool put(const uint8_t *data, size_t len);
    // Byte at offset from the tail (0 = next); offset must be < count().
    uint8_t at(size_t offset) const;
    // Copies up to len bytes starting at offset from the tail without
    // consuming them; returns the number copied.
    size_t copyOut(size_t offset, uint8_t *dst, size_t len) const;
    // Consumes n bytes (n <= count()).
    void advance(size_t n);

    // The contiguous writable span at the head (for reads from a device).
    uint8_t *writeSpan(size_t &len);
    void commitWrite(size_t n);
    // The contiguous readable span at the tail (for writes to a device).
    const uint8_t *readSpan(size_t &len) const;

private:
    std::vector<uint8_t> buf_;
    size_t head_ = 0;
    size_t tail_ = 0;
    bool full_ = false;
};

} // namespace qln
