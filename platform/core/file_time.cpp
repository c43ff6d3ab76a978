#include <ctime>
#include <limits>
#include <optional>

#include "civil_calendar.h"
#include "last_file_date.h"
#include "local_zone.h"
#include "platform/winbase.h"

namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
constexpr std::int64_t kSecondsFrom1601To1970 = civil::kDaysFrom1601To1970 * 86400;
// FILETIME is a signed quantity on the platform: the top half of the range
// stands for no instant at all.
constexpr std::uint64_t kLargestFileTime = std::numeric_limits<std::int64_t>::max();

static_assert(sizeof(std::time_t) == 8, "instants beyond 2038 need a 64-bit time_t");

BOOL Fail() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

}  // namespace

BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime) {
    if (!lpFileTime || !lpLocalFileTime)
        return Fail();
    const std::uint64_t universal = FileTimeToQuad(*lpFileTime);
    if (universal > kLargestFileTime)
        return Fail();

    const std::time_t instant =
        static_cast<std::time_t>(universal / kTicksPerSecond) - kSecondsFrom1601To1970;
    const std::optional<std::int32_t> localOffset = tz::LocalOffset(instant);
    if (!localOffset)
        return Fail();

    const std::int64_t offset =
        static_cast<std::int64_t>(*localOffset) * static_cast<std::int64_t>(kTicksPerSecond);
    std::int64_t result = 0;
    if (__builtin_add_overflow(static_cast<std::int64_t>(universal), offset, &result) || result < 0)
        return Fail();
    *lpLocalFileTime = QuadToFileTime(static_cast<std::uint64_t>(result));
    return TRUE;
}

BOOL FileTimeToDosDateTime(const FILETIME* lpFileTime, LPWORD lpFatDate, LPWORD lpFatTime) {
    if (!lpFileTime || !lpFatDate || !lpFatTime)
        return Fail();
    const std::uint64_t seconds = FileTimeToQuad(*lpFileTime) / kTicksPerSecond;
    const auto days = static_cast<std::int64_t>(seconds / 86400);
    const auto secondOfDay = static_cast<unsigned>(seconds % 86400);

    const civil::Date date = civil::CivilFromDaysOfCommonEra(days - civil::kDaysFrom1601To1970);
    if (date.year < 1980 || date.year > 2107)
        return Fail();

    const unsigned hour = secondOfDay / 3600;
    const unsigned minute = secondOfDay / 60 % 60;
    const unsigned second = secondOfDay % 60;
    *lpFatDate = static_cast<WORD>((date.year - 1980) << 9 | date.month << 5 | date.day);
    *lpFatTime = static_cast<WORD>(hour << 11 | minute << 5 | second / 2);
    file_date::Remember(DWORD{*lpFatDate} << 16 | *lpFatTime,
                        days - civil::kDaysFrom1601To1970 + civil::kDaysFrom1899To1970,
                        secondOfDay - second % 2);
    return TRUE;
}
