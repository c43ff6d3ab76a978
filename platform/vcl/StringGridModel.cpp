#include "StringGridModel.h"

#include "ShownText.h"
#include "platform/vcl/StringGrid.h"

StringGridModel::StringGridModel(TStringGrid* grid)
    : grid_(grid), shownRows_(grid->rowCount_ - grid->fixedRows_) {}

int StringGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownRows_;
}

int StringGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : grid_->colCount_;
}

QString StringGridModel::CellText(int column, int row) const {
    const std::optional<std::string_view> cell = cells_.Find(column, row);
    return cell ? ShownText(*cell) : QString();
}

QVariant StringGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return QVariant();
    return CellText(index.column(), index.row() + grid_->fixedRows_);
}

QVariant StringGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || grid_->fixedRows_ == 0)
        return QVariant();
    return CellText(section, 0);
}

Qt::ItemFlags StringGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

std::string StringGridModel::Cell(int column, int row) const {
    if (column < 0 || row < 0)
        return {};
    return std::string(cells_.Find(column, row).value_or(std::string_view()));
}

void StringGridModel::SetCell(int column, int row, std::string_view text) {
    if (column < 0 || row < 0)
        return;
    if (!cells_.Set(column, row, text))
        return;

    if (column >= grid_->colCount_ || row >= grid_->rowCount_)
        return;
    // A grid that is hidden or not repainting paints every cell afresh when
    // it paints next; telling it of each of thousands of cells costs more
    // than filling them.
    if (!grid_->isVisible() || !grid_->updatesEnabled())
        return;
    if (row < grid_->fixedRows_) {
        emit headerDataChanged(Qt::Horizontal, column, column);
    } else if (row - grid_->fixedRows_ < shownRows_) {
        const QModelIndex changed = index(row - grid_->fixedRows_, column);
        emit dataChanged(changed, changed, {Qt::DisplayRole});
    }
}

void StringGridModel::Reshape(int colCount, int rowCount, int fixedRows) {
    if (fixedRows != grid_->fixedRows_) {
        // Every row moves between the header and the body.
        beginResetModel();
        grid_->colCount_ = colCount;
        grid_->rowCount_ = rowCount;
        grid_->fixedRows_ = fixedRows;
        shownRows_ = rowCount - fixedRows;
        endResetModel();
        return;
    }

    const int columns = grid_->colCount_;
    if (colCount > columns) {
        beginInsertColumns(QModelIndex(), columns, colCount - 1);
        grid_->colCount_ = colCount;
        endInsertColumns();
    } else if (colCount < columns) {
        beginRemoveColumns(QModelIndex(), colCount, columns - 1);
        grid_->colCount_ = colCount;
        endRemoveColumns();
    }

    grid_->rowCount_ = rowCount;
    // A listing that adds thousands of rows one by one while the grid is not
    // repainting would otherwise make the view lay out its rows for each.
    if (rowCount - fixedRows > shownRows_ && !grid_->updatesEnabled()) {
        ShowRowsLater();
        return;
    }
    ShowRows();
}

void StringGridModel::ShowRows() {
    const int rows = grid_->rowCount_ - grid_->fixedRows_;
    if (rows > shownRows_) {
        beginInsertRows(QModelIndex(), shownRows_, rows - 1);
        shownRows_ = rows;
        endInsertRows();
    } else if (rows < shownRows_) {
        beginRemoveRows(QModelIndex(), rows, shownRows_ - 1);
        shownRows_ = rows;
        endRemoveRows();
    }
}

// When control is back in the event loop, whatever suspended the repaint.
void StringGridModel::ShowRowsLater() {
    if (showPosted_)
        return;
    showPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            showPosted_ = false;
            ShowRows();
        },
        Qt::QueuedConnection);
}
