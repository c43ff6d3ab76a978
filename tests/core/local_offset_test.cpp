// FileTimeToLocalFileTime against localtime_r itself, in zones whose rules
// are out of the ordinary, at every change of offset and at random instants.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "TempDataDir.h"
#include "TimeStamps.h"
#include "platform/winbase.h"

namespace {

constexpr std::int64_t kSecondsFrom1601To1970 = 11'644'473'600;
// Two days inside what a FILETIME holds, so that no offset leaves the range.
constexpr std::int64_t kFirst = -kSecondsFrom1601To1970 + 2 * 86400;
constexpr std::int64_t kLast = 910'692'730'085 - 2 * 86400;
constexpr std::int64_t kWeek = 7 * 86400;

std::int64_t LibraryOffset(std::int64_t instant) {
    const std::time_t time = instant;
    std::tm local{};
    EXPECT_TRUE(localtime_r(&time, &local)) << instant;
    return local.tm_gmtoff;
}

std::int64_t ConvertedOffset(std::int64_t instant) {
    const FILETIME universal = QuadToFileTime(
        static_cast<std::uint64_t>(instant + kSecondsFrom1601To1970) * kTicksPerSecond + 1234);
    FILETIME local{};
    EXPECT_TRUE(FileTimeToLocalFileTime(&universal, &local)) << instant;
    return (static_cast<std::int64_t>(FileTimeToQuad(local)) -
            static_cast<std::int64_t>(FileTimeToQuad(universal))) /
           static_cast<std::int64_t>(kTicksPerSecond);
}

std::int64_t Utc(int year, int month = 1, int day = 1) {
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    return timegm(&fields);
}

// The instants at which the library's offset changes, found by stepping a
// week at a time and halving the step at each difference.
std::vector<std::int64_t> LibraryChanges(std::int64_t from, std::int64_t to) {
    std::vector<std::int64_t> changes;
    std::int64_t before = LibraryOffset(from);
    for (std::int64_t at = from + kWeek; at <= to; at += kWeek) {
        const std::int64_t now = LibraryOffset(at);
        if (now == before)
            continue;
        std::int64_t low = at - kWeek, high = at;  // offset(low) == before != offset(high)
        while (high - low > 1) {
            const std::int64_t middle = low + (high - low) / 2;
            (LibraryOffset(middle) == before ? low : high) = middle;
        }
        changes.push_back(high);
        before = now;
    }
    return changes;
}

// The instants where the two disagree, as text, for the zone set in TZ.
std::string Disagreements(const std::vector<std::int64_t>& instants) {
    tzset();
    std::ostringstream out;
    int count = 0;
    for (std::int64_t instant : instants) {
        const std::int64_t converted = ConvertedOffset(instant);
        const std::int64_t expected = LibraryOffset(instant);
        if (converted != expected && ++count <= 5)
            out << instant << ": " << converted << " instead of " << expected << "; ";
    }
    if (count > 5)
        out << count << " in all";
    return out.str();
}

std::vector<std::int64_t> ProbesOfZone(std::uint32_t seed) {
    tzset();
    std::vector<std::int64_t> probes;
    for (std::int64_t change : LibraryChanges(Utc(1850), Utc(2200))) {
        for (std::int64_t step : {-86400, -3601, -3600, -1, 0, 1, 1799, 3600, 86400})
            probes.push_back(change + step);
    }
    std::mt19937_64 random(seed);
    std::uniform_int_distribution<std::int64_t> anyTime(kFirst, kLast);
    std::uniform_int_distribution<std::int64_t> ourTimes(Utc(1900), Utc(2100));
    for (int i = 0; i < 2000; ++i) {
        probes.push_back(anyTime(random));
        probes.push_back(ourTimes(random));
    }
    for (int year :
         {1602, 1899, 1900, 1901, 1969, 1970, 2037, 2038, 2039, 2107, 2108, 9999, 10000, 30000}) {
        probes.push_back(Utc(year) - 1);
        probes.push_back(Utc(year));
    }
    probes.push_back(kFirst);
    probes.push_back(kLast);
    return probes;
}

void ExpectLibraryOffsetsIn(const char* zone) {
    ScopedEnv tz("TZ", zone);
    // Converted once before the library is asked: the first call reads TZ.
    ConvertedOffset(0);
    const std::vector<std::int64_t> probes =
        ProbesOfZone(std::hash<std::string>()(zone ? zone : ""));
    EXPECT_EQ(Disagreements(probes), "") << zone;
    // And again with every range already learnt.
    EXPECT_EQ(Disagreements(probes), "") << zone;
}

TEST(FileTimeToLocalFileTime, GivesTheLibrarysOffsetInZonesWithOddRules) {
    for (const char* zone :
         {"Australia/Lord_Howe", "Asia/Kathmandu", "Europe/Dublin", "America/St_Johns",
          "Africa/Casablanca", "Pacific/Apia", "America/New_York", "Europe/Berlin",
          "America/Santiago", "Asia/Jerusalem", "America/Nuuk", "Antarctica/Troll", "Asia/Tehran"})
        ExpectLibraryOffsetsIn(zone);
}

TEST(FileTimeToLocalFileTime, GivesTheLibrarysOffsetForRulesInTZ) {
    for (const char* zone :
         {"EST5EDT,M3.2.0,M11.1.0", "NZST-12:00:00NZDT-13:00:00,M10.1.0,M3.3.0", "<+0545>-5:45",
          "IST-1GMT0,M10.5.0,M3.5.0/1", "<-02>2<-01>,M3.5.0/-1,M10.5.0/0", "AAA3BBB,J60/25,J300",
          "CCC-10DDD,0/0,J365/25", "EEE5FFF,M1.1.0/0,M12.5.6/23", "GGG0HHH-2,100/1:30:15,200/26"})
        ExpectLibraryOffsetsIn(zone);
}

TEST(FileTimeToLocalFileTime, GivesTheLibrarysOffsetForOtherSpellingsOfTZ) {
    for (const char* zone : {"", ":", "UTC", ":Europe/Berlin", "/usr/share/zoneinfo/Asia/Tokyo",
                             "EST5EDT", "No/Such_Zone", "JST-9", "ABC", "EST5EDT4", "/dev/null",
                             "/usr/share/zoneinfo", "right/Europe/London"})
        ExpectLibraryOffsetsIn(zone);
    ExpectLibraryOffsetsIn(nullptr);  // the system's zone
}

TEST(FileTimeToLocalFileTime, GivesTheLibrarysOffsetForAZoneUnderTZDIR) {
    TempDataDir directory;
    std::filesystem::create_directories(directory.Path() + "/Test");
    std::filesystem::copy_file("/usr/share/zoneinfo/Australia/Lord_Howe",
                               directory.Path() + "/Test/Zone");
    ScopedEnv zoneDirectory("TZDIR", directory.Path().c_str());
    ExpectLibraryOffsetsIn("Test/Zone");
}

TEST(FileTimeToLocalFileTime, FollowsTZFromOneCallToTheNext) {
    const std::int64_t summer = Utc(2026, 7, 1);
    ScopedEnv tz("TZ", "Europe/Berlin");
    EXPECT_EQ(ConvertedOffset(summer), 2 * 3600);
    setenv("TZ", "Asia/Kathmandu", 1);
    EXPECT_EQ(ConvertedOffset(summer), 5 * 3600 + 45 * 60);
    setenv("TZ", "Europe/Berlin", 1);
    EXPECT_EQ(ConvertedOffset(summer), 2 * 3600);
    unsetenv("TZ");
    tzset();
    EXPECT_EQ(ConvertedOffset(summer), LibraryOffset(summer));
    setenv("ORVALLA_TEST_OTHER", "1", 1);  // another variable moves the list
    setenv("TZ", "America/St_Johns", 1);
    EXPECT_EQ(ConvertedOffset(summer), -(2 * 3600 + 30 * 60));
    unsetenv("ORVALLA_TEST_OTHER");
    EXPECT_EQ(ConvertedOffset(summer), -(2 * 3600 + 30 * 60));
}

TEST(FileTimeToLocalFileTime, FollowsAStringGivenToPutenvAsItChanges) {
    const std::int64_t summer = Utc(2026, 7, 1);
    ScopedEnv restore("TZ", nullptr);
    static char entry[] = "TZ=Europe/Berlin";
    ASSERT_EQ(putenv(entry), 0);
    EXPECT_EQ(ConvertedOffset(summer), 2 * 3600);
    std::strcpy(entry, "TZ=Asia/Tokyo");
    EXPECT_EQ(ConvertedOffset(summer), 9 * 3600);

    // A string that becomes TZ ahead of the one there.
    static char renamed[] = "XZ=Asia/Kathmandu";
    ASSERT_EQ(putenv(renamed), 0);
    unsetenv("TZ");
    ASSERT_EQ(putenv(entry), 0);  // now after the other
    EXPECT_EQ(ConvertedOffset(summer), 9 * 3600);
    renamed[0] = 'T';
    EXPECT_EQ(ConvertedOffset(summer), 5 * 3600 + 45 * 60);
    unsetenv("TZ");
    unsetenv("XZ");
}

TEST(FileTimeToLocalFileTime, GivesEachThreadTheLibrarysOffset) {
    ScopedEnv tz("TZ", "Australia/Lord_Howe");
    tzset();
    std::vector<std::int64_t> instants;
    for (std::int64_t at = Utc(2015); at < Utc(2032); at += 86400 + 1799)
        instants.push_back(at);
    std::vector<std::string> results(2);
    std::vector<std::thread> threads;
    for (std::string& result : results)
        threads.emplace_back([&] { result = Disagreements(instants); });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(results[0], "");
    EXPECT_EQ(results[1], "");
}

}  // namespace
