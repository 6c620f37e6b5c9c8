#include "compose/tablegrid.h"

#include <QHeaderView>
#include <QItemSelectionModel>

namespace qln::compose {

TableGrid::TableGrid(std::vector<GridColumn> columns, QWidget *parent)
    : QTableView(parent), model_(new TableRowsModel(std::move(columns), this))
{
    setModel(model_);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(true);
    setAlternatingRowColors(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->setVisible(true);  // the row indicator
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->setFixedWidth(fontMetrics().averageCharWidth() * 2 + 4);
    const int charWidth = fontMetrics().averageCharWidth();
    for (int c = 0; c < int(model_->columns().size()); ++c) {
        const GridColumn &col = model_->columns()[size_t(c)];
        const int chars = col.displayChars > 0 ? col.displayChars : int(col.title.size()) + 2;
        setColumnWidth(c, chars * charWidth + 8);
    }
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                const long recno = model_->recordNumberAt(current.row());
                if (recno > 0)
                    emit currentRecordChanged(recno);
            });
}

void TableGrid::showRows(std::vector<GridRow> rows, long currentRecord)
{
    const QSignalBlocker block(selectionModel());
    model_->setRows(std::move(rows));
    int row = model_->rowOfRecord(currentRecord);
    if (row < 0 && model_->rowCount() > 0)
        row = 0;
    if (row >= 0) {
        selectRow(row);
        setCurrentIndex(model_->index(row, 0));
    }
}

long TableGrid::currentRecord() const { return model_->recordNumberAt(currentIndex().row()); }

}  // namespace qln::compose
