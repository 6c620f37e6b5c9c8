#include "records/workarea.h"

#include "records/codepage.h"
#include "records/posixfile.h"
#include "records/sx.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace qln::records {

WorkArea::~WorkArea() { close(); }

Status WorkArea::open(const std::string &path, int mode, Status &indexProblem)
{
    mode_ = mode;
    const bool writable = mode != READONLY;
    if (Status s = dbf_.open(path, writable, mode == EXCLUSIVE); !s.isOk())
        return s;
    // A pack that was cut short after its journal was written is finished
    // here, under the lock, before anything is read.
    if (mode == EXCLUSIVE && fileExists(journalPath(path))) {
        dbf_.close();
        if (Status s = finishPack(path); !s.isOk())
            return s;
        if (Status s = dbf_.open(path, writable, true); !s.isOk())
            return s;
    }
    if (dbf_.hasMemoFields()) {
        std::string memoPath = findCaseInsensitive(withExtension(path, "FPT"));
        memoPath_ = memoPath;
        if (Status s = memo_.open(memoPath, writable); !s.isOk()) {
            dbf_.close();
            return s.isNotFound() ? Status::notFound("memo file " + memoPath + " is missing") : s;
        }
        memoOpen_ = true;
    }
    makeBlank();
    cdxPath_ = findCaseInsensitive(withExtension(path, "CDX"));
    if (hasProductionIndex()) {
        indexProblem = cdx_.open(cdxPath_, dbf_);
        indexOpen_ = true;
    }
    recno_ = 1;
    return goTop();
}

// A new row: blanks, with logical fields false as other xBase programs
// write them.
void WorkArea::makeBlank()
{
    blank_.assign(size_t(dbf_.recSize()), ' ');
    for (const auto &f : dbf_.fields())
        if (f.type == 'L')
            blank_[size_t(f.offset)] = 'F';
}

Status WorkArea::close()
{
    Status s = commit();
    cdx_.close();
    memo_.close();
    memoOpen_ = false;
    dbf_.close();
    indexOpen_ = false;
    return s;
}

// ---- indexes -------------------------------------------------------------

Status WorkArea::indexTag(const std::string &tag, const std::string &key, bool descending,
                          const std::string &condition, int &order)
{
    order = 0;
    if (!hasProductionIndex())
        return Status::invalid("this driver has no compound index");
    if (tag.empty() || tag.size() > 10)
        return Status::invalid("bad tag name \"" + tag + "\"");
    if (Status s = flush(); !s.isOk())
        return s;
    if (!indexOpen_) {
        cdxPath_ = findCaseInsensitive(cdxPath_);
        Status problem = cdx_.open(cdxPath_, dbf_);
        (void)problem;  // a damaged file is replaced by the save below
        indexOpen_ = true;
    }
    auto t = std::make_unique<IndexTag>();
    t->name = tag;
    for (char &c : t->name)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    t->keyText = key;
    t->condText = condition;
    t->descending = descending;
    if (Status s = t->compile(dbf_.fields()); !s.isOk())
        return s;
    std::string name = t->name;
    if (Status s = cdx_.addTag(std::move(t)); !s.isOk())
        return s;
    if (Status s = commit(); !s.isOk())
        return s;
    // As in xBase, a new tag becomes the controlling order.
    order = cdx_.find(name);
    order_ = order;
    viewValid_ = false;
    return Status::ok();
}

Status WorkArea::setOrder(int order)
{
    if (order < 0 || order > cdx_.tagCount())
        return Status::invalid("no such order");
    if (Status s = flush(); !s.isOk())
        return s;
    if (order > 0 && !cdx_.tag(order))
        return Status::ioError("cannot read tag " + std::to_string(order));
    order_ = order;
    viewValid_ = false;
    return Status::ok();
}

Status WorkArea::closeIndexes()
{
    Status s = commit();
    cdx_.close();
    indexOpen_ = false;
    order_ = 0;
    viewValid_ = false;
    return s;
}

// ---- current row ---------------------------------------------------------

const char *WorkArea::current()
{
    if (dirty_)
        return buf_.data();
    if (eof_ || recno_ < 1 || recno_ > dbf_.recCount())
        return blank_.data();
    const char *r = dbf_.record(recno_);
    return r ? r : blank_.data();
}

Status WorkArea::field(const std::string &name, const FieldDesc *&f) const
{
    int i = dbf_.fieldIndex(name);
    if (i < 0)
        return Status::invalid("no field " + name + " in " + alias_);
    f = &dbf_.fields()[size_t(i)];
    return Status::ok();
}

