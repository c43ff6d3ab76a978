#include "TempDataHome.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <vector>

TempDataHome::TempDataHome() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvalla-bench-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data()))
        throw std::runtime_error("cannot create a temporary directory from " + pattern);
    root_ = name.data();
}

TempDataHome::~TempDataHome() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::string TempDataHome::Home(const std::string& name) const {
    const std::string path = root_ + "/" + name;
    std::filesystem::create_directories(path);
    return path;
}

void TempDataHome::Use(const std::string& name) const {
    setenv("XDG_DATA_HOME", Home(name).c_str(), 1);
}
