#include "zone_offsets.h"

#include <algorithm>
#include <ctime>

#include "civil_calendar.h"

namespace tz {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

std::int64_t FloorDivide(std::int64_t value, std::int64_t divisor) {
    const std::int64_t quotient = value / divisor;
    return quotient - (value % divisor < 0);
}

std::int64_t StartOfYear(std::int64_t year) {
    return civil::DaysFromCivil(year, 1, 1) * kSecondsPerDay;
}

std::int64_t YearOf(std::int64_t instant) {
    return civil::CivilFromDaysOfCommonEra(FloorDivide(instant, kSecondsPerDay)).year;
}

struct Changes {
    std::int64_t toDaylight, toStandard;
};

Changes ChangesIn(const Rule& rule, std::int64_t year) {
    return {ChangeInstant(rule.start, year, rule.standardOffset),
            ChangeInstant(rule.end, year, rule.daylightOffset)};
}

// Whether both changes of the year lie well inside it: then the year the
// library reckons an instant near New Year in, universal or local, makes no
// difference, as either year's changes leave it on the same side.
bool WellInsideItsYear(const Rule& rule, std::int64_t year) {
    constexpr std::int64_t kMargin = 2 * kSecondsPerDay;
    const Changes changes = ChangesIn(rule, year);
    const std::int64_t first = StartOfYear(year) + kMargin;
    const std::int64_t last = StartOfYear(year + 1) - kMargin;
    return changes.toDaylight != changes.toStandard && changes.toDaylight >= first &&
           changes.toDaylight <= last && changes.toStandard >= first && changes.toStandard <= last;
}

}  // namespace

std::optional<std::int32_t> LibraryOffset(std::int64_t instant) {
    const std::time_t time = instant;
    std::tm local{};
    if (!localtime_r(&time, &local))
        return std::nullopt;
    return static_cast<std::int32_t>(local.tm_gmtoff);
}

ZoneOffsets ZoneOffsets::Unknown() {
    ZoneOffsets zone;
    zone.Distrust();
    return zone;
}

void ZoneOffsets::Distrust() {
    trusted_ = false;
    hitStart_ = hitEnd_ = 0;
}

ZoneOffsets ZoneOffsets::Constant(std::int32_t offset) {
    ZoneOffsets zone;
    zone.AddRange(kFirstInstant, offset);
    return zone;
}

ZoneOffsets ZoneOffsets::FromTable(const ZoneTable& table) {
    const std::optional<Rule> footer =
        table.footer.empty() ? std::nullopt : ParseRule(table.footer);
    ZoneOffsets zone;
    if (table.changes.empty()) {
        // The library keeps to one of the zone's offsets then; which one does
        // not matter as long as the footer cannot bring daylight time.
        if (!table.footer.empty() && (!footer || footer->hasDaylight))
            return Unknown();
        zone.AddRange(kFirstInstant, std::nullopt);
        return zone;
    }

    // Before the first change the library keeps to one offset of the zone.
    std::optional<std::int32_t> expected;
    const std::size_t last = table.changes.size() - 1;
    for (std::size_t i = 0; i < last && table.changes[i] <= kFirstInstant; ++i)
        expected = table.offsetsFrom[i];
    zone.AddRange(kFirstInstant, expected);
    for (std::size_t i = 0; i < last; ++i) {
        if (table.changes[i] > kFirstInstant && table.changes[i] <= kLastInstant)
            zone.AddRange(table.changes[i], table.offsetsFrom[i]);
    }
    const std::int64_t ruleFrom = std::max(table.changes[last], kFirstInstant);
    if (footer)
        zone.FollowRuleFrom(ruleFrom, *footer);
    else
        zone.ruleFrom_ = ruleFrom;  // left to the library
    return zone;
}

ZoneOffsets ZoneOffsets::FromRule(const Rule& rule) {
    ZoneOffsets zone;
    zone.FollowRuleFrom(kFirstInstant, rule);
    return zone;
}

void ZoneOffsets::AddRange(std::int64_t start, std::optional<std::int32_t> expected) {
    starts_.push_back(start);
    Range range;
    range.expectedKnown = expected.has_value();
    range.expected = expected.value_or(0);
    ranges_.push_back(range);
}

void ZoneOffsets::FollowRuleFrom(std::int64_t start, const Rule& rule) {
    if (!rule.hasDaylight || rule.daylightOffset == rule.standardOffset) {
        AddRange(start, rule.standardOffset);
        return;
    }
    ruleFrom_ = start;
    rule_ = rule;
}

