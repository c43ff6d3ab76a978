#include "ShownText.h"

namespace {

// Wider than any screen in the narrowest script.
constexpr std::size_t kShownCharacters = 2048;
// As many bytes as that many characters take at most, so that a text of
// stray continuation bytes is bounded all the same.
constexpr std::size_t kShownBytes = 4 * kShownCharacters;

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

}  // namespace

QString ShownText(std::string_view bytes) {
    std::size_t end = 0;
    for (std::size_t characters = 0; end < bytes.size() && end < kShownBytes; ++end) {
        if (!IsContinuationByte(bytes[end]) && ++characters > kShownCharacters)
            break;
    }
    if (end < bytes.size()) {
        // Back to the lead byte of the character the cut would split. Cut
        // between whole UTF-8 characters, the text never splits a UTF-16
        // surrogate pair either.
        for (std::size_t back = 0; back < 3 && IsContinuationByte(bytes[end]); ++back)
            --end;
        bytes = bytes.substr(0, end);
    }
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
