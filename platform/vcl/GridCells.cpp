#include "GridCells.h"

#include <cstddef>

namespace {

// How far beyond the rows written so far, and how many columns, a cell is
// kept in the rows.
constexpr std::size_t kNearRows = 4096;
constexpr std::size_t kNearColumns = 256;

}  // namespace

const std::string* GridCells::Find(int column, int row) const {
    const auto r = static_cast<std::size_t>(row);
    const auto c = static_cast<std::size_t>(column);
    if (r < rows_.size() && c < rows_[r].size() && !rows_[r][c].empty())
        return &rows_[r][c];
    const auto cell = far_.find({row, column});
    return cell == far_.end() ? nullptr : &cell->second;
}

bool GridCells::Set(int column, int row, std::string_view text, std::string* owned) {
    const std::string* found = Find(column, row);
    if (found ? *found == text : text.empty())
        return false;
    const auto r = static_cast<std::size_t>(row);
    const auto c = static_cast<std::size_t>(column);
    std::string* cell = const_cast<std::string*>(found);
    if (!cell && (r >= rows_.size() + kNearRows || c >= kNearColumns)) {
        cell = &far_[{row, column}];
    } else if (!cell) {
        if (r >= rows_.size())
            rows_.resize(r + 1);
        if (c >= rows_[r].size())
            rows_[r].resize(c + 1);
        cell = &rows_[r][c];
    }
    if (text.empty()) {
        // Kept in the rows, an empty text is no text; aside, it goes.
        if (!far_.erase({row, column}))
            cell->clear();
    } else if (owned) {
        *cell = std::move(*owned);
    } else {
        cell->assign(text);
    }
    return true;
}
