#include "platform/escapes.h"

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string Escaped(std::string_view text, bool backslash) {
    std::string escaped;
    const auto hex = [&escaped](char c) {
        const auto byte = static_cast<unsigned char>(c);
        escaped += {'\\', 'x', kHexDigits[byte >> 4], kHexDigits[byte & 0xF]};
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // U+0080 to U+009F: 0xC2, then 0x80 to 0x9F.
        const bool c1 = byte == 0xC2 && i + 1 < text.size() &&
                        (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80;
        if ((byte == '\\' && backslash) || byte == '\n' || byte == '\r' || byte == '\t') {
            escaped += {'\\', byte == '\n' ? 'n' : byte == '\r' ? 'r' : byte == '\t' ? 't' : '\\'};
        } else if (c1) {
            hex(text[i]);
            hex(text[++i]);
        } else if (byte < 0x20 || byte == 0x7F) {
            hex(text[i]);
        } else {
            escaped += text[i];
        }
    }
    return escaped;
}

std::string Unescaped(std::string_view text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] != '\\' || !next) {
            plain += text[i];
        } else if (next == '\\' || next == 'n' || next == 'r' || next == 't') {
            plain += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : '\\';
            ++i;
        } else if (next == 'x' && i + 3 < text.size() && HexValue(text[i + 2]) >= 0 &&
                   HexValue(text[i + 3]) >= 0) {
            plain += static_cast<char>(HexValue(text[i + 2]) * 16 + HexValue(text[i + 3]));
            i += 3;
        } else {
            plain += text[i];
        }
    }
    return plain;
}
