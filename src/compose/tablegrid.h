// The grid of the phonebook and cover template browsers: read-only, column
// titles, a row indicator, resizable columns and grid lines, whole-row
// selection. It lists the rows it is given and reports the record number of
// the row the user moves to. User-interface thread only.
#pragma once

#include "compose/tablerowsmodel.h"

#include <QTableView>

namespace qln::compose {

class TableGrid : public QTableView {
    Q_OBJECT
public:
    explicit TableGrid(std::vector<GridColumn> columns, QWidget *parent = nullptr);

    TableRowsModel *rows() const { return model_; }
    // Lists `rows` and makes the row of `currentRecord` current (the first
    // row when it is not listed).
    void showRows(std::vector<GridRow> rows, long currentRecord);
    long currentRecord() const;

signals:
    void currentRecordChanged(long recordNumber);

private:
    TableRowsModel *model_;
};

}  // namespace qln::compose
