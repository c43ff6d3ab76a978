#include "GridCells.h"

#include <cstddef>

namespace {

// How far beyond the rows written so far, and how many columns, a cell is
// kept in the table. Every row of the table is as wide as the widest, so a
// cell in a far column would cost that width in every row.
constexpr std::size_t kNearRows = 4096;
constexpr std::size_t kNearColumns = 16;

}  // namespace

std::optional<std::string_view> GridCells::Find(int column, int row) const {
    const auto c = static_cast<std::size_t>(column);
    const std::size_t at = static_cast<std::size_t>(row) * width_ + c;
    if (c < width_ && at < near_.size() && near_[at].size)
        return arena_.View(near_[at]);
    const auto cell = far_.find({row, column});
    if (cell == far_.end())
        return std::nullopt;
    return cell->second;
}

bool GridCells::Set(int column, int row, std::string_view text) {
    const std::optional<std::string_view> found = Find(column, row);
    if (found ? *found == text : text.empty())
        return false;
    const auto r = static_cast<std::size_t>(row);
    const auto c = static_cast<std::size_t>(column);
    const std::size_t rows = width_ ? near_.size() / width_ : 0;
    if (const auto aside = far_.find({row, column}); aside != far_.end()) {
        if (text.empty())
            far_.erase(aside);
        else
            aside->second.assign(text);
        return true;
    }
    if (!found && (r >= rows + kNearRows || c >= kNearColumns)) {
        far_.emplace(std::pair(row, column), std::string(text));
        return true;
    }
    if (c >= width_) {
        // Wider rows: the table is laid out again, once per new column.
        std::deque<Span> wider(rows * (c + 1));
        for (std::size_t i = 0; i < near_.size(); ++i)
            wider[i / width_ * (c + 1) + i % width_] = near_[i];
        near_ = std::move(wider);
        width_ = c + 1;
    }
    if (r * width_ + c >= near_.size())
        near_.resize((r + 1) * width_);
    Span& cell = near_[r * width_ + c];
    arena_.GiveUp(cell);
    cell = arena_.Add(text);
    if (arena_.Wasteful())
        Compact();
    return true;
}

void GridCells::Compact() {
    TextArena fresh;
    for (Span& cell : near_)
        cell = fresh.Add(arena_.View(cell));
    arena_ = std::move(fresh);
}
