#include "TempDataDir.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

TempDataDir::TempDataDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvalla-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
    if (const char* old = std::getenv("XDG_DATA_HOME")) {
        previous_ = old;
        hadPrevious_ = true;
    }
    setenv("XDG_DATA_HOME", path_.c_str(), 1);
}

TempDataDir::~TempDataDir() {
    if (hadPrevious_) {
        setenv("XDG_DATA_HOME", previous_.c_str(), 1);
    } else {
        unsetenv("XDG_DATA_HOME");
    }
    std::error_code ignored;
    // Restore write access first, in case a test made part of it read-only.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(path_, ignored);
}

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
        previous_ = old;
        hadPrevious_ = true;
    }
    if (value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv() {
    if (hadPrevious_) {
        setenv(name_.c_str(), previous_.c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}
