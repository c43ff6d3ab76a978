// What the date fuzzers share: the locales whose formats differ in order,
// separators, designators and digits of the hour; stopping with a message
// when a property fails; texts made printable for that message.
#pragma once

#include <array>
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

inline constexpr std::array kFuzzLocales = {
    "en_US", "de_DE", "en_GB", "ja_JP", "C",     "ko_KR", "fr_FR", "zh_CN",
    "ru_RU", "ar_EG", "hi_IN", "fi_FI", "nl_NL", "pt_BR", "sv_SE", "he_IL",
    "th_TH", "fa_IR", "es_ES", "it_IT", "pl_PL", "tr_TR", "vi_VN", "el_GR",
    "hu_HU", "cs_CZ", "da_DK", "nb_NO", "en_ZA", "en_CA", "fr_CA", "de_CH"};

inline const char* FuzzLocale(unsigned char selector) {
    return kFuzzLocales[selector % kFuzzLocales.size()];
}

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
