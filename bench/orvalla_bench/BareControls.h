// The plain Qt controls the floors fill: what the window's list and grid
// cost at the least, with nothing of the program's own in between; and the
// skeleton of every floor that reads rows and shows them.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <QTreeWidget>

#include <functional>
#include <string>
#include <vector>

#include "Measure.h"

// A shown QTreeWidget of the given size with the cookie list's five columns.
class BareList : public QTreeWidget {
public:
    explicit BareList(QSize size);
    // Appends one unchecked check-box item per row, in one batch.
    void Fill(const std::vector<RowTexts>& rows);
};

// A shown QTableView of the given size over rows of texts, replaced as a
// whole, with the history grid's three visible columns.
class BareGrid : public QAbstractTableModel {
public:
    explicit BareGrid(QSize size);
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : 3; }
    QVariant data(const QModelIndex& index, int role) const override {
        return role == Qt::DisplayRole
                   ? rows_[static_cast<std::size_t>(index.row())].value(index.column())
                   : QVariant();
    }
    void Fill(const std::vector<RowTexts>& rows) {
        beginResetModel();
        rows_ = rows;
        endResetModel();
    }

private:
    std::vector<RowTexts> rows_;
    QTableView view_;
};

// Whether the window shows the rows in the order a floor reads them, or in
// an order of its own, the rows then compared as sets.
enum class Order { AsRead, Own };

// Throws unless the floor made exactly the texts the window shows.
void RequireSameTexts(const std::string& floor, std::vector<RowTexts> made,
                      std::vector<RowTexts> shown, Order order = Order::AsRead);

// The skeleton of a floor: a bare control of the window's size shown, then
// `read` (reading the store and making the texts of its rows) and the fill
// of the control with those rows timed, up to an idle event queue; then the
// rows required to be the window's.
template <typename Control>
double FillFloor(const std::string& floor, const Shown& shown,
                 const std::function<void(std::vector<RowTexts>& rows)>& read,
                 Order order = Order::AsRead) {
    Control control(shown.size);
    std::vector<RowTexts> made;
    const double elapsed = Timed([&] {
        read(made);
        control.Fill(made);
    });
    RequireSameTexts(floor, std::move(made), shown.rows, order);
    return elapsed;
}
