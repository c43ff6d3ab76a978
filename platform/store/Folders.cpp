#include "store/Folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace store {
namespace {

// An XDG base directory: the variable when it holds an absolute path, else
// the home folder's default.
std::string XdgDirectory(const char* variable, const char* underHome) {
    const char* const value = std::getenv(variable);
    std::string base = value && value[0] == '/' ? value : HomeDirectory() + "/" + underHome;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base;
}

}  // namespace

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return ".";
}

std::string ConfigDirectory() {
    return XdgDirectory("XDG_CONFIG_HOME", ".config");
}

std::string DataHomeDirectory() {
    return XdgDirectory("XDG_DATA_HOME", ".local/share");
}

std::string DataDirectory() {
    return DataHomeDirectory() + "/orvalla";
}

bool Present(const std::string& path) {
    struct stat status {};
    return lstat(path.c_str(), &status) == 0;
}

}  // namespace store
