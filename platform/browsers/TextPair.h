// Two texts kept in one allocation.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>

namespace browsers {

// A reading holds a pair of texts for each of half a million cookie groups
// or visited pages: two strings cost 64 bytes and two allocations apiece.
// Each text is shorter than 4 GiB (SQLite's own bound is 1 GB).
class TextPair {
public:
    TextPair(std::string_view first, std::string_view second)
        : firstSize_(static_cast<std::uint32_t>(first.size())),
          secondSize_(static_cast<std::uint32_t>(second.size())) {
        if (first.empty() && second.empty())
            return;
        bytes_ = std::make_unique_for_overwrite<char[]>(first.size() + second.size());
        std::memcpy(bytes_.get(), first.data(), first.size());
        std::memcpy(bytes_.get() + first.size(), second.data(), second.size());
    }

    std::string_view First() const { return {bytes_.get(), firstSize_}; }
    std::string_view Second() const { return {bytes_.get() + firstSize_, secondSize_}; }

    void Free() {
        bytes_.reset();
        firstSize_ = secondSize_ = 0;
    }

private:
    std::unique_ptr<char[]> bytes_;
    std::uint32_t firstSize_, secondSize_;
};

}  // namespace browsers
