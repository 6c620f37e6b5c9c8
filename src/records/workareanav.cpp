// WorkArea: the query, the list of rows navigation visits in the current
// order, and the moves over it.
#include "records/workarea.h"

#include <algorithm>

namespace qln::records {

// ---- query and view ------------------------------------------------------

Status WorkArea::setQuery(const std::string &expr)
{
    if (Status s = flush(); !s.isOk())
        return s;
    viewValid_ = false;
    queryBitsValid_ = false;
    if (expr.find_first_not_of(' ') == std::string::npos) {
        queryText_.clear();
        query_ = Expression();
        return Status::ok();
    }
    Expression e;
    if (Status s = Expression::compile(expr, dbf_.fields(), e); !s.isOk())
        return s;
    if (e.kind() != Value::Kind::Logical)
        return Status::invalid("query \"" + expr + "\" is not logical");
    query_ = std::move(e);
    queryText_ = expr;
    return Status::ok();
}

bool WorkArea::visible(uint32_t r)
{
    const char *rec = dbf_.record(r);
    if (!rec)
        return false;
    if (hideDeletedRows() && rec[0] == '*')
        return false;
    if (!query_.valid())
        return true;
    if (!queryBitsValid_)
        computeQueryBits();
    return r < queryBits_.size() && queryBits_[r];
}

// Evaluates the query on every row; returns how many rows pass it and are
// not hidden, so that counting needs one pass over the table.
long WorkArea::computeQueryBits()
{
    const uint32_t count = dbf_.recCount();
    const bool hide = hideDeletedRows();
    queryBits_.assign(size_t(count) + 1, 0);
    const int flagOnly = query_.deletedOnly();
    long passing = 0;
    for (uint32_t n = 1; n <= count; ++n) {
        const char *x = dbf_.record(n);
        if (!x)
            continue;
        bool pass = flagOnly ? (x[0] == '*') == (flagOnly > 0) : query_.test(x);
        queryBits_[n] = pass;
        passing += pass && !(hide && x[0] == '*');
    }
    queryBitsValid_ = true;
    return passing;
}

long WorkArea::queryCount()
{
    if (!flush().isOk())
        return 0;
    if (query_.valid() && !queryBitsValid_)
        return computeQueryBits();
    const bool hide = hideDeletedRows();
    long n = 0;
    for (uint32_t r = 1; r <= dbf_.recCount(); ++r) {
        const char *rec = dbf_.record(r);
        if (!rec || (hide && rec[0] == '*'))
            continue;
        n += !query_.valid() || queryBits_[r];
    }
    return n;
}

Status WorkArea::ensureView()
{
    if (Status s = flush(); !s.isOk())
        return s;
    if (viewValid_ && viewEpoch_ == deletedSettingEpoch())
        return Status::ok();
    view_.clear();
    const uint32_t count = dbf_.recCount();
    if (order_ == 0) {
        for (uint32_t r = 1; r <= count; ++r)
            if (visible(r))
                view_.push_back(r);
    } else {
        IndexTag *t = cdx_.tag(order_);
        if (!t)
            return Status::ioError("cannot read tag " + std::to_string(order_));
        const auto &entries = t->entries();
        auto take = [&](const IndexEntry &e) {
            if (e.recno <= count && visible(e.recno))
                view_.push_back(e.recno);
        };
        if (t->descending)
            std::for_each(entries.rbegin(), entries.rend(), take);
        else
            std::for_each(entries.begin(), entries.end(), take);
    }
    viewPos_.assign(size_t(count) + 2, -1);
    for (size_t i = 0; i < view_.size(); ++i)
        viewPos_[view_[i]] = int32_t(i);
    viewValid_ = true;
    viewEpoch_ = deletedSettingEpoch();
    return Status::ok();
}

long WorkArea::keyCount() { return ensureView().isOk() ? long(view_.size()) : 0; }

long WorkArea::recNoAt(long position)
{
    if (!ensureView().isOk() || position < 0 || position >= long(view_.size()))
        return 0;
    return long(view_[size_t(position)]);
}

long WorkArea::keyNo() { return eof_ ? -1 : positionOf(long(recno_)); }

long WorkArea::positionOf(long recno)
{
    if (!ensureView().isOk() || recno < 1 || size_t(recno) >= viewPos_.size())
        return -1;
    return viewPos_[size_t(recno)];
}

void WorkArea::discard()
{
    if (appended_) {
        eof_ = true;
        recno_ = dbf_.recCount() + 1;
    }
    dirty_ = appended_ = false;
}

// ---- navigation ----------------------------------------------------------

// Top and bottom look for the first visited row from either end without
// building the whole list, so opening a large table stays cheap.
Status WorkArea::goEnd(bool top)
{
    if (Status s = flush(); !s.isOk())
        return s;
    const uint32_t count = dbf_.recCount();
    uint32_t found = 0;
    if (viewValid_ && viewEpoch_ == deletedSettingEpoch()) {
        if (!view_.empty())
            found = top ? view_.front() : view_.back();
    } else if (order_ == 0) {
        if (top) {
            for (uint32_t r = 1; r <= count && !found; ++r)
                found = visible(r) ? r : 0;
        } else {
            for (uint32_t r = count; r >= 1 && !found; --r)
                found = visible(r) ? r : 0;
        }
    } else {
        IndexTag *t = cdx_.tag(order_);
        if (!t)
            return Status::ioError("cannot read tag " + std::to_string(order_));
        const auto &e = t->entries();
        const bool fromFront = top != t->descending;
        for (size_t i = 0; i < e.size() && !found; ++i) {
            uint32_t r = e[fromFront ? i : e.size() - 1 - i].recno;
            found = (r <= count && visible(r)) ? r : 0;
        }
    }
    bof_ = eof_ = found == 0;
    recno_ = found ? found : count + 1;
    return Status::ok();
}

Status WorkArea::goTop() { return goEnd(true); }
Status WorkArea::goBottom() { return goEnd(false); }

// Position of the first visited row after (forward) or the last before the
// current row when the current row itself is not visited.
long WorkArea::nearestPosition(bool forward)
{
    auto before = [&](uint32_t a, uint32_t b) {  // a before b in the current order
        if (order_ == 0)
            return a < b;
        IndexTag *t = cdx_.tag(order_);
        const char *ra = dbf_.record(a);
        const char *rb = dbf_.record(b);
        if (!t || !ra || !rb)
            return a < b;
        // The current row may have no entry (flagged deleted): place it by
        // the key it would have.
        IndexEntry ea{t->rawKey(ra), a}, eb{t->rawKey(rb), b};
        return t->descending ? eb < ea : ea < eb;
    };
    // First position whose row comes after the current row.
    long lo = 0, hi = long(view_.size());
    while (lo < hi) {
        long mid = (lo + hi) / 2;
        if (before(view_[size_t(mid)], recno_))
            lo = mid + 1;
        else
            hi = mid;
    }
    return forward ? lo : lo - 1;
}

Status WorkArea::skip(long n)
{
    if (Status s = ensureView(); !s.isOk())
        return s;
    if (view_.empty()) {
        bof_ = eof_ = true;
        recno_ = dbf_.recCount() + 1;
        return Status::ok();
    }
    long pos;
    if (eof_ || recno_ > dbf_.recCount()) {
        pos = long(view_.size()) + (n < 0 ? n : 0);
        if (n >= 0) {
            eof_ = true;
            return Status::ok();
        }
        pos = long(view_.size()) + n;
    } else if (viewPos_[recno_] >= 0) {
        pos = viewPos_[recno_] + n;
    } else if (n > 0) {
        pos = nearestPosition(true) + n - 1;
    } else if (n < 0) {
        pos = nearestPosition(false) + n + 1;
    } else {
        return Status::ok();
    }
    bof_ = eof_ = false;
    if (pos >= long(view_.size())) {
        eof_ = true;
        recno_ = dbf_.recCount() + 1;
    } else if (pos < 0) {
        bof_ = true;
        recno_ = view_.front();
    } else {
        recno_ = view_[size_t(pos)];
    }
    return Status::ok();
}

Status WorkArea::go(long recno)
{
    if (Status s = flush(); !s.isOk())
        return s;
    bof_ = false;
    if (recno < 1 || recno > long(dbf_.recCount())) {
        eof_ = true;
        recno_ = dbf_.recCount() + 1;
        return Status::notFound("record " + std::to_string(recno) + " does not exist");
    }
    eof_ = false;
    recno_ = uint32_t(recno);
    return Status::ok();
}

} // namespace qln::records
