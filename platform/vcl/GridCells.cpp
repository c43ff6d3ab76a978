#include "GridCells.h"

#include <cstddef>
#include <utility>

namespace {

// How far beyond the rows written so far, and how many columns, a cell is
// kept in the rows.
constexpr std::size_t kNearRows = 4096;
constexpr std::size_t kNearColumns = 256;

}  // namespace

std::uint64_t GridCells::FarKey(int column, int row) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(row)) << 32) |
           static_cast<std::uint32_t>(column);
}

const std::string* GridCells::Find(int column, int row) const {
    const auto r = static_cast<std::size_t>(row);
    const auto c = static_cast<std::size_t>(column);
    if (r < rows_.size() && c < rows_[r].size() && !rows_[r][c].empty())
        return &rows_[r][c];
    if (far_.empty())
        return nullptr;
    const auto cell = far_.find(FarKey(column, row));
    return cell == far_.end() ? nullptr : &cell->second;
}

std::string* GridCells::FindMutable(int column, int row) {
    return const_cast<std::string*>(std::as_const(*this).Find(column, row));
}

std::string& GridCells::Make(int column, int row) {
    const auto r = static_cast<std::size_t>(row);
    const auto c = static_cast<std::size_t>(column);
    if (r >= rows_.size() + kNearRows || c >= kNearColumns)
        return far_[FarKey(column, row)];
    if (r >= rows_.size())
        rows_.resize(r + 1);
    if (c >= rows_[r].size())
        rows_[r].resize(c + 1);
    return rows_[r][c];
}

bool GridCells::Set(int column, int row, std::string_view text, std::string* owned) {
    std::string* cell = FindMutable(column, row);
    if (!cell) {
        if (text.empty())
            return false;
        cell = &Make(column, row);
    } else if (*cell == text) {
        return false;
    }
    if (text.empty()) {
        // Kept in the rows, an empty text is no text; aside, it goes.
        if (!far_.erase(FarKey(column, row)))
            cell->clear();
    } else if (owned) {
        *cell = std::move(*owned);
    } else {
        cell->assign(text);
    }
    return true;
}
