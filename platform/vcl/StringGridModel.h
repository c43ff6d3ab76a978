// The texts of a TStringGrid and the shape the view sees of them.
#pragma once

#include <QAbstractTableModel>

#include <string>
#include <string_view>

#include "GridCells.h"

class TStringGrid;

// Rows of the model are the grid's rows below its fixed header row; the
// header row is the horizontal header. Texts are kept for any cell ever
// written, inside the grid's size or not.
class StringGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit StringGridModel(TStringGrid* grid);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    std::string Cell(int column, int row) const;
    void SetCell(int column, int row, std::string_view text);

    // Gives the grid a new size, telling the view exactly which rows and
    // columns came or went. Rows added while the grid is not repainting are
    // told of later, all at once: see ShowRows.
    void Reshape(int colCount, int rowCount, int fixedRows);

    // Tells the view of the rows added since it last heard, in one insertion.
    void ShowRows();

private:
    QString CellText(int column, int row) const;
    void ShowRowsLater();

    TStringGrid* const grid_;
    // The body rows the view knows of; fewer than the grid's while rows
    // added during a suspended repaint wait to be shown.
    int shownRows_;
    bool showPosted_ = false;
    GridCells cells_;
};
