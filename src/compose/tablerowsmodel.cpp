#include "compose/tablerowsmodel.h"

namespace qln::compose {

TableRowsModel::TableRowsModel(std::vector<GridColumn> columns, QObject *parent)
    : QAbstractTableModel(parent), columns_(std::move(columns))
{
}

void TableRowsModel::setRows(std::vector<GridRow> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

int TableRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(rows_.size());
}

int TableRowsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant TableRowsModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || size_t(index.row()) >= rows_.size())
        return {};
    const QStringList &cells = rows_[size_t(index.row())].cells;
    return index.column() < cells.size() ? cells[index.column()] : QString();
}

QVariant TableRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return size_t(section) < columns_.size() ? columns_[size_t(section)].title : QVariant();
    return QVariant();  // the row indicator carries no number
}

Qt::ItemFlags TableRowsModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

long TableRowsModel::recordNumberAt(int row) const
{
    return row >= 0 && size_t(row) < rows_.size() ? rows_[size_t(row)].recordNumber : 0;
}

int TableRowsModel::rowOfRecord(long recordNumber) const
{
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].recordNumber == recordNumber)
            return int(i);
    return -1;
}

}  // namespace qln::compose
