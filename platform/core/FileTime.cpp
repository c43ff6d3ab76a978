#include <chrono>
#include <ctime>
#include <limits>

#include "platform/dateutils.h"
#include "platform/winbase.h"

namespace {

using namespace std::chrono;

// FILETIME is a signed quantity on the platform: the top half of the range
// stands for no instant at all.
constexpr std::uint64_t kLargestFileTime = std::numeric_limits<std::int64_t>::max();

static_assert(sizeof(std::time_t) == 8, "instants beyond 2038 need a 64-bit time_t");

BOOL Fail() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

// localtime_r need not look at the zone at all until tzset has run once.
bool LocalTime(std::time_t instant, std::tm& local) {
    static const bool zoneTakenUp = (TakeUpTimeZone(), true);
    return zoneTakenUp && localtime_r(&instant, &local);
}

}  // namespace

void GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime) {
    *lpSystemTimeAsFileTime = ToFileTime(floor<FileTimeTicks>(system_clock::now()));
}

void TakeUpTimeZone() {
    tzset();
}

BOOL FileTimeToLocalFileTime(const FILETIME* lpFileTime, LPFILETIME lpLocalFileTime) {
    if (!lpFileTime || !lpLocalFileTime || FileTimeToQuad(*lpFileTime) > kLargestFileTime)
        return Fail();
    const FileTimePoint universal = ToTimePoint(*lpFileTime);
    std::tm local{};
    if (!LocalTime(floor<seconds>(universal).time_since_epoch().count(), local))
        return Fail();

    const std::int64_t offset = FileTimeTicks{seconds{local.tm_gmtoff}}.count();
    std::int64_t result = 0;
    if (__builtin_add_overflow((universal - kFileTimeEpoch).count(), offset, &result) || result < 0)
        return Fail();
    *lpLocalFileTime = QuadToFileTime(static_cast<std::uint64_t>(result));
    return TRUE;
}

BOOL FileTimeToDosDateTime(const FILETIME* lpFileTime, LPWORD lpFatDate, LPWORD lpFatTime) {
    if (!lpFileTime || !lpFatDate || !lpFatTime || FileTimeToQuad(*lpFileTime) > kLargestFileTime)
        return Fail();
    const FileTimePoint instant = ToTimePoint(*lpFileTime);
    const sys_days day = floor<days>(instant);
    const year_month_day date{day};
    if (date.year() < year{1980} || date.year() > year{2107})
        return Fail();
    const hh_mm_ss time{floor<seconds>(instant - day)};
    *lpFatDate = static_cast<WORD>((static_cast<int>(date.year()) - 1980) << 9 |
                                   static_cast<unsigned>(date.month()) << 5 |
                                   static_cast<unsigned>(date.day()));
    *lpFatTime = static_cast<WORD>(time.hours().count() << 11 | time.minutes().count() << 5 |
                                   time.seconds().count() / 2);
    return TRUE;
}

int CurrentYear() {
    std::tm local{};
    LocalTime(std::time(nullptr), local);
    return local.tm_year + 1900;
}
