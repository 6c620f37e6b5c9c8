// The grid model reads rows in blocks and only the blocks it is asked for.
#include "app/faxlistmodel.h"

#include <gtest/gtest.h>

using namespace qln;

namespace {
// Rows numbered in reverse (position p shows record n - p), like a
// descending date order.
class CountingSource : public FaxListSource {
public:
    explicit CountingSource(long n) : n_(n) {}
    std::vector<FaxListColumn> columns() const override
    {
        return {{"Record", 6, true}, {"Text", 10, false}};
    }
    long rowCount() override { return n_; }
    std::vector<FaxListRow> fetch(long first, long count) override
    {
        ++fetches;
        rowsRead += std::max(0L, std::min(count, n_ - first));
        std::vector<FaxListRow> rows;
        for (long p = first; p < first + count && p < n_; ++p)
            rows.push_back({n_ - p, {std::to_string(n_ - p), "row " + std::to_string(p)}});
        return rows;
    }
    long positionOf(long recno) override
    {
        ++positionLookups;
        return recno >= 1 && recno <= n_ ? n_ - recno : -1;
    }
    long n_;
    long fetches = 0;
    long rowsRead = 0;
    long positionLookups = 0;
};
}  // namespace

TEST(FaxListModel, ShowsTitlesAndCellsOfTheSource)
{
    CountingSource src(3);
    FaxListModel m;
    m.setSource(&src);
    EXPECT_EQ(m.rowCount(), 3);
    EXPECT_EQ(m.columnCount(), 2);
    EXPECT_EQ(m.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "Record");
    EXPECT_EQ(m.data(m.index(0, 0), Qt::DisplayRole).toString(), "3");
    EXPECT_EQ(m.data(m.index(2, 1), Qt::DisplayRole).toString(), "row 2");
    EXPECT_EQ(m.recordNumberAt(1), 2);
    EXPECT_FALSE(m.flags(m.index(0, 0)) & Qt::ItemIsEditable);
    EXPECT_FALSE(m.data(m.index(5, 0), Qt::DisplayRole).isValid());
}

TEST(FaxListModel, PaintingAScreenReadsOneBlockNotTheTable)
{
    CountingSource src(20000);
    FaxListModel m;
    m.setSource(&src);
    // A screenful painted many times over.
    for (int repaint = 0; repaint < 50; ++repaint)
        for (int r = 70; r < 100; ++r)
            for (int c = 0; c < 2; ++c)
                m.data(m.index(r, c), Qt::DisplayRole);
    EXPECT_EQ(src.fetches, 1);
    EXPECT_LE(src.rowsRead, FaxListModel::kBlockRows);

    // Scrolling through the whole list reads each row about once.
    for (int r = 0; r < 20000; ++r)
        m.data(m.index(r, 0), Qt::DisplayRole);
    EXPECT_LE(src.rowsRead, 20000 + 2 * FaxListModel::kBlockRows);
}

TEST(FaxListModel, ReloadPicksUpChangedRowsAndCount)
{
    CountingSource src(10);
    FaxListModel m;
    m.setSource(&src);
    EXPECT_EQ(m.data(m.index(0, 0), Qt::DisplayRole).toString(), "10");
    src.n_ = 4;
    m.reload();
    EXPECT_EQ(m.rowCount(), 4);
    EXPECT_EQ(m.data(m.index(0, 0), Qt::DisplayRole).toString(), "4");
    EXPECT_EQ(m.rowOfRecord(4), 0);
    EXPECT_EQ(m.rowOfRecord(1), 3);
    EXPECT_EQ(m.rowOfRecord(9), -1);
}

TEST(FaxListModel, RowOfRecordFarAwayAsksTheSourceInsteadOfScanning)
{
    CountingSource src(20000);
    FaxListModel m;
    m.setSource(&src);
    EXPECT_EQ(m.rowOfRecord(5), 19995);
    EXPECT_EQ(src.positionLookups, 1);
    EXPECT_EQ(src.rowsRead, 0);
}

TEST(FaxListModel, NoSourceIsAnEmptyList)
{
    FaxListModel m;
    EXPECT_EQ(m.rowCount(), 0);
    EXPECT_EQ(m.columnCount(), 0);
    EXPECT_EQ(m.recordNumberAt(0), 0);
    EXPECT_EQ(m.rowOfRecord(1), -1);
}
