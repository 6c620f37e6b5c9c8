#include "records/dbffile.h"

#include "records/filelock.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <cstdio>
#include <strings.h>
#include <sys/mman.h>

namespace qln::records {

namespace {

constexpr int kFieldDescSize = 32;
constexpr int kMaxFields = 255;
constexpr unsigned char kEofMarker = 0x1A;
constexpr unsigned char kHeaderEnd = 0x0D;
constexpr int kGenerationOffset = 20;

bool knownVersion(uint8_t v)
{
    switch (v) {
    case 0x02: case 0x03: case 0x06: case 0x83: case 0x86: case 0x8B:
    case 0xF5: case 0xF6: case 0xE5: case 0xE6: case 0x30: case 0x31:
        return true;
    default:
        return false;
    }
}

bool validName(const std::string &n)
{
    if (n.empty() || n.size() > 10 || !(std::isalpha(static_cast<unsigned char>(n[0])) || n[0] == '_'))
        return false;
    return std::all_of(n.begin(), n.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

Status checkField(const FieldDesc &f)
{
    if (!validName(f.name))
        return Status::invalid("bad field name \"" + f.name + "\"");
    int w = f.width;
    switch (f.type) {
    case 'C': if (w < 1 || w > 254) return Status::invalid("bad width of " + f.name); break;
    case 'D': if (w != 8) return Status::invalid("bad width of " + f.name); break;
    case 'L': if (w != 1) return Status::invalid("bad width of " + f.name); break;
    case 'N': case 'F':
        if (w < 1 || w > 20 || f.decimals < 0 || f.decimals > 18 || (f.decimals > 0 && f.decimals > w - 2))
            return Status::invalid("bad width of " + f.name);
        break;
    case 'M': if (w != 10 && w != 4) return Status::invalid("bad width of " + f.name); break;
    default:
        // Other letters (from other programs) are stored as raw text.
        if (!std::isupper(static_cast<unsigned char>(f.type)) || w < 1 || w > 254)
            return Status::invalid("bad type of " + f.name);
    }
    return Status::ok();
}

void stampDate(unsigned char *h)
{
    std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    h[1] = uint8_t(tm.tm_year);
    h[2] = uint8_t(tm.tm_mon + 1);
    h[3] = uint8_t(tm.tm_mday);
}

} // namespace

DbfFile::~DbfFile() { close(); }

bool DbfFile::hasMemoFields() const
{
    return std::any_of(fields_.begin(), fields_.end(), [](const FieldDesc &f) { return f.type == 'M'; });
}

int DbfFile::fieldIndex(const std::string &name) const
{
    for (size_t i = 0; i < fields_.size(); ++i)
        if (::strcasecmp(fields_[i].name.c_str(), name.c_str()) == 0)
            return int(i);
    return -1;
}

Status DbfFile::validateFields(std::vector<FieldDesc> &fields)
{
    if (fields.empty() || fields.size() > kMaxFields)
        return Status::invalid("a table needs 1 to 255 fields");
    int offset = 1;
    for (size_t i = 0; i < fields.size(); ++i) {
        auto &f = fields[i];
        for (char &c : f.name)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        if (Status s = checkField(f); !s.isOk())
            return s;
        for (size_t j = 0; j < i; ++j)
            if (fields[j].name == f.name)
                return Status::invalid("duplicate field " + f.name);
        f.offset = offset;
        offset += f.width;
    }
    if (offset > 65535)
        return Status::invalid("record too long");
    return Status::ok();
}

Status DbfFile::create(const std::string &path, std::vector<FieldDesc> fields)
{
    if (Status s = validateFields(fields); !s.isOk())
        return s;
    bool memo = std::any_of(fields.begin(), fields.end(), [](const FieldDesc &f) { return f.type == 'M'; });
    const int headerSize = 32 + kFieldDescSize * int(fields.size()) + 1;
    int recSize = 1;
    for (auto &f : fields)
        recSize += f.width;
    std::string out(size_t(headerSize) + 1, '\0');
    auto h = reinterpret_cast<unsigned char *>(out.data());
    h[0] = memo ? kFoxProMemo : kPlain;
    stampDate(h);
    putLE32(h + 4, 0);
    putLE16(h + 8, uint16_t(headerSize));
    putLE16(h + 10, uint16_t(recSize));
    h[29] = 0x03;  // code page: Windows ANSI
    for (size_t i = 0; i < fields.size(); ++i) {
        unsigned char *d = h + 32 + kFieldDescSize * i;
        std::memcpy(d, fields[i].name.data(), fields[i].name.size());
        d[11] = uint8_t(fields[i].type);
        putLE32(d + 12, uint32_t(fields[i].offset));
        d[16] = uint8_t(fields[i].width);
        d[17] = uint8_t(fields[i].decimals);
    }
    h[headerSize - 1] = kHeaderEnd;
    h[headerSize] = kEofMarker;
    return writeFileAtomically(path, out);
}

Status DbfFile::parseHeader(const std::vector<unsigned char> &h, uint64_t fileSize)
{
    version_ = h[0];
    if (!knownVersion(version_))
        return Status::corruption(file_.path() + ": not a DBF file");
    uint32_t count = getLE32(&h[4]);
    headerSize_ = getLE16(&h[8]);
    recSize_ = getLE16(&h[10]);
    generation_ = getLE32(&h[kGenerationOffset]);
    if (headerSize_ < 32 + kFieldDescSize + 1 || uint64_t(headerSize_) > fileSize)
        return Status::corruption(file_.path() + ": bad header length");
    if (recSize_ < 2)
        return Status::corruption(file_.path() + ": bad record length");
    fields_.clear();
    int offset = 1;
    size_t pos = 32;
    while (true) {
        if (pos >= size_t(headerSize_))
            return Status::corruption(file_.path() + ": field list not terminated");
        if (h[pos] == kHeaderEnd)
            break;
        if (pos + kFieldDescSize > size_t(headerSize_))
            return Status::corruption(file_.path() + ": field list not terminated");
        const unsigned char *d = &h[pos];
        FieldDesc f;
        size_t n = 0;
        while (n < 11 && d[n] != 0)
            ++n;
        f.name.assign(reinterpret_cast<const char *>(d), n);
        for (char &c : f.name)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        f.type = char(d[11]);
        f.width = d[16];
        f.decimals = d[17];
        if (f.type == 'C' && f.decimals > 0)   // Clipper's long character fields
            f.width += 256 * f.decimals, f.decimals = 0;
        f.offset = offset;
        if (Status s = checkField(f); !s.isOk() && !(f.type == 'C' && f.width <= 65000 && validName(f.name)))
            return Status::corruption(file_.path() + ": " + s.message());
        offset += f.width;
        fields_.push_back(std::move(f));
        pos += kFieldDescSize;
        if (fields_.size() > kMaxFields)
            return Status::corruption(file_.path() + ": too many fields");
    }
    if (fields_.empty())
        return Status::corruption(file_.path() + ": no fields");
    if (offset != recSize_)
        return Status::corruption(file_.path() + ": record length disagrees with fields");
    // Reconcile the count with the file length: a record only partly on
    // disk (torn append) does not count.
    uint64_t whole = (fileSize - uint64_t(headerSize_)) / uint64_t(recSize_);
    count_ = uint32_t(std::min<uint64_t>(count, whole));
    headerCount_ = count;
    fileRows_ = uint32_t(std::min<uint64_t>(whole, 0xFFFFFFFFu));
    damage_.clear();
    if (whole != count)
        damage_ = file_.path() + " is damaged: its header counts " + std::to_string(count) +
                  " rows but the file holds " + std::to_string(whole);
    return Status::ok();
}

Status DbfFile::open(const std::string &path, bool writable, bool exclusive)
{
    close();
    if (Status s = file_.open(path, writable); !s.isOk())
        return s;
    if (exclusive) {
        if (Status s = file_.lockExclusive(tableLockWaitMs()); !s.isOk()) {
            file_.close();
            return s;
        }
    }
    writable_ = writable;
    uint64_t size = 0;
    Status s = file_.size(size);
    if (s.isOk() && size < 32 + kFieldDescSize + 1)
        s = Status::corruption(path + ": file too short for a DBF header");
    if (s.isOk()) {
        std::vector<unsigned char> fixed(32);
        s = file_.readAt(0, fixed.data(), 32);
        if (s.isOk()) {
            uint32_t hs = getLE16(&fixed[8]);
            if (hs < 32 + kFieldDescSize + 1 || hs > size)
                s = Status::corruption(path + ": bad header length");
            else {
                header_.assign(hs, 0);
                s = file_.readAt(0, header_.data(), hs);
            }
        }
        if (s.isOk())
            s = parseHeader(header_, size);
    }
    if (s.isOk() && writable && !damage_.empty())
        s = Status::corruption(damage_ + "; it was left as it is");
    if (s.isOk())
        s = remap();
    if (!s.isOk())
        close();
    return s;
}

void DbfFile::unmap()
{
    if (map_)
        ::munmap(const_cast<char *>(map_), mapLen_);
    map_ = nullptr;
    mapLen_ = 0;
}

Status DbfFile::remap()
{
    unmap();
    uint64_t size = 0;
    if (Status s = file_.size(size); !s.isOk())
        return s;
    if (size == 0)
        return Status::ok();
    void *p = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, file_.fd(), 0);
    if (p == MAP_FAILED)
        return Status::ioError("cannot map " + file_.path());
    map_ = static_cast<const char *>(p);
    mapLen_ = size;
    return Status::ok();
}

void DbfFile::close()
{
    unmap();
    file_.close();
    fields_.clear();
    count_ = headerCount_ = fileRows_ = 0;
    damage_.clear();
}

const char *DbfFile::record(uint32_t n)
{
    if (n < 1 || n > count_)
        return nullptr;
    uint64_t off = uint64_t(headerSize_) + uint64_t(n - 1) * uint64_t(recSize_);
    if (off + uint64_t(recSize_) > mapLen_) {
        if (!remap().isOk() || off + uint64_t(recSize_) > mapLen_)
            return nullptr;
    }
    return map_ + off;
}

Status DbfFile::write(uint32_t n, const char *image)
{
    if (!writable_)
        return Status::invalid(file_.path() + " is open read-only");
    if (n < 1 || n > count_ + 1)
        return Status::invalid("record number out of range");
    uint64_t off = uint64_t(headerSize_) + uint64_t(n - 1) * uint64_t(recSize_);
    if (n == count_ + 1) {
        // Record and end-of-file marker in one write; the header follows.
        std::string buf(image, size_t(recSize_));
        buf.push_back(char(kEofMarker));
        if (Status s = file_.writeAt(off, buf.data(), buf.size()); !s.isOk())
            return s;
        ++count_;
        return writeHeader();
    }
    return file_.writeAt(off, image, size_t(recSize_));
}

Status DbfFile::removeLast()
{
    if (!writable_)
        return Status::invalid(file_.path() + " is open read-only");
    if (count_ == 0)
        return Status::invalid("no record to take back");
    const uint64_t off = uint64_t(headerSize_) + uint64_t(count_ - 1) * uint64_t(recSize_);
    const char eof = char(kEofMarker);
    if (Status s = file_.writeAt(off, &eof, 1); !s.isOk())
        return s;
    if (Status s = file_.truncate(off + 1); !s.isOk())
        return s;
    --count_;
    fileRows_ = count_;
    headerCount_ = count_;
    if (Status s = writeHeader(); !s.isOk())
        return s;
    return remap();
}

Status DbfFile::writeHeader()
{
    unsigned char h[32];
    std::memcpy(h, header_.data(), 32);
    stampDate(h);
    putLE32(h + 4, count_);
    putLE32(h + kGenerationOffset, generation_);
    std::memcpy(header_.data(), h, 32);
    return file_.writeAt(0, h, 32);
}

Status DbfFile::bumpGeneration()
{
    ++generation_;
    if (Status s = writeHeader(); !s.isOk())
        return s;
    return file_.sync();
}

Status DbfFile::commit()
{
    if (!writable_)
        return Status::ok();
    if (Status s = writeHeader(); !s.isOk())
        return s;
    return file_.sync();
}

Status DbfFile::fingerprint(uint64_t &size, int64_t &mtimeNs) const
{
    if (Status s = file_.size(size); !s.isOk())
        return s;
    return file_.mtimeNs(mtimeNs);
}

Status DbfFile::writePacked(const std::string &tmpPath, const std::function<Status(std::string &)> &fix)
{
    if (!writable_)
        return Status::invalid(file_.path() + " is open read-only");
    File out;
    if (Status s = out.create(tmpPath); !s.isOk())
        return s;
    std::string head(reinterpret_cast<const char *>(header_.data()), header_.size());
    uint64_t off = head.size();
    uint32_t kept = 0;
    std::string chunk, image;
    Status s;
    for (uint32_t n = 1; n <= count_ && s.isOk(); ++n) {
        const char *r = record(n);
        if (!r) {
            s = Status::ioError("cannot read " + file_.path());
            break;
        }
        if (r[0] == '*')
            continue;
        image.assign(r, size_t(recSize_));
        if (fix)
            s = fix(image);
        chunk += image;
        ++kept;
        if (chunk.size() >= (1u << 20)) {
            if (s.isOk())
                s = out.writeAt(off, chunk.data(), chunk.size());
            off += chunk.size();
            chunk.clear();
        }
    }
    chunk.push_back(char(kEofMarker));
    if (s.isOk())
        s = out.writeAt(off, chunk.data(), chunk.size());
    auto h = reinterpret_cast<unsigned char *>(head.data());
    stampDate(h);
    putLE32(h + 4, kept);
    putLE32(h + kGenerationOffset, generation_ + 1);
    if (s.isOk())
        s = out.writeAt(0, head.data(), head.size());
    if (s.isOk())
        s = out.sync();
    out.close();
    if (!s.isOk())
        removeFile(tmpPath);
    return s;
}

Status DbfFile::pack()
{
    const std::string path = file_.path();
    const std::string tmp = path + ".tmp";
    if (Status s = writePacked(tmp, nullptr); !s.isOk())
        return s;
    // The lock belongs to the open file; the replacement is locked again
    // right after the rename.
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        removeFile(tmp);
        return Status::ioError("cannot replace " + path);
    }
    if (Status s = syncDirectoryOf(path); !s.isOk())
        return s;
    return open(path, true, true);
}

} // namespace qln::records
