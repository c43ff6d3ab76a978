// Runs the regional settings in a named locale (LC_ALL) for the lifetime of the
// object, then returns them to what the environment said before.
#pragma once

#include <optional>

#include "TempDataDir.h"
#include "platform/regional.h"

class ScopedLocale {
public:
    explicit ScopedLocale(const char* localeName) {
        env_.emplace("LC_ALL", localeName);
        RefreshFormatSettings();
    }
    ~ScopedLocale() {
        env_.reset();  // the variable must be back before the settings are read again
        RefreshFormatSettings();
    }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    std::optional<ScopedEnv> env_;
};
