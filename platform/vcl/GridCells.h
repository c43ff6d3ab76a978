// The texts of a string grid's cells.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "TextArena.h"

// Any cell ever written, inside the grid's size or not, by column and row;
// an empty text is no text. Cells are kept row after row in one table, near
// the rows written so far, their texts packed in an arena; a cell far beyond
// them is kept aside, so that a stray index cannot make the table huge. A
// listing writes millions of cells: a string per cell cost an allocation
// and 32 bytes each, and a growing table of them held it all twice.
class GridCells {
public:
    // The cell's text; none for none. Valid until the next Set.
    std::optional<std::string_view> Find(int column, int row) const;

    // Gives the cell `text`; false when that was its text already. Indexes
    // are not negative.
    bool Set(int column, int row, std::string_view text);

private:
    using Span = TextArena::Span;

    // Copies the live texts into a fresh arena, leaving the holes behind.
    void Compact();

    std::size_t width_ = 0;  // cells per row of the table
    // A deque grows without moving what it holds, so it never needs room
    // for the table twice.
    std::deque<Span> near_;
    TextArena arena_;
    std::map<std::pair<int, int>, std::string> far_;  // by (row, column)
};
