// A temporary home for a fuzzer's process: HOME and the XDG data and
// configuration folders point into it, so that no run reads or writes the
// user's own stores or browser profiles, and it is removed at exit.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "Require.h"

inline const std::filesystem::path& TempHome() {
    static const std::filesystem::path home = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvalla-fuzz-XXXXXX";
        Require(mkdtemp(pattern.data()) != nullptr, "no temporary directory in %s",
                pattern.c_str());
        for (const char* variable : {"HOME", "XDG_DATA_HOME", "XDG_CONFIG_HOME"})
            setenv(variable, pattern.c_str(), 1);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(TempHome(), ignored);
        });
        return std::filesystem::path(pattern);
    }();
    return home;
}
