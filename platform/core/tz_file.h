// Zone files (TZif): the table of a zone's changes of offset, and the rule
// for the instants after the last of them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tz {

struct ZoneTable {
    std::vector<std::int64_t> changes;      // strictly increasing, seconds since 1970
    std::vector<std::int32_t> offsetsFrom;  // seconds east of universal time from each change
    std::string footer;                     // a rule in the TZ form, or empty
};

// Version 2 and later only, and without leap seconds; nothing for any other
// data.
std::optional<ZoneTable> ParseZoneTable(std::string_view bytes);

// What tells one version of a file from another.
struct FileIdentity {
    std::uint64_t device = 0, inode = 0;
    std::int64_t size = 0;
    std::int64_t modified = 0, changed = 0;  // nanoseconds
    bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOf(const std::string& path);

struct ZoneFile {
    FileIdentity identity;
    std::string bytes;
};

// Nothing when the file cannot be opened or read (a directory, say).
std::optional<ZoneFile> ReadZoneFile(const std::string& path);

}  // namespace tz
