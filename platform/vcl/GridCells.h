// The texts of a string grid's cells.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Any cell ever written, inside the grid's size or not, by column and row;
// an empty text is no text. Cells are kept in rows, near the ones written
// so far; a cell far beyond them is kept aside, so that a stray index cannot
// make the table huge. A listing writes thousands of cells: a hash map of
// cells cost an allocation per cell and a division per lookup.
class GridCells {
public:
    // The cell's text; nullptr for none.
    const std::string* Find(int column, int row) const;

    // Gives the cell `text`, moving `owned` in when given (then `text` views
    // it); false when that was its text already. Indexes are not negative.
    bool Set(int column, int row, std::string_view text, std::string* owned);

private:
    std::string* FindMutable(int column, int row);
    std::string& Make(int column, int row);
    static std::uint64_t FarKey(int column, int row);

    std::vector<std::vector<std::string>> rows_;
    std::unordered_map<std::uint64_t, std::string> far_;
};
