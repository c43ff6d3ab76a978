// A temporary directory holding the benchmark's data homes, removed with
// everything in it at the end.
#pragma once

#include <string>

class TempDataHome {
public:
    TempDataHome();  // throws std::runtime_error when no directory can be made
    ~TempDataHome();
    TempDataHome(const TempDataHome&) = delete;
    TempDataHome& operator=(const TempDataHome&) = delete;

    const std::string& Root() const { return root_; }
    // A data home below the root, created on demand; XDG_DATA_HOME for it.
    std::string Home(const std::string& name) const;
    // Points XDG_DATA_HOME of this process at the named data home.
    void Use(const std::string& name) const;

private:
    std::string root_;
};
