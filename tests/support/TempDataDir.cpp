#include "TempDataDir.h"

#include <QDir>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace {

std::string Created(const QTemporaryDir& dir) {
    if (!dir.isValid())
        throw std::runtime_error("no temporary directory: " + dir.errorString().toStdString());
    return dir.path().toStdString();
}

}  // namespace

ScopedEnv::ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name))
        previous_ = old;
    if (value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv() {
    if (previous_) {
        setenv(name_.c_str(), previous_->c_str(), 1);
    } else {
        unsetenv(name_.c_str());
    }
}

TempDataDir::TempDataDir()
    : dir_(QDir::tempPath() + "/orvalla-test-XXXXXX"),
      path_(Created(dir_)),
      home_("HOME", path_.c_str()),
      dataHome_("XDG_DATA_HOME", path_.c_str()),
      configHome_("XDG_CONFIG_HOME", (path_ + "/.config").c_str()) {}

// A test may have made part of the directory read-only; QTemporaryDir could
// not remove what lies within.
TempDataDir::~TempDataDir() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
    }
}
