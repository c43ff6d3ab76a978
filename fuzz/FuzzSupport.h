// What the fuzzers share: reading the input as a stream of values, and
// stopping with a message when a property fails.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// Aborts, so that libFuzzer keeps the input, when a property does not hold.
#define FUZZ_REQUIRE(condition, ...)                                                              \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::fprintf(stderr, __VA_ARGS__);                                                    \
            std::fputc('\n', stderr);                                                             \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)

// The input as a stream; past its end every value reads as zero.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : bytes_(reinterpret_cast<const char*>(data), size) {}

    bool Empty() const { return pos_ >= bytes_.size(); }

    std::uint8_t Byte() { return Empty() ? 0 : static_cast<std::uint8_t>(bytes_[pos_++]); }

    std::uint64_t Quad() {
        std::uint64_t value = 0;
        for (int i = 0; i < 8; ++i)
            value |= std::uint64_t{Byte()} << (8 * i);
        return value;
    }

    // Up to `count` bytes, fewer at the end of the input.
    std::string_view Bytes(std::size_t count) {
        const std::string_view taken = bytes_.substr(std::min(pos_, bytes_.size()), count);
        pos_ += taken.size();
        return taken;
    }

    std::string_view Rest() { return Bytes(bytes_.size()); }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// The text with its bytes escaped, for messages.
inline std::string Printable(std::string_view text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
            out += c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        }
    }
    return out;
}

// The message of the EConvertError raised for a text that is not a date and
// time. An exception's message is a C string, so it ends at a zero byte.
inline std::string NotADateMessage(std::string_view text) {
    const std::string message = "'" + std::string(text) + "' is not a valid date and time";
    return message.substr(0, message.find('\0'));
}
