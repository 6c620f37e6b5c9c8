#include "app/faxlistmodel.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QTableView>

#include <algorithm>
#include <climits>

namespace qln {

FaxListModel::FaxListModel(QObject *parent) : QAbstractTableModel(parent) {}

void FaxListModel::setSource(FaxListSource *source)
{
    beginResetModel();
    source_ = source;
    columns_ = source_ ? source_->columns() : std::vector<FaxListColumn>{};
    cache_.clear();
    rows_ = source_ ? source_->rowCount() : 0;
    endResetModel();
}

void FaxListModel::reload()
{
    beginResetModel();
    cache_.clear();
    rows_ = source_ ? source_->rowCount() : 0;
    if (rows_ < 0)
        rows_ = 0;
    endResetModel();
}

int FaxListModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return rows_ > INT_MAX ? INT_MAX : static_cast<int>(rows_);
}

int FaxListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

const FaxListRow *FaxListModel::rowAt(long row) const
{
    if (!source_ || row < 0 || row >= rows_)
        return nullptr;
    const long first = row - row % kBlockRows;
    for (auto it = cache_.begin(); it != cache_.end(); ++it) {
        if (it->first == first) {
            if (it != cache_.begin())
                cache_.splice(cache_.begin(), cache_, it);
            const auto &rows = cache_.front().rows;
            const long at = row - first;
            return at < static_cast<long>(rows.size()) ? &rows[at] : nullptr;
        }
    }
    Block block;
    block.first = first;
    block.rows = source_->fetch(first, kBlockRows);
    ++fetches_;
    cache_.push_front(std::move(block));
    if (cache_.size() > kCachedBlocks)
        cache_.pop_back();
    const auto &rows = cache_.front().rows;
    const long at = row - first;
    return at < static_cast<long>(rows.size()) ? &rows[at] : nullptr;
}

QVariant FaxListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.column() >= static_cast<int>(columns_.size()))
        return {};
    if (role == Qt::TextAlignmentRole) {
        const bool right = columns_[index.column()].alignRight;
        return QVariant::fromValue(Qt::AlignVCenter | (right ? Qt::AlignRight : Qt::AlignLeft));
    }
    if (role != Qt::DisplayRole)
        return {};
    const FaxListRow *r = rowAt(index.row());
    if (!r || index.column() >= static_cast<int>(r->cells.size()))
        return {};
    return QString::fromStdString(r->cells[index.column()]);
}

QVariant FaxListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // The row header is only the grid's current-row indicator: no numbers.
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    if (section < 0 ||
        section >= static_cast<int>(columns_.size()))
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromStdString(columns_[section].title);
    return {};
}

Qt::ItemFlags FaxListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

long FaxListModel::recordNumberAt(int row) const
{
    const FaxListRow *r = rowAt(row);
    return r ? r->recordNumber : 0;
}

int FaxListModel::rowOfRecord(long recordNumber) const
{
    if (!source_ || recordNumber <= 0)
        return -1;
    for (const Block &b : cache_)
        for (size_t i = 0; i < b.rows.size(); ++i)
            if (b.rows[i].recordNumber == recordNumber)
                return static_cast<int>(b.first + static_cast<long>(i));
    const long pos = source_->positionOf(recordNumber);
    return pos >= 0 && pos < rows_ ? static_cast<int>(pos) : -1;
}

void sizeColumnsToSource(QTableView *grid)
{
    auto *model = qobject_cast<FaxListModel *>(grid->model());
    if (!model || !model->source())
        return;
    const auto columns = model->source()->columns();
    const QFontMetrics fm(grid->font());
    const QFontMetrics hm(grid->horizontalHeader()->font());
    for (size_t i = 0; i < columns.size(); ++i) {
        const QString title = QString::fromStdString(columns[i].title);
        // Display widths count characters the width of a digit, as grids
        // have always measured them.
        const int byChars = fm.horizontalAdvance(QString(columns[i].displayChars, QLatin1Char('0')));
        grid->setColumnWidth(static_cast<int>(i), std::max(byChars, hm.horizontalAdvance(title)) + 12);
    }
}

}  // namespace qln
