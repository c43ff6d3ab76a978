// A browser's time, read by the epoch and the unit its store counts in.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "browsers/Profile.h"

namespace {

using browsers::Epoch;
using browsers::TimeScale;

TEST(BrowserTime, ReadsEachScaleAndNoTimeAsNone) {
    const TimeScale unixSeconds{Epoch::Unix, browsers::kPerSecond};
    const TimeScale micros1601{Epoch::Year1601, browsers::kPerMicrosecond};
    EXPECT_EQ(unixSeconds.FileTime(1), 116444736000000000u + 10'000'000u);
    EXPECT_EQ(micros1601.FileTime(1), 10u);
    for (const TimeScale& scale : {unixSeconds, micros1601}) {
        // A page with no time shows none, not the scale's epoch.
        EXPECT_EQ(scale.FileTime(0), 0u);
        EXPECT_EQ(scale.FileTime(-1), 0u);
        EXPECT_GT(scale.FileTime(std::numeric_limits<std::int64_t>::max()),
                  std::numeric_limits<std::uint64_t>::max() - scale.ticksPerUnit);
    }
}

}  // namespace
