// The texts of a string grid's cells.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Any cell ever written, inside the grid's size or not, by column and row;
// an empty text is no text. Cells are kept row after row in one table, near
// the rows written so far; a cell far beyond them is kept aside, so that a
// stray index cannot make the table huge. A listing writes thousands of
// cells: a map of all cells cost an allocation per cell, and a table per row
// a wait on memory per row.
class GridCells {
public:
    // The cell's text; nullptr for none.
    const std::string* Find(int column, int row) const;

    // Gives the cell `text`, moving `owned` in when given (then `text` views
    // it); false when that was its text already. Indexes are not negative.
    bool Set(int column, int row, std::string_view text, std::string* owned);

private:
    std::size_t width_ = 0;  // cells per row of the table
    std::vector<std::string> near_;
    std::map<std::pair<int, int>, std::string> far_;  // by (row, column)
};
