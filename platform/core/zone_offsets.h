// The offsets from universal time that the C library's localtime_r gives in
// the current zone, kept for whole ranges of instants over which they cannot
// change: the ranges between the zone's own changes of offset, as its file or
// rule places them. Each offset is taken from localtime_r itself, at both ends
// of its range, when the range is first used; should the library disagree
// with the zone's data anywhere, nothing is kept any more and every instant is
// left to the library.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "tz_file.h"
#include "tz_rule.h"

namespace tz {

// The instants a FILETIME can hold, in seconds since 1970.
inline constexpr std::int64_t kFirstInstant = -11'644'473'600;
inline constexpr std::int64_t kLastInstant = 910'692'730'085;

// localtime_r's offset at the instant, in seconds east of universal time.
std::optional<std::int32_t> LibraryOffset(std::int64_t instant);

class ZoneOffsets {
public:
    // Knows nothing: every instant is left to the library.
    static ZoneOffsets Unknown();
    // One offset at every instant (universal time for an empty TZ, say).
    static ZoneOffsets Constant(std::int32_t offset);
    static ZoneOffsets FromTable(const ZoneTable& table);
    static ZoneOffsets FromRule(const Rule& rule);

    // The offset at the instant (kFirstInstant..kLastInstant), or nothing when
    // only the library can tell it.
    std::optional<std::int32_t> Find(std::int64_t instant) {
        if (instant >= hitStart_ && instant < hitEnd_)
            return hitOffset_;
        return FindElsewhere(instant);
    }

private:
    struct Range {
        enum class State : std::uint8_t { Unlearnt, Learnt, Unusable };
        State state = State::Unlearnt;
        bool expectedKnown = false;
        std::int32_t expected = 0;  // what the zone's data says
        std::int32_t offset = 0;
    };
    // One year of a rule with daylight time: three ranges split by the two
    // changes.
    struct Year {
        std::int64_t year = INT64_MIN;
        bool usable = false;
        std::int64_t bounds[4] = {};  // the start, both changes, the end
        std::int32_t offsets[3] = {};
    };

    ZoneOffsets() = default;
    void AddRange(std::int64_t start, std::optional<std::int32_t> expected);
    void FollowRuleFrom(std::int64_t start, const Rule& rule);
    void Learn(std::size_t index);
    void Distrust();
    void LearnYear(Year& entry, std::int64_t year);
    std::optional<std::int32_t> FindElsewhere(std::int64_t instant);
    std::optional<std::int32_t> FindByRule(std::int64_t instant);
    std::optional<std::int32_t> Hit(std::int64_t start, std::int64_t end, std::int32_t offset);

    // The range found last, which the next instant likely falls in too.
    std::int64_t hitStart_ = 0, hitEnd_ = 0;
    std::int32_t hitOffset_ = 0;

    bool trusted_ = true;
    std::vector<std::int64_t> starts_;
    std::vector<Range> ranges_;
    std::int64_t ruleFrom_ = INT64_MAX;  // from here on the rule, if any, counts
    std::optional<Rule> rule_;
    std::array<Year, 64> years_{};
};

}  // namespace tz
