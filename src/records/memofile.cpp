#include "records/memofile.h"

#include <algorithm>
#include <cstring>

namespace qln::records {

namespace {
uint32_t getBE32(const unsigned char *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}
void putBE32(unsigned char *p, uint32_t v)
{
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}
constexpr uint32_t kTextMemo = 1;
constexpr uint64_t kMaxMemo = 256u * 1024 * 1024;  // larger lengths are damage
} // namespace

Status MemoFile::create(const std::string &path, uint32_t blockSize)
{
    std::string h(kHeaderSize, '\0');
    auto p = reinterpret_cast<unsigned char *>(h.data());
    putBE32(p, (kHeaderSize + blockSize - 1) / blockSize);
    p[6] = uint8_t(blockSize >> 8);
    p[7] = uint8_t(blockSize);
    return writeFileAtomically(path, h);
}

Status MemoFile::open(const std::string &path, bool writable)
{
    if (Status s = file_.open(path, writable); !s.isOk())
        return s;
    unsigned char h[8];
    Status s = file_.size(size_);
    if (s.isOk() && size_ < kHeaderSize)
        s = Status::corruption(path + ": memo file header truncated");
    if (s.isOk())
        s = file_.readAt(0, h, 8);
    if (s.isOk()) {
        nextFree_ = getBE32(h);
        blockSize_ = uint32_t(h[6]) << 8 | h[7];
        if (blockSize_ == 0)
            s = Status::corruption(path + ": memo block size 0");
    }
    if (!s.isOk()) {
        file_.close();
        return s;
    }
    // Reconcile the free pointer with the file: never hand out blocks inside
    // the header or inside the blocks the file already holds. A pointer
    // below the end (a lost header update) would put the next memo over the
    // memos of existing rows; a pointer past the end only wastes space, so
    // both become the end of the file, rounded up to a whole block.
    const uint64_t firstFree = (kHeaderSize + blockSize_ - 1) / blockSize_;
    const uint64_t endBlock = std::max(firstFree, (size_ + blockSize_ - 1) / blockSize_);
    repaired_ = nextFree_ != endBlock;
    if (repaired_) {
        if (endBlock > 0xFFFFFFFFu) {
            file_.close();
            return Status::corruption(path + ": memo file too large");
        }
        // Opening writes nothing; the next memo written puts the header
        // right along with it.
        nextFree_ = uint32_t(endBlock);
    }
    return Status::ok();
}

Status MemoFile::read(uint32_t block, std::string &out) const
{
    out.clear();
    if (block == 0)
        return Status::ok();
    uint64_t off = uint64_t(block) * blockSize_;
    if (off < kHeaderSize || off + 8 > size_)
        return Status::corruption(file_.path() + ": memo block " + std::to_string(block) + " past the end");
    unsigned char h[8];
    if (Status s = file_.readAt(off, h, 8); !s.isOk())
        return s;
    uint64_t len = getBE32(h + 4);
    if (len > kMaxMemo || off + 8 + len > size_)
        return Status::corruption(file_.path() + ": memo at block " + std::to_string(block) + " runs past the end");
    out.resize(len);
    return file_.readAt(off + 8, out.data(), len);
}

Status MemoFile::write(const std::string &data, uint32_t &block)
{
    block = 0;
    if (data.empty())
        return Status::ok();
    if (data.size() > kMaxMemo)
        return Status::invalid("memo too large");
    uint64_t off = uint64_t(nextFree_) * blockSize_;
    std::string buf(8, '\0');
    auto p = reinterpret_cast<unsigned char *>(buf.data());
    putBE32(p, kTextMemo);
    putBE32(p + 4, uint32_t(data.size()));
    buf += data;
    uint64_t blocks = (buf.size() + blockSize_ - 1) / blockSize_;
    if (uint64_t(nextFree_) + blocks > 0xFFFFFFFFu)
        return Status::invalid(file_.path() + " is full");
    buf.resize(blocks * blockSize_, '\0');
    if (Status s = file_.writeAt(off, buf.data(), buf.size()); !s.isOk())
        return s;
    block = nextFree_;
    nextFree_ += uint32_t(blocks);
    size_ = std::max(size_, off + buf.size());
    unsigned char h[4];
    putBE32(h, nextFree_);
    return file_.writeAt(0, h, 4);
}

Status MemoFile::sync() { return file_.sync(); }

} // namespace qln::records
