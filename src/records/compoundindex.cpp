#include "records/compoundindex.h"

#include "records/crc32.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace qln::records {

namespace {

constexpr char kMagic[8] = {'Q', 'L', 'N', 'C', 'D', 'X', '0', '1'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 64;

void putLE64(unsigned char *p, uint64_t v)
{
    putLE32(p, uint32_t(v));
    putLE32(p + 4, uint32_t(v >> 32));
}
uint64_t getLE64(const unsigned char *p) { return uint64_t(getLE32(p)) | uint64_t(getLE32(p + 4)) << 32; }

void appendLE16(std::string &s, uint16_t v)
{
    unsigned char b[2];
    putLE16(b, v);
    s.append(reinterpret_cast<char *>(b), 2);
}
void appendLE32(std::string &s, uint32_t v)
{
    unsigned char b[4];
    putLE32(b, v);
    s.append(reinterpret_cast<char *>(b), 4);
}
void appendLE64(std::string &s, uint64_t v)
{
    unsigned char b[8];
    putLE64(b, v);
    s.append(reinterpret_cast<char *>(b), 8);
}

// Bounds-checked reader over a byte range.
struct Reader {
    const unsigned char *p;
    size_t len, pos = 0;
    bool ok = true;
    bool need(size_t n)
    {
        if (!ok || len - pos < n)
            ok = false;
        return ok;
    }
    uint16_t u16() { return need(2) ? (pos += 2, getLE16(p + pos - 2)) : 0; }
    uint32_t u32() { return need(4) ? (pos += 4, getLE32(p + pos - 4)) : 0; }
    uint64_t u64() { return need(8) ? (pos += 8, getLE64(p + pos - 8)) : 0; }
    std::string str()
    {
        uint16_t n = u16();
        if (!need(n))
            return {};
        pos += n;
        return std::string(reinterpret_cast<const char *>(p + pos - n), n);
    }
};

} // namespace

Status CompoundIndex::parseDirectory(const std::string &image, std::vector<std::unique_ptr<IndexTag>> &tags,
                                     uint32_t &generation, uint32_t &count, uint64_t &size, int64_t &mtime,
                                     std::vector<std::pair<uint64_t, uint64_t>> &bodies,
                                     std::vector<std::pair<uint32_t, uint32_t>> &countsCrcs, uint64_t fileSize)
{
    if (image.size() < kHeaderSize || std::memcmp(image.data(), kMagic, 8) != 0)
        return Status::corruption("not a Quillon index file");
    auto h = reinterpret_cast<const unsigned char *>(image.data());
    if (crc32(0, h, 60) != getLE32(h + 60))
        return Status::corruption("index header checksum mismatch");
    if (getLE32(h + 8) != kVersion)
        return Status::corruption("unknown index format version");
    uint32_t tagCount = getLE32(h + 12);
    generation = getLE32(h + 16);
    count = getLE32(h + 20);
    size = getLE64(h + 24);
    mtime = int64_t(getLE64(h + 32));
    uint32_t dirLen = getLE32(h + 40);
    if (tagCount > 1000 || dirLen > image.size() - kHeaderSize)
        return Status::corruption("index directory out of range");
    if (crc32(0, h + kHeaderSize, dirLen) != getLE32(h + 44))
        return Status::corruption("index directory checksum mismatch");
    Reader r{h + kHeaderSize, dirLen};
    tags.clear();
    bodies.clear();
    countsCrcs.clear();
    for (uint32_t i = 0; i < tagCount; ++i) {
        auto t = std::make_unique<IndexTag>();
        t->name = r.str();
        t->keyText = r.str();
        t->condText = r.str();
        uint8_t flags = r.need(1) ? h[kHeaderSize + r.pos++] : 0;
        t->descending = flags & 1;
        uint64_t off = r.u64(), len = r.u64();
        uint32_t entries = r.u32(), crc = r.u32();
        if (!r.ok)
            return Status::corruption("index directory truncated");
        if (t->name.empty() || off < kHeaderSize + dirLen || off > fileSize || len > fileSize - off)
            return Status::corruption("index tag " + t->name + " out of range");
        bodies.emplace_back(off, len);
        countsCrcs.emplace_back(entries, crc);
        tags.push_back(std::move(t));
    }
    if (r.pos != dirLen)
        return Status::corruption("index directory has trailing bytes");
    return Status::ok();
}

Status CompoundIndex::parseBody(const char *p, size_t len, uint32_t entries, uint32_t recCount,
                                std::vector<IndexEntry> &out)
{
    out.clear();
    if (entries > recCount || entries > len / 6)
        return Status::corruption("index entry count out of range");
    out.reserve(entries);
    Reader r{reinterpret_cast<const unsigned char *>(p), len};
    for (uint32_t i = 0; i < entries; ++i) {
        IndexEntry e;
        e.key = r.str();
        e.recno = r.u32();
        if (!r.ok)
            return Status::corruption("index body truncated");
        if (e.recno < 1 || e.recno > recCount)
            return Status::corruption("index entry points past the table");
        if (!out.empty() && !(out.back() < e))
            return Status::corruption("index entries out of order");
        out.push_back(std::move(e));
    }
    if (r.pos != len)
        return Status::corruption("index body has trailing bytes");
    return Status::ok();
}

Status CompoundIndex::open(const std::string &path, DbfFile &dbf)
{
    close();
    path_ = path;
    dbf_ = &dbf;
    Status s = file_.open(path, false);
    if (s.isNotFound())
        return Status::ok();
    if (!s.isOk())
        return s;
    uint64_t fileSize = 0;
    std::string image;
    s = file_.size(fileSize);
    if (s.isOk()) {
        // Header and directory only; bodies are read when a tag is used.
        image.resize(std::min<uint64_t>(fileSize, kHeaderSize));
        s = file_.readAt(0, image.data(), image.size());
        if (s.isOk() && image.size() == kHeaderSize) {
            uint32_t dirLen = getLE32(reinterpret_cast<const unsigned char *>(image.data()) + 40);
            if (dirLen <= fileSize - kHeaderSize) {
                image.resize(kHeaderSize + dirLen);
                s = file_.readAt(kHeaderSize, image.data() + kHeaderSize, dirLen);
            }
        }
    }
    uint32_t gen = 0, count = 0;
    uint64_t size = 0;
    int64_t mtime = 0;
    if (s.isOk())
        s = parseDirectory(image, tags_, gen, count, size, mtime, bodies_, countsCrcs_, fileSize);
    for (auto &t : tags_) {
        if (s.isOk())
            s = t->compile(dbf.fields());
    }
    if (!s.isOk()) {
        tags_.clear();
        bodies_.clear();
        countsCrcs_.clear();
        file_.close();
        return Status::corruption(path + ": " + s.message());
    }
    loaded_.assign(tags_.size(), false);
    uint64_t dsize = 0;
    int64_t dmtime = 0;
    Status fs = dbf.fingerprint(dsize, dmtime);
    stale_ = !fs.isOk() || gen != dbf.generation() || count != dbf.recCount() || size != dsize || mtime != dmtime;
    return Status::ok();
}

void CompoundIndex::close()
{
    file_.close();
    tags_.clear();
    loaded_.clear();
    bodies_.clear();
    countsCrcs_.clear();
    cache_.clear();
    stale_ = dirty_ = false;
    dbf_ = nullptr;
}

Status CompoundIndex::loadTag(size_t i)
{
    if (loaded_[i])
        return Status::ok();
    IndexTag &t = *tags_[i];
    Status s = Status::corruption("stale");
    if (!stale_ && file_.isOpen()) {
        std::string body(bodies_[i].second, '\0');
        s = file_.readAt(bodies_[i].first, body.data(), body.size());
        if (s.isOk() && crc32(0, body.data(), body.size()) != countsCrcs_[i].second)
            s = Status::corruption("index body checksum mismatch");
        std::vector<IndexEntry> entries;
        if (s.isOk())
            s = parseBody(body.data(), body.size(), countsCrcs_[i].first, dbf_->recCount(), entries);
        if (s.isOk())
            t.adopt(std::move(entries));
    }
    if (!s.isOk()) {
        // Keys cannot be trusted: rebuild them from the table.
        if (Status b = t.build(*dbf_); !b.isOk())
            return b;
        dirty_ = true;
    }
    loaded_[i] = true;
    return Status::ok();
}

IndexTag *CompoundIndex::tag(int order)
{
    if (order < 1 || order > int(tags_.size()))
        return nullptr;
    if (!loadTag(size_t(order - 1)).isOk())
        return nullptr;
    return tags_[size_t(order - 1)].get();
}

int CompoundIndex::find(const std::string &name) const
{
    std::string up = name;
    for (char &c : up)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    for (size_t i = 0; i < tags_.size(); ++i)
        if (tags_[i]->name == up)
            return int(i + 1);
    return 0;
}

Status CompoundIndex::loadAll()
{
    for (size_t i = 0; i < tags_.size(); ++i)
        if (Status s = loadTag(i); !s.isOk())
            return s;
    return Status::ok();
}

Status CompoundIndex::addTag(std::unique_ptr<IndexTag> t)
{
    if (Status s = loadAll(); !s.isOk())
        return s;
    if (Status s = t->build(*dbf_); !s.isOk())
        return s;
    int existing = find(t->name);
    if (existing) {
        tags_[size_t(existing - 1)] = std::move(t);
    } else {
        tags_.push_back(std::move(t));
        loaded_.push_back(true);
        bodies_.emplace_back(0, 0);
        countsCrcs_.emplace_back(0, 0);
    }
    dirty_ = true;
    return Status::ok();
}

Status CompoundIndex::save()
{
    if (!dirty_ || path_.empty())
        return Status::ok();
    if (Status s = loadAll(); !s.isOk())
        return s;
    // Bodies of tags unchanged since the last save are reused as written.
    std::string dir;
    cache_.resize(tags_.size());
    for (size_t i = 0; i < tags_.size(); ++i) {
        auto &t = *tags_[i];
        const auto &entries = t.entries();
        CachedBody &c = cache_[i];
        if (c.version == t.version() && c.version != 0)
            continue;
        std::string &b = c.bytes;
        b.clear();
        size_t bytes = 0;
        for (const auto &e : entries)
            bytes += 6 + e.key.size();
        b.reserve(bytes);
        for (const auto &e : entries) {
            appendLE16(b, uint16_t(std::min<size_t>(e.key.size(), 0xFFFF)));
            b.append(e.key, 0, 0xFFFF);
            appendLE32(b, e.recno);
        }
        c.crc = crc32(0, b.data(), b.size());
        c.version = t.version();
    }
    // Directory size first, to place the bodies after it.
    size_t dirLen = 0;
    for (auto &t : tags_)
        dirLen += 6 + t->name.size() + t->keyText.size() + t->condText.size() + 1 + 8 + 8 + 4 + 4;
    uint64_t off = kHeaderSize + dirLen;
    std::vector<std::pair<uint64_t, uint64_t>> newBodies;
    std::vector<std::pair<uint32_t, uint32_t>> newCounts;
    for (size_t i = 0; i < tags_.size(); ++i) {
        auto &t = *tags_[i];
        const auto &b = cache_[i].bytes;
        uint32_t crc = cache_[i].crc;
        appendLE16(dir, uint16_t(t.name.size()));
        dir += t.name;
        appendLE16(dir, uint16_t(t.keyText.size()));
        dir += t.keyText;
        appendLE16(dir, uint16_t(t.condText.size()));
        dir += t.condText;
        dir.push_back(char(t.descending ? 1 : 0));
        appendLE64(dir, off);
        appendLE64(dir, b.size());
        appendLE32(dir, uint32_t(t.entries().size()));
        appendLE32(dir, crc);
        newBodies.emplace_back(off, b.size());
        newCounts.emplace_back(uint32_t(t.entries().size()), crc);
        off += b.size();
    }
    uint64_t dsize = 0;
    int64_t dmtime = 0;
    if (Status s = dbf_->fingerprint(dsize, dmtime); !s.isOk())
        return s;
    std::string image(kHeaderSize, '\0');
    auto h = reinterpret_cast<unsigned char *>(image.data());
    std::memcpy(h, kMagic, 8);
    putLE32(h + 8, kVersion);
    putLE32(h + 12, uint32_t(tags_.size()));
    putLE32(h + 16, dbf_->generation());
    putLE32(h + 20, dbf_->recCount());
    putLE64(h + 24, dsize);
    putLE64(h + 32, uint64_t(dmtime));
    putLE32(h + 40, uint32_t(dir.size()));
    putLE32(h + 44, crc32(0, dir.data(), dir.size()));
    putLE32(h + 60, crc32(0, h, 60));
    image += dir;
    std::vector<const std::string *> parts{&image};
    for (auto &c : cache_)
        parts.push_back(&c.bytes);
    if (Status s = writeFileAtomically(path_, parts); !s.isOk())
        return s;
    file_.close();
    if (Status s = file_.open(path_, false); !s.isOk())
        return s;
    bodies_ = std::move(newBodies);
    countsCrcs_ = std::move(newCounts);
    stale_ = false;
    dirty_ = false;
    return Status::ok();
}

} // namespace qln::records
