// Many small texts kept in a few big blocks.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

// A table of a million rows holds millions of short texts: kept one string
// each, they cost a string and an allocation apiece, and the table's growth
// moves them all. Here they lie packed in blocks that never move; a text
// given up leaves a hole, which the owner fills by copying its live texts
// into a fresh arena once the holes outweigh them (see Wasteful).
class TextArena {
public:
    // Where a text lies: its block in the high bits of `where`, its offset
    // in the block in the low ones (a text longer than a block has a block
    // of its own, at offset 0). Size 0 is the empty text, which takes no
    // room.
    struct Span {
        std::uint32_t where = 0;
        std::uint32_t size = 0;
    };

    // Copies text in; refuses (std::length_error) a text longer than
    // 4 GiB, or beyond 4 GiB of texts in all.
    Span Add(std::string_view text);
    std::string_view View(Span span) const {
        return span.size ? std::string_view(blocks_[span.where >> kOffsetBits].get() +
                                                (span.where & kOffsetMask),
                                            span.size)
                         : std::string_view();
    }
    // The text's room is a hole from now on.
    void GiveUp(Span span) { wasted_ += span.size; }
    bool Wasteful() const;

private:
    static constexpr int kOffsetBits = 20;
    static constexpr std::uint32_t kOffsetMask = (std::uint32_t{1} << kOffsetBits) - 1;
    static constexpr std::size_t kBlockSize = std::size_t{1} << kOffsetBits;

    std::vector<std::unique_ptr<char[]>> blocks_;
    std::size_t lastSize_ = 0;  // of the last block
    std::size_t lastUsed_ = 0;
    std::size_t used_ = 0;  // in every block, holes included
    std::size_t wasted_ = 0;
};
