#include "Floors.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <ctime>
#include <limits>

#include "platform/winbase.h"

QString DateText(std::uint64_t fileTime, std::string_view outside) {
    std::tm local{};
    // The upper half stands for no instant: clamped below it, it lies past the
    // DOS years as well.
    const std::uint64_t ticks =
        std::min<std::uint64_t>(fileTime, std::numeric_limits<std::int64_t>::max());
    const std::time_t instant =
        std::chrono::floor<std::chrono::seconds>(ToTimePoint(QuadToFileTime(ticks)))
            .time_since_epoch()
            .count();
    if (!localtime_r(&instant, &local) || local.tm_year < 80 || local.tm_year > 207)
        return QString::fromLatin1(outside.data(), static_cast<qsizetype>(outside.size()));

    const int second = local.tm_sec / 2 * 2;
    char text[32];
    char* out = text;
    // A number after its separator, in two digits or as few as it needs.
    const auto put = [&out](const char* separator, int value, bool twoDigits = false) {
        out = std::copy(separator, separator + std::strlen(separator), out);
        if (twoDigits && value < 10)
            *out++ = '0';
        out = std::to_chars(out, out + 4, value).ptr;
    };
    put("", local.tm_mon + 1);
    put("/", local.tm_mday);
    put("/", local.tm_year + 1900);
    if (local.tm_hour != 0 || local.tm_min != 0 || second != 0) {
        put(" ", local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12);
        put(":", local.tm_min, true);
        put(":", second, true);
        out = std::copy_n(local.tm_hour < 12 ? " AM" : " PM", 3, out);
    }
    return QString::fromLatin1(text, out - text);
}

QString CaptionText(std::string_view address) {
    std::string_view host = address.substr(address.find('@') + 1);
    if (!host.empty() && host.back() == '/')
        host.remove_suffix(1);
    return QString::fromUtf8(host.data(), static_cast<qsizetype>(host.size()));
}
