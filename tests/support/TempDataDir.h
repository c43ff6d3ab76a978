// A fresh home for a test, removed again with everything in it. While it
// lives HOME and XDG_DATA_HOME point at it and XDG_CONFIG_HOME into it, so
// that no test reads or writes the user's own files.
#pragma once

#include <QTemporaryDir>

#include <optional>
#include <string>

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);  // nullptr unsets
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

class TempDataDir {
public:
    TempDataDir();
    ~TempDataDir();
    TempDataDir(const TempDataDir&) = delete;
    TempDataDir& operator=(const TempDataDir&) = delete;

    // The XDG data home; the stores live in Path() + "/orvalla".
    const std::string& Path() const { return path_; }
    std::string StoreDir() const { return path_ + "/orvalla"; }

private:
    QTemporaryDir dir_;
    const std::string path_;
    const ScopedEnv home_;
    const ScopedEnv dataHome_;
    const ScopedEnv configHome_;
};
