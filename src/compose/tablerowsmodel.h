// Read-only grid model of a small table (phonebook entries, cover
// templates): the window hands it the listed rows, each with its record
// number, and keeps the grid's current row and the table's current row
// together through recordNumberAt/rowOfRecord. User-interface thread only.
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

namespace qln::compose {

struct GridColumn {
    QString title;
    int displayChars = 0;  // display width in characters; 0 = fit the title
};

struct GridRow {
    long recordNumber = 0;
    QStringList cells;
};

class TableRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TableRowsModel(std::vector<GridColumn> columns, QObject *parent = nullptr);

    void setRows(std::vector<GridRow> rows);
    const std::vector<GridColumn> &columns() const { return columns_; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    long recordNumberAt(int row) const;  // 0 when out of range
    int rowOfRecord(long recordNumber) const;  // -1 when not listed

private:
    std::vector<GridColumn> columns_;
    std::vector<GridRow> rows_;
};

}  // namespace qln::compose
