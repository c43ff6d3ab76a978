// The offset from universal time that localtime_r gives for an instant in the
// current zone: the one TZ names at this call, or the system's zone as it was
// at most a second ago.
#pragma once

#include <cstdint>
#include <optional>

namespace tz {

// Seconds east of universal time; nothing when localtime_r cannot convert the
// instant (seconds since 1970).
std::optional<std::int32_t> LocalOffset(std::int64_t instant);

}  // namespace tz
