#include "comms/ringbuffer.h"

#include <algorithm>
#include <cstring>

namespace qln {

ByteRing::ByteRing(size_t capacity) : buf_(capacity) {}

void ByteRing::resize(size_t capacity)
{
    buf_.assign(capacity, 0);
    head_ = tail_ = 0;
    full_ = false;
}

void ByteRing::clear()
{
    tail_ = head_;
    full_ = false;
}

size_t ByteRing::count() const
{
    if (full_)
        return buf_.size();
    return head_ >= tail_ ? head_ - tail_ : buf_.size() - tail_ + head_;
}

bool ByteRing::put(const uint8_t *data, size_t len)
{
    if (len > freeSpace())
        return false;
    if (len == 0)
        return true;
    size_t first = std::min(len, buf_.size() - head_);
    std::memcpy(buf_.data() + head_, data, first);
    std::memcpy(buf_.data(), data + first, len - first);
    head_ = (head_ + len) % buf_.size();
    if (head_ == tail_)
        full_ = true;
    return true;
}

uint8_t ByteRing::at(size_t offset) const
{
    return buf_[(tail_ + offset) % buf_.size()];
}

size_t ByteRing::copyOut(size_t offset, uint8_t *dst, size_t len) const
{
    size_t n = count();
    if (offset >= n)
        return 0;
    len = std::min(len, n - offset);
    size_t start = (tail_ + offset) % buf_.size();
    size_t first = std::min(len, buf_.size() - start);
    std::memcpy(dst, buf_.data() + start, first);
    std::memcpy(dst + first, buf_.data(), len - first);
    return len;
}

void ByteRing::advance(size_t n)
{
    if (n == 0 || buf_.empty())
        return;
    n = std::min(n, count());
    tail_ = (tail_ + n) % buf_.size();
    full_ = false;
}

uint8_t *ByteRing::writeSpan(size_t &len)
{
    if (full_ || buf_.empty()) {
        len = 0;
        return nullptr;
    }
    len = head_ >= tail_ ? buf_.size() - head_ : tail_ - head_;
    return buf_.data() + head_;
}

void ByteRing::commitWrite(size_t n)
{
    if (n == 0)
        return;
    head_ = (head_ + n) % buf_.size();
    if (head_ == tail_)
        full_ = true;
}

const uint8_t *ByteRing::readSpan(size_t &len) const
{
    size_t n = count();
    if (n == 0) {
        len = 0;
        return nullptr;
    }
    len = std::min(n, buf_.size() - tail_);
    return buf_.data() + tail_;
}

} // namespace qln
