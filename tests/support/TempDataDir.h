// A fresh data directory for the stores, removed again with everything in it.
// Points XDG_DATA_HOME at itself while it lives.
#pragma once

#include <string>

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
    std::string path_;
    std::string previous_;
    bool hadPrevious_ = false;
};

// Sets an environment variable for the lifetime of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value);  // nullptr unsets
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::string previous_;
    bool hadPrevious_ = false;
};