std::optional<std::int32_t> ZoneOffsets::FindElsewhere(std::int64_t instant) {
    if (!trusted_)
        return std::nullopt;
    if (instant >= ruleFrom_)
        return FindByRule(instant);
    const auto after = std::upper_bound(starts_.begin(), starts_.end(), instant);
    const auto index = static_cast<std::size_t>(after - starts_.begin()) - 1;
    Range& range = ranges_[index];
    if (range.state == Range::State::Unlearnt)
        Learn(index);
    if (range.state != Range::State::Learnt || !trusted_)
        return std::nullopt;
    const std::int64_t end = index + 1 < starts_.size() ? starts_[index + 1] : ruleFrom_;
    return Hit(starts_[index], end, range.offset);
}

std::optional<std::int32_t> ZoneOffsets::Hit(std::int64_t start, std::int64_t end,
                                             std::int32_t offset) {
    hitStart_ = start;
    hitEnd_ = end;
    hitOffset_ = offset;
    return offset;
}

// The library gives one offset from one change of the zone to the next; its
// offset at both ends shows that it reads the same changes.
void ZoneOffsets::Learn(std::size_t index) {
    Range& range = ranges_[index];
    const std::int64_t start = starts_[index];
    const std::int64_t end = index + 1 < starts_.size() ? starts_[index + 1] : ruleFrom_;
    const std::optional<std::int32_t> first = LibraryOffset(start);
    const std::optional<std::int32_t> last = LibraryOffset(std::min(end - 1, kLastInstant));
    if (!first || !last) {
        range.state = Range::State::Unusable;
        return;
    }
    if (*first != *last || (range.expectedKnown && *first != range.expected)) {
        Distrust();
        return;
    }
    range.offset = *first;
    range.state = Range::State::Learnt;
}

std::optional<std::int32_t> ZoneOffsets::FindByRule(std::int64_t instant) {
    if (!rule_)
        return std::nullopt;
    const std::int64_t year = YearOf(instant);
    Year& entry = years_[static_cast<std::size_t>(year) % years_.size()];
    if (entry.year != year)
        LearnYear(entry, year);
    if (!entry.usable || !trusted_)
        return std::nullopt;
    const int part = instant < entry.bounds[1] ? 0 : instant < entry.bounds[2] ? 1 : 2;
    return Hit(entry.bounds[part], entry.bounds[part + 1], entry.offsets[part]);
}

// Within a year the rule changes the offset twice, at most. When both changes
// computed here show in the library's offsets exactly where they fall, they
// are the library's two changes, and the offset stays put between them. A year
// where they do not is left to the library.
void ZoneOffsets::LearnYear(Year& entry, std::int64_t year) {
    const Rule& rule = *rule_;
    entry.year = year;
    entry.usable = false;
    // The library applies such rules from 1970 on only.
    if (year < 1970)
        return;
    if (!WellInsideItsYear(rule, year - 1) || !WellInsideItsYear(rule, year) ||
        !WellInsideItsYear(rule, year + 1))
        return;
    const std::int64_t start = std::max(StartOfYear(year), ruleFrom_);
    const std::int64_t end = std::min(StartOfYear(year + 1), kLastInstant + 1);
    const Changes changes = ChangesIn(rule, year);
    const bool northern = changes.toDaylight < changes.toStandard;
    const std::int64_t first = northern ? changes.toDaylight : changes.toStandard;
    const std::int64_t second = northern ? changes.toStandard : changes.toDaylight;
    if (first <= start || second >= end)
        return;

    const std::int64_t probes[6] = {start, first - 1, first, second - 1, second, end - 1};
    std::int32_t seen[6];
    for (int i = 0; i < 6; ++i) {
        const std::optional<std::int32_t> offset = LibraryOffset(probes[i]);
        if (!offset)
            return;
        seen[i] = *offset;
    }
    const std::int32_t outer = northern ? rule.standardOffset : rule.daylightOffset;
    const std::int32_t inner = northern ? rule.daylightOffset : rule.standardOffset;
    if (seen[0] != outer || seen[1] != outer || seen[2] != inner || seen[3] != inner ||
        seen[4] != outer || seen[5] != outer)
        return;
    entry.bounds[0] = start;
    entry.bounds[1] = first;
    entry.bounds[2] = second;
    entry.bounds[3] = end;
    entry.offsets[0] = outer;
    entry.offsets[1] = inner;
    entry.offsets[2] = outer;
    entry.usable = true;
}

}  // namespace tz
