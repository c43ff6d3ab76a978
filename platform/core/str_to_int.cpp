#include <cstdint>
#include <string>

#include "platform/sysutils.h"

namespace {

// Digits after an optional sign; false for anything else or a magnitude
// beyond `limit`.
bool ParseDecimal(const std::string& text, bool allowMinus, std::uint64_t limitPositive,
                  std::uint64_t limitNegative, bool& negative, std::uint64_t& magnitude) {
    std::size_t i = 0;
    negative = false;
    if (i < text.size() && (text[i] == '+' || (allowMinus && text[i] == '-'))) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size())
        return false;
    const std::uint64_t limit = negative ? limitNegative : limitPositive;
    magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (magnitude > limit)
            return false;
    }
    return true;
}

[[noreturn]] void RaiseNotAnInteger(const std::string& text) {
    throw EConvertError("'" + text + "' is not a valid integer value");
}

}  // namespace

int StrToInt(const std::string& text) {
    bool negative = false;
    std::uint64_t magnitude = 0;
    if (!ParseDecimal(text, true, INT32_MAX, std::uint64_t{INT32_MAX} + 1, negative, magnitude))
        RaiseNotAnInteger(text);
    const auto signedMagnitude = static_cast<std::int64_t>(magnitude);
    return static_cast<int>(negative ? -signedMagnitude : signedMagnitude);
}

std::uint32_t StrToUInt32(const std::string& text) {
    bool negative = false;
    std::uint64_t magnitude = 0;
    if (!ParseDecimal(text, false, UINT32_MAX, 0, negative, magnitude))
        RaiseNotAnInteger(text);
    return static_cast<std::uint32_t>(magnitude);
}
