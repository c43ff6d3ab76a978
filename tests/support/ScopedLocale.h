// Runs the regional settings in a named locale (LC_ALL) or time zone (TZ) for
// the lifetime of the object, then returns them to what the environment said
// before.
#pragma once

#include <optional>

#include "TempDataDir.h"
#include "platform/regional.h"

// Sets the variable and reads the settings again, the time zone with them.
class ScopedRegionalSetting {
public:
    ScopedRegionalSetting(const char* name, const char* value) {
        env_.emplace(name, value);
        RefreshFormatSettings();
    }
    ~ScopedRegionalSetting() {
        env_.reset();  // the variable must be back before the settings are read again
        RefreshFormatSettings();
    }
    ScopedRegionalSetting(const ScopedRegionalSetting&) = delete;
    ScopedRegionalSetting& operator=(const ScopedRegionalSetting&) = delete;

private:
    std::optional<ScopedEnv> env_;
};

class ScopedLocale : public ScopedRegionalSetting {
public:
    explicit ScopedLocale(const char* localeName) : ScopedRegionalSetting("LC_ALL", localeName) {}
};

// nullptr: the system's zone.
class ScopedTimeZone : public ScopedRegionalSetting {
public:
    explicit ScopedTimeZone(const char* zone) : ScopedRegionalSetting("TZ", zone) {}
};
