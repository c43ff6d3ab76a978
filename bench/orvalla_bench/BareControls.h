// The plain Qt controls the floors fill: what the window's list and grid
// cost at the least, with nothing of the program's own in between.
#pragma once

#include <QAbstractTableModel>
#include <QSize>
#include <QStringList>
#include <QTableView>
#include <QTreeWidget>

#include <memory>
#include <vector>

// The texts of one row, column by column.
using RowTexts = QStringList;

// A shown QTreeWidget of the given size with the cookie list's five columns.
std::unique_ptr<QTreeWidget> MakeBareList(QSize size);
// Appends one check-box item per row, in one batch.
void FillBareList(QTreeWidget& list, const std::vector<RowTexts>& rows);

// A table model over rows of texts, replaced as a whole.
class BareGridModel : public QAbstractTableModel {
public:
    explicit BareGridModel(int columns) : columns_(columns) {}
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    void Fill(const std::vector<RowTexts>& rows);
    const std::vector<RowTexts>& Rows() const { return rows_; }

private:
    int columns_;
    std::vector<RowTexts> rows_;
};

// A shown QTableView of the given size over a BareGridModel with the
// history grid's three visible columns.
struct BareGrid {
    explicit BareGrid(QSize size);
    BareGridModel model{3};
    QTableView view;
};
