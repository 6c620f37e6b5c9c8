// One open table of the engine: the DBF, its memo file, its compound index,
// the current row with its edit buffer, the order, the query and the
// list of rows navigation visits in that order.
//
// Changes to the current row collect in a buffer written on the next move,
// commit or close; the index keys follow every write. commit() makes all
// changes durable (DBF and memo synced, index file replaced). Reading
// functions never write. Not thread-safe; owned by the engine.
#pragma once

#include "records/compoundindex.h"
#include "records/dbffile.h"
#include "records/expression.h"
#include "records/memofile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qln::records {

class WorkArea {
public:
    WorkArea(std::string alias, int driver) : alias_(std::move(alias)), driver_(driver), serial_(nextSerial()) {}
    ~WorkArea();

    // Opens the table; a damaged index file leaves the table open without
    // tags and is reported through `indexProblem`.
    Status open(const std::string &path, int mode, Status &indexProblem);
    Status close();

    const std::string &alias() const { return alias_; }
    // Unique for the life of the process: tells an area apart from a later
    // one at the same address.
    uint64_t serial() const { return serial_; }
    DbfFile &dbf() { return dbf_; }
    CompoundIndex &index() { return cdx_; }
    bool hasProductionIndex() const { return driver_ == 2; }
    const std::string &indexPath() const { return cdxPath_; }

    // Index tags.
    Status indexTag(const std::string &tag, const std::string &key, bool descending,
                    const std::string &condition, int &order);
    Status setOrder(int order);
    int order() const { return order_; }
    Status closeIndexes();

    // Query.
    Status setQuery(const std::string &expr);
    const std::string &queryText() const { return queryText_; }
    long queryCount();
    void invalidateView() { viewValid_ = false; }

    // Navigation.
    Status goTop();
    Status goBottom();
    Status skip(long n);
    Status go(long recno);
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }
    long recNo() const { return long(recno_); }
    long recCount() const { return long(dbf_.recCount()) + (appended_ ? 1 : 0); }
    long keyCount();
    long recNoAt(long position);
    long keyNo();
    long positionOf(long recno);

    // Current row.
    const char *current();   // image of the current row (blank at end of file)
    Status field(const std::string &name, const FieldDesc *&f) const;
    Status readMemo(const FieldDesc &f, std::string &out);
    Status replace(const std::string &name, int type, const std::string &value);
    Status putRecord(const std::string &image);
    Status appendBlank();
    Status setDeleted(bool deleted);
    // Takes back record n, which must be the last one (a row appended and
    // not completed): its index keys go and the file ends before it; then
    // commits. Memo blocks it pointed at stay unused until the next pack.
    Status removeLastRecord(uint32_t n);
    Status flush();
    // Drops uncommitted changes of the current row (an appended row vanishes).
    void discard();
    Status commit();
    Status pack();

private:
    Status writeField(const FieldDesc &f, int type, const std::string &value);
    Status ensureView();
    void makeBlank();
    bool visible(uint32_t r);
    long computeQueryBits();
    Status goEnd(bool top);
    Status beginChange();
    Status packWithMemos();
    static Status memoBlock(const FieldDesc &f, const char *rec, uint32_t &block);
    static void putMemoBlock(const FieldDesc &f, char *rec, uint32_t block);
    static std::string journalPath(const std::string &dbfPath);
    static Status finishPack(const std::string &dbfPath);
    long nearestPosition(bool forward);

    static uint64_t nextSerial()
    {
        static uint64_t counter = 0;   // engine state is single-threaded
        return ++counter;
    }

    std::string alias_;
    int driver_;
    uint64_t serial_;
    int mode_ = 0;
    DbfFile dbf_;
    MemoFile memo_;
    bool memoOpen_ = false;
    std::string memoPath_;
    CompoundIndex cdx_;
    std::string cdxPath_;
    bool indexOpen_ = false;
    bool changeStarted_ = false;
    bool dataChanged_ = false;   // written since the last commit

    uint32_t recno_ = 1;
    bool bof_ = false, eof_ = false;
    std::string buf_;
    bool dirty_ = false, appended_ = false;
    std::string blank_;

    int order_ = 0;
    std::string queryText_;
    Expression query_;
    std::vector<uint8_t> queryBits_;
    bool queryBitsValid_ = false;

    std::vector<uint32_t> view_;
    std::vector<int32_t> viewPos_;
    bool viewValid_ = false;
    uint64_t viewEpoch_ = 0;
};

// Incremented whenever the hide-deleted setting changes.
uint64_t deletedSettingEpoch();
bool hideDeletedRows();

} // namespace qln::records
