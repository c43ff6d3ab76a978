// Texts in the system code page, which is UTF-8 on this system.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// At most `count` characters of `text` from byte `start` on; a character is a
// lead byte with its continuation bytes, so a multi-byte character is never
// cut, and bytes that are not valid UTF-8 count one each.
std::string CopyChars(std::string_view text, std::size_t start, std::size_t count);

// The number of characters in `text`, counted as CopyChars counts them.
std::size_t CharCount(std::string_view text);

// Wide (UTF-16) text to the system code page and back. Unpaired surrogates
// become U+FFFD, and so does each byte that is not part of valid UTF-8.
std::string WideToAnsi(std::u16string_view text);
std::string WideToAnsi(const char16_t* text);  // up to its terminating zero
std::u16string AnsiToWide(std::string_view text);
// Writes the wide form of `text` to `out`, which has room for text.size() + 1
// units, and returns the end of what it wrote.
char16_t* AnsiToWide(std::string_view text, char16_t* out);
