#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/sysutils.h"

std::uint32_t StrToUInt32(std::string_view text) {
    // from_chars takes no sign; a "+" is allowed here, a "-" never.
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    std::uint32_t value = 0;
    const char* const end = digits.data() + digits.size();
    const auto [stop, error] = std::from_chars(digits.data(), end, value);
    if (error != std::errc() || stop != end)
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return value;
}
