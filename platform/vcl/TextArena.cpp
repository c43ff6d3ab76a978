#include "TextArena.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

TextArena::Span TextArena::Add(std::string_view text) {
    if (text.empty())
        return {};
    if (text.size() > std::numeric_limits<std::uint32_t>::max())
        throw std::length_error("text too long for a table cell");
    if (blocks_.empty() || lastSize_ - lastUsed_ < text.size()) {
        if (blocks_.size() == std::size_t{1} << (32 - kOffsetBits))
            throw std::length_error("too many texts for a table");
        // A text longer than a block gets a block of its own size.
        lastSize_ = std::max(kBlockSize, text.size());
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(lastSize_));
        lastUsed_ = 0;
    }
    const Span span{static_cast<std::uint32_t>((blocks_.size() - 1) << kOffsetBits | lastUsed_),
                    static_cast<std::uint32_t>(text.size())};
    std::memcpy(blocks_.back().get() + lastUsed_, text.data(), text.size());
    lastUsed_ += text.size();
    used_ += text.size();
    return span;
}

bool TextArena::Wasteful() const {
    return wasted_ > kBlockSize && wasted_ > used_ - wasted_;
}
