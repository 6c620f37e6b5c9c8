// Read-only table model of one fax list (outgoing or received) for a grid.
//
// Rows come from a FaxListSource in blocks; the model keeps a small cache of
// recently painted blocks so that repaints and scrolling read only the rows
// on screen, never the whole table. reload() forgets the cache and the row
// count after a command changed the table. User-interface thread only.
#pragma once

#include "app/faxlistsource.h"

#include <QAbstractTableModel>

#include <list>
#include <memory>

class QTableView;

namespace qln {

class FaxListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr long kBlockRows = 64;
    static constexpr size_t kCachedBlocks = 8;

    explicit FaxListModel(QObject *parent = nullptr);

    // The model does not own the source; nullptr shows an empty list.
    void setSource(FaxListSource *source);
    FaxListSource *source() const { return source_; }

    // Re-reads the row count and drops cached rows.
    void reload();

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Record number shown in a row, 0 when the row cannot be read.
    long recordNumberAt(int row) const;
    // Row showing a record number, -1 when none.
    int rowOfRecord(long recordNumber) const;

    // Number of block reads so far (lets tests and benchmarks see that
    // painting does not read the table row by row).
    long fetchCount() const { return fetches_; }

private:
    struct Block {
        long first = 0;
        std::vector<FaxListRow> rows;
    };
    const FaxListRow *rowAt(long row) const;

    FaxListSource *source_ = nullptr;
    std::vector<FaxListColumn> columns_;
    long rows_ = 0;
    mutable std::list<Block> cache_;  // most recently used first
    mutable long fetches_ = 0;
};

// Sets the grid's column widths from its model's columns: the display
// width in characters the width of a digit, at least the title's width.
void sizeColumnsToSource(QTableView *grid);

}  // namespace qln
