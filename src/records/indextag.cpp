#include "records/indextag.h"

#include <algorithm>

namespace qln::records {

Status IndexTag::compile(const std::vector<FieldDesc> &fields)
{
    if (Status s = Expression::compile(keyText, fields, key_); !s.isOk())
        return s;
    cond_ = Expression();
    if (condText.find_first_not_of(' ') != std::string::npos) {
        if (Status s = Expression::compile(condText, fields, cond_); !s.isOk())
            return s;
        if (cond_.kind() != Value::Kind::Logical)
            return Status::invalid("tag condition \"" + condText + "\" is not logical");
    }
    return Status::ok();
}

bool IndexTag::keyFor(const char *record, std::string &key) const
{
    if (cond_.valid() && !cond_.test(record))
        return false;
    key = key_.key(record);
    return true;
}

Status IndexTag::build(DbfFile &dbf)
{
    std::vector<IndexEntry> all;
    all.reserve(dbf.recCount());
    std::string k;
    for (uint32_t n = 1; n <= dbf.recCount(); ++n) {
        const char *r = dbf.record(n);
        if (!r)
            return Status::ioError("cannot read " + dbf.path());
        if (keyFor(r, k))
            all.push_back({std::move(k), n});
    }
    std::sort(all.begin(), all.end());
    adopt(std::move(all));
    return Status::ok();
}

void IndexTag::touch()
{
    static uint64_t counter = 0;   // engine state is single-threaded
    version_ = ++counter;
}

void IndexTag::add(std::string key, uint32_t recno)
{
    pending_.push_back({std::move(key), recno});
    touch();
}

void IndexTag::remove(const std::string &key, uint32_t recno)
{
    touch();
    IndexEntry e{key, recno};
    for (auto it = std::lower_bound(sorted_.begin(), sorted_.end(), e); it != sorted_.end() && *it == e; ++it) {
        const size_t i = size_t(it - sorted_.begin());
        if (removed_.empty())
            removed_.assign(sorted_.size(), 0);
        if (!removed_[i]) {
            removed_[i] = 1;
            ++removedCount_;
            return;
        }
    }
    auto p = std::find(pending_.begin(), pending_.end(), e);
    if (p != pending_.end())
        pending_.erase(p);
}

const std::vector<IndexEntry> &IndexTag::entries()
{
    if (removedCount_ > 0) {
        size_t out = 0;
        for (size_t i = 0; i < sorted_.size(); ++i) {
            if (removed_[i])
                continue;
            if (out != i)
                sorted_[out] = std::move(sorted_[i]);
            ++out;
        }
        sorted_.resize(out);
    }
    dropRemoved();
    if (!pending_.empty()) {
        std::sort(pending_.begin(), pending_.end());
        size_t mid = sorted_.size();
        sorted_.insert(sorted_.end(), std::make_move_iterator(pending_.begin()),
                       std::make_move_iterator(pending_.end()));
        pending_.clear();
        std::inplace_merge(sorted_.begin(), sorted_.begin() + long(mid), sorted_.end());
    }
    return sorted_;
}

} // namespace qln::records
