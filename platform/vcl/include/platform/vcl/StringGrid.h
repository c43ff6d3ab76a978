// A grid of texts. Cells are addressed (column, row) and keep their texts
// when they lie outside the grid's current size, and show them again when
// the grid grows over them. Fixed rows are always fewer than rows: lowering
// RowCount to FixedRows or below lowers FixedRows to RowCount - 1.
#pragma once

#include <QTableView>

#include <memory>
#include <string>
#include <string_view>

class StringGridModel;

class TStringGrid : public QTableView {
    Q_OBJECT

public:
    explicit TStringGrid(QWidget* parent = nullptr);
    ~TStringGrid() override;

    int ColCount() const { return colCount_; }
    void SetColCount(int count);
    int RowCount() const { return rowCount_; }
    void SetRowCount(int count);
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int count);  // 0 or 1 row: the header row

    int DefaultRowHeight() const;
    void SetDefaultRowHeight(int height);
    int ColWidths(int column) const;
    void SetColWidths(int column, int width);

    // 8-bit texts in the system code page.
    std::string Cells(int column, int row) const;
    void SetCells(int column, int row, std::string_view text);
    void SetCells(int column, int row, const char* text) {
        SetCells(column, row, std::string_view(text));
    }

private:
    // Shows the header row as tall as the other rows, or hides it.
    void SizeChanged();

    int colCount_ = 5;
    int rowCount_ = 5;
    int fixedRows_ = 1;
    std::unique_ptr<StringGridModel> model_;
    friend class StringGridModel;
};
