// UTF-8 sequences as this layer counts characters.
#pragma once

#include <cstddef>
#include <string_view>

namespace utf8 {

// The length of the well-formed sequence starting at `pos` (1 to 4), or 0 when
// the byte there does not start one: a stray continuation byte, an overlong
// form, a surrogate, a value beyond U+10FFFF or a cut-off sequence.
std::size_t SequenceLength(std::string_view text, std::size_t pos);

// The code point of a well-formed sequence of `length` bytes at `pos`.
char32_t Decode(std::string_view text, std::size_t pos, std::size_t length);

}  // namespace utf8
