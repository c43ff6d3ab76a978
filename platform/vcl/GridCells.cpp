#include "GridCells.h"

#include <cstddef>

namespace {

// How far beyond the rows written so far, and how many columns, a cell is
// kept in the table. Every row of the table is as wide as the widest, so a
// cell in a far column would cost that width in every row.
constexpr std::size_t kNearRows = 4096;
constexpr std::size_t kNearColumns = 16;

}  // namespace

const std::string* GridCells::Find(int column, int row) const {
    const auto c = static_cast<std::size_t>(column);
    const std::size_t at = static_cast<std::size_t>(row) * width_ + c;
    if (c < width_ && at < near_.size() && !near_[at].empty())
        return &near_[at];
    const auto cell = far_.find({row, column});
    return cell == far_.end() ? nullptr : &cell->second;
}

bool GridCells::Set(int column, int row, std::string_view text, std::string* owned) {
    const std::string* found = Find(column, row);
    if (found ? *found == text : text.empty())
        return false;
    const auto r = static_cast<std::size_t>(row);
    const auto c = static_cast<std::size_t>(column);
    const std::size_t rows = width_ ? near_.size() / width_ : 0;
    std::string* cell = const_cast<std::string*>(found);
    if (!cell && (r >= rows + kNearRows || c >= kNearColumns)) {
        cell = &far_[{row, column}];
    } else if (!cell) {
        if (c >= width_) {
            // Wider rows: the table is laid out again, once per new column.
            std::vector<std::string> wider(rows * (c + 1));
            for (std::size_t i = 0; i < near_.size(); ++i)
                wider[i / width_ * (c + 1) + i % width_] = std::move(near_[i]);
            near_ = std::move(wider);
            width_ = c + 1;
        }
        if (r * width_ + c >= near_.size())
            near_.resize((r + 1) * width_);
        cell = &near_[r * width_ + c];
    }
    if (text.empty()) {
        // Kept in the table, an empty text is no text and holds no memory,
        // so that the texts of the next listing move in without freeing any;
        // aside, it goes.
        if (!far_.erase({row, column}))
            std::string().swap(*cell);
    } else if (owned) {
        *cell = std::move(*owned);
    } else {
        cell->assign(text);
    }
    return true;
}