Status WorkArea::memoBlock(const FieldDesc &f, const char *rec, uint32_t &block)
{
    block = 0;
    if (f.width == 4) {
        block = getLE32(reinterpret_cast<const unsigned char *>(rec + f.offset));
        return Status::ok();
    }
    std::string t(rec + f.offset, size_t(f.width));
    auto b = t.find_first_not_of(' ');
    if (b == std::string::npos)
        return Status::ok();
    t = t.substr(b);
    t.erase(t.find_last_not_of(' ') + 1);
    if (t.empty() || t.size() > 10 || !std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return Status::corruption("bad memo pointer in " + f.name);
    unsigned long long v = std::stoull(t);
    if (v > 0xFFFFFFFFull)
        return Status::corruption("bad memo pointer in " + f.name);
    block = uint32_t(v);
    return Status::ok();
}

void WorkArea::putMemoBlock(const FieldDesc &f, char *rec, uint32_t block)
{
    char *dst = rec + f.offset;
    const size_t w = size_t(f.width);
    if (w == 4) {
        putLE32(reinterpret_cast<unsigned char *>(dst), block);
        return;
    }
    std::string t = block ? std::to_string(block) : std::string();
    std::memset(dst, ' ', w);
    std::memcpy(dst + w - t.size(), t.data(), t.size());
}

Status WorkArea::readMemo(const FieldDesc &f, std::string &out)
{
    out.clear();
    if (f.type != 'M')
        return Status::invalid(f.name + " is not a memo field");
    if (!memoOpen_)
        return Status::ioError("memo file is not open");
    uint32_t block = 0;
    if (Status s = memoBlock(f, current(), block); !s.isOk())
        return s;
    return memo_.read(block, out);
}

Status WorkArea::beginChange()
{
    if (mode_ == READONLY)
        return Status::invalid(alias_ + " is open read-only");
    if (eof_ && !appended_)
        return Status::invalid("no current record");
    if (!dirty_) {
        const char *r = dbf_.record(recno_);
        if (!r)
            return Status::invalid("no current record");
        buf_.assign(r, size_t(dbf_.recSize()));
        dirty_ = true;
    }
    return Status::ok();
}

Status WorkArea::writeField(const FieldDesc &f, int type, const std::string &value)
{
    char *dst = buf_.data() + f.offset;
    const size_t w = size_t(f.width);
    switch (f.type) {
    case 'M': {
        std::string data = value;
        if (type == R_BLOBFILE) {
            File in;
            uint64_t size = 0;
            Status s = in.open(value, false);
            if (s.isOk())
                s = in.size(size);
            if (s.isOk()) {
                data.assign(size, '\0');
                s = in.readAt(0, data.data(), size);
            }
            if (!s.isOk())
                return s;
        }
        if (!memoOpen_)
            return Status::ioError("memo file is not open");
        uint32_t block = 0;
        if (Status s = memo_.write(data, block); !s.isOk())
            return s;
        putMemoBlock(f, buf_.data(), block);
        return Status::ok();
    }
    case 'D': {
        std::string v = value;
        v.erase(v.find_last_not_of(' ') + 1);
        if (!v.empty())
            v = ctod(v);
        if (!v.empty() && v[0] == ' ')
            return Status::invalid("\"" + value + "\" is not a date");
        std::memset(dst, ' ', w);
        std::memcpy(dst, v.data(), v.size());
        return Status::ok();
    }
    case 'L': {
        char c = value.empty() ? 'F' : char(std::toupper(static_cast<unsigned char>(value[0] == '.' && value.size() > 1 ? value[1] : value[0])));
        dst[0] = (c == 'T' || c == 'Y' || c == '1') ? 'T' : 'F';
        return Status::ok();
    }
    case 'N': case 'F': {
        char *end = nullptr;
        double d = std::strtod(value.c_str(), &end);
        if (value.find_first_not_of(' ') == std::string::npos) {
            std::memset(dst, ' ', w);
            return Status::ok();
        }
        if (!std::isfinite(d))
            return Status::invalid("\"" + value + "\" is not a number");
        char buf[64];
        int n = std::snprintf(buf, sizeof buf, "%*.*f", f.width, f.decimals, d);
        if (n < 0 || size_t(n) > w)
            return Status::invalid("value " + value + " does not fit " + f.name);
        std::memcpy(dst, buf, w);
        return Status::ok();
    }
    default: {
        // Stored in the header's code page, one byte per character, so the
        // cut to the width never splits a character.
        const std::string ansi = toWindows1252(value);
        std::memset(dst, ' ', w);
        std::memcpy(dst, ansi.data(), std::min(w, ansi.size()));
        return Status::ok();
    }
    }
}

Status WorkArea::replace(const std::string &name, int type, const std::string &value)
{
    const FieldDesc *f = nullptr;
    if (Status s = field(name, f); !s.isOk())
        return s;
    if (Status s = beginChange(); !s.isOk())
        return s;
    return writeField(*f, type, value);
}

Status WorkArea::putRecord(const std::string &image)
{
    if (image.size() != size_t(dbf_.recSize()))
        return Status::invalid("record image has the wrong size");
    if (Status s = beginChange(); !s.isOk())
        return s;
    buf_ = image;
    return Status::ok();
}

Status WorkArea::appendBlank()
{
    if (mode_ == READONLY)
        return Status::invalid(alias_ + " is open read-only");
    if (Status s = flush(); !s.isOk())
        return s;
    buf_ = blank_;
    dirty_ = appended_ = true;
    recno_ = dbf_.recCount() + 1;
    bof_ = eof_ = false;
    return Status::ok();
}

Status WorkArea::setDeleted(bool deleted)
{
    if (Status s = beginChange(); !s.isOk())
        return s;
    buf_[0] = deleted ? '*' : ' ';
    return flush();
}

Status WorkArea::removeLastRecord(uint32_t n)
{
    if (mode_ == READONLY)
        return Status::invalid(alias_ + " is open read-only");
    discard();
    if (n == 0 || n != dbf_.recCount())
        return Status::invalid("record " + std::to_string(n) + " is not the last record of " + alias_);
    const char *r = dbf_.record(n);
    if (!r)
        return Status::ioError("cannot read record " + std::to_string(n));
    const std::string old(r, size_t(dbf_.recSize()));
    if (indexOpen_ && cdx_.tagCount() > 0) {
        if (!changeStarted_) {
            if (Status s = cdx_.loadAll(); !s.isOk())
                return s;
            if (Status s = dbf_.bumpGeneration(); !s.isOk())
                return s;
            changeStarted_ = true;
        }
        for (int i = 1; i <= cdx_.tagCount(); ++i) {
            IndexTag *t = cdx_.tag(i);
            if (!t)
                return Status::ioError("cannot read tag " + std::to_string(i));
            std::string key;
            if (t->keyFor(old.data(), key))
                t->remove(key, n);
        }
        cdx_.markDirty();
    }
    if (Status s = dbf_.removeLast(); !s.isOk())
        return s;
    dataChanged_ = true;
    if (queryBits_.size() > n)
        queryBits_.resize(n);
    viewValid_ = false;
    recno_ = dbf_.recCount() + 1;
    eof_ = true;
    return commit();
}

Status WorkArea::flush()
{
    if (!dirty_)
        return Status::ok();
    // The index on disk is about to be out of date: record that in the DBF
    // first, so that a crash before the next commit is detected on open.
    if (indexOpen_ && cdx_.tagCount() > 0 && !changeStarted_) {
        if (Status s = cdx_.loadAll(); !s.isOk())
            return s;
        if (Status s = dbf_.bumpGeneration(); !s.isOk())
            return s;
        changeStarted_ = true;
    }
    std::string old;
    if (!appended_) {
        const char *r = dbf_.record(recno_);
        if (!r)
            return Status::ioError("cannot read record " + std::to_string(recno_));
        old.assign(r, size_t(dbf_.recSize()));
    }
    if (Status s = dbf_.write(recno_, buf_.data()); !s.isOk())
        return s;
    dataChanged_ = true;
    if (indexOpen_) {
        for (int i = 1; i <= cdx_.tagCount(); ++i) {
            IndexTag *t = cdx_.tag(i);
            if (!t)
                return Status::ioError("cannot read tag " + std::to_string(i));
            std::string ko, kn;
            bool had = !appended_ && t->keyFor(old.data(), ko);
            bool has = t->keyFor(buf_.data(), kn);
            if (had && has && ko == kn)
                continue;
            if (had)
                t->remove(ko, recno_);
            if (has)
                t->add(std::move(kn), recno_);
        }
        if (cdx_.tagCount() > 0)
            cdx_.markDirty();
    }
    if (queryBitsValid_) {
        if (queryBits_.size() <= recno_)
            queryBits_.resize(size_t(recno_) + 1, 0);
        queryBits_[recno_] = query_.test(buf_.data());
    }
    dirty_ = appended_ = false;
    viewValid_ = false;
    return Status::ok();
}

Status WorkArea::commit()
{
    if (!dbf_.isOpen())
        return Status::ok();
    if (Status s = flush(); !s.isOk())
        return s;
    if (mode_ == READONLY)
        return Status::ok();
    if (!changeStarted_ && !cdx_.dirty() && !dataChanged_)
        return Status::ok();
    if (dataChanged_ || changeStarted_) {
        if (memoOpen_) {
            if (Status s = memo_.sync(); !s.isOk())
                return s;
        }
        if (Status s = dbf_.commit(); !s.isOk())
            return s;
        dataChanged_ = false;
    }
    if (indexOpen_) {
        if (Status s = cdx_.save(); !s.isOk())
            return s;
    }
    changeStarted_ = false;
    return Status::ok();
}

std::string WorkArea::journalPath(const std::string &dbfPath) { return withExtension(dbfPath, "PAK"); }

// Completes the renames of a pack whose journal exists: the temporary files
// were complete and synced before the journal was written.
Status WorkArea::finishPack(const std::string &dbfPath)
{
    const std::string fpt = findCaseInsensitive(withExtension(dbfPath, "FPT"));
    for (const std::string &target : {fpt, dbfPath}) {
        const std::string tmp = target + ".tmp";
        if (fileExists(tmp) && ::rename(tmp.c_str(), target.c_str()) != 0)
            return Status::ioError("cannot finish the pack of " + dbfPath);
    }
    if (Status s = syncDirectoryOf(dbfPath); !s.isOk())
        return s;
    if (Status s = removeFile(journalPath(dbfPath)); !s.isOk())
        return s;
    return syncDirectoryOf(dbfPath);
}

Status WorkArea::packWithMemos()
{
    const std::string dbfPath = dbf_.path();
    const std::string fptTmp = memoPath_ + ".tmp";
    const std::string dbfTmp = dbfPath + ".tmp";
    // Live memos are copied into a new memo file, in record order.
    Status s = MemoFile::create(fptTmp, memo_.blockSize());
    MemoFile out;
    if (s.isOk())
        s = out.open(fptTmp, true);
    if (s.isOk()) {
        s = dbf_.writePacked(dbfTmp, [&](std::string &image) {
            std::string data;
            for (const auto &f : dbf_.fields()) {
                if (f.type != 'M')
                    continue;
                uint32_t block = 0;
                if (Status m = memoBlock(f, image.data(), block); !m.isOk())
                    return m;
                if (Status m = memo_.read(block, data); !m.isOk())
                    return m;
                if (Status m = out.write(data, block); !m.isOk())
                    return m;
                putMemoBlock(f, image.data(), block);
            }
            return Status::ok();
        });
    }
    if (s.isOk())
        s = out.sync();
    out.close();
    // The journal makes the two renames one step: once it exists, an open
    // finishes them.
    if (s.isOk())
        s = writeFileAtomically(journalPath(dbfPath), "pack\n");
    if (!s.isOk()) {
        removeFile(fptTmp);
        removeFile(dbfTmp);
        return s;
    }
    memo_.close();
    memoOpen_ = false;
    dbf_.close();
    if (Status f = finishPack(dbfPath); !f.isOk())
        return f;
    if (Status o = dbf_.open(dbfPath, true, true); !o.isOk())
        return o;
    if (Status o = memo_.open(memoPath_, true); !o.isOk())
        return o;
    memoOpen_ = true;
    return Status::ok();
}

Status WorkArea::pack()
{
    if (mode_ != EXCLUSIVE)
        return Status::invalid("pack needs exclusive use of " + alias_);
    if (Status s = commit(); !s.isOk())
        return s;
    if (memoOpen_) {
        if (Status s = packWithMemos(); !s.isOk())
            return s;
    } else if (Status s = dbf_.pack(); !s.isOk()) {
        return s;
    }
    makeBlank();
    queryBitsValid_ = false;
    viewValid_ = false;
    if (indexOpen_) {
        // Every record number moved: rebuild all tags from the packed table.
        if (Status s = cdx_.open(cdxPath_, dbf_); !s.isOk())
            return s;
        for (int i = 1; i <= cdx_.tagCount(); ++i)
            if (!cdx_.tag(i))
                return Status::ioError("cannot rebuild tag " + std::to_string(i));
        cdx_.markDirty();
        if (Status s = cdx_.save(); !s.isOk())
            return s;
    }
    return goTop();
}

} // namespace qln::records
