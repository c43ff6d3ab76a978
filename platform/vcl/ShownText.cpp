#include "ShownText.h"

namespace {

constexpr std::size_t kShownBytes = 256;

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

}  // namespace

QString ShownText(std::string_view bytes) {
    if (bytes.size() > kShownBytes) {
        std::size_t end = kShownBytes;
        // Back to the lead byte of the character the cut would split.
        for (std::size_t back = 0; back < 3 && IsContinuationByte(bytes[end]); ++back)
            --end;
        bytes = bytes.substr(0, end);
    }
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
