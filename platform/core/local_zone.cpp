#include "local_zone.h"

#include <cstdlib>
#include <ctime>
#include <string>

#include "tz_file.h"
#include "tz_rule.h"
#include "tz_variable.h"
#include "zone_offsets.h"

namespace tz {

namespace {

constexpr const char* kSystemZone = "/etc/localtime";
constexpr const char* kZoneDirectory = "/usr/share/zoneinfo";

std::string ZoneDirectory() {
    const char* directory = std::getenv("TZDIR");
    return directory && *directory ? directory : kZoneDirectory;
}

// localtime_r reads its zone again only when tzset runs. That runs when TZ
// reads differently than at the last look, and otherwise when the clock's
// second has moved on since: looking at the system's zone file costs a stat(),
// and a list converts thousands of time stamps in a row. The offsets of the
// zone are kept for as long as its source stays the same.
class LocalZone {
public:
    std::optional<std::int32_t> Offset(std::int64_t instant) {
        const bool sameEnvironment = variable_.Unchanged();
        const std::time_t now = std::time(nullptr);
        if (!sameEnvironment || now != lastLook_)
            Follow(sameEnvironment, now);
        if (const std::optional<std::int32_t> offset = offsets_.Find(instant))
            return offset;
        return LibraryOffset(instant);
    }

private:
    [[gnu::noinline]] void Follow(bool sameEnvironment, std::time_t now) {
        if (!sameEnvironment) {
            const char* zone = variable_.Look();
            const bool sameZone =
                looked_ && (zone != nullptr) == hadZone_ && (!zone || zone_ == zone);
            if (!sameZone) {
                tzset();
                looked_ = true;
                hadZone_ = zone != nullptr;
                zone_ = zone ? zone : "";
                Load(zone);
                lastLook_ = now;
                return;
            }
        }
        if (now == lastLook_)
            return;
        tzset();
        lastLook_ = now;
        if (watched_ && IdentityOf(path_) != identity_) {
            // The library reads the system's zone again when its file changes;
            // whether it reads a file that TZ names again is not so clear.
            if (hadZone_) {
                watched_ = false;
                offsets_ = ZoneOffsets::Unknown();
            } else {
                Load(nullptr);
            }
        }
    }

    // Reads the zone the way the library does: TZ unset means the system's
    // file; empty, or a colon alone, universal time; a name, a file (under
    // the zone directory unless absolute), else a rule in the TZ form unless
    // the name began with a colon.
    void Load(const char* zone) {
        watched_ = false;
        if (zone && (*zone == '\0' || (zone[0] == ':' && zone[1] == '\0'))) {
            offsets_ = ZoneOffsets::Constant(0);
            return;
        }
        const bool colon = zone && zone[0] == ':';
        const std::string name = !zone ? kSystemZone : colon ? zone + 1 : zone;
        path_ = name[0] == '/' ? name : ZoneDirectory() + "/" + name;
        const std::optional<ZoneFile> file = ReadZoneFile(path_);
        if (file || !zone) {
            watched_ = true;
            identity_ = IdentityOf(path_);
            if (!file || identity_ != file->identity) {
                offsets_ = ZoneOffsets::Unknown();
                return;
            }
            const std::optional<ZoneTable> table = ParseZoneTable(file->bytes);
            offsets_ = table ? ZoneOffsets::FromTable(*table) : ZoneOffsets::Unknown();
            return;
        }
        const std::optional<Rule> rule = colon ? std::nullopt : ParseRule(name);
        offsets_ = rule ? ZoneOffsets::FromRule(*rule) : ZoneOffsets::Unknown();
    }

    TzVariable variable_;
    bool looked_ = false;
    bool hadZone_ = false;
    std::string zone_;
    std::time_t lastLook_ = -1;

    ZoneOffsets offsets_ = ZoneOffsets::Unknown();
    bool watched_ = false;  // the offsets came from the file at path_
    std::string path_;
    std::optional<FileIdentity> identity_;
};

}  // namespace

std::optional<std::int32_t> LocalOffset(std::int64_t instant) {
    thread_local LocalZone zone;
    return zone.Offset(instant);
}

}  // namespace tz
