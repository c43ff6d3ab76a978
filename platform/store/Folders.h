// The user's folders, worked out once for every store and every browser,
// and whether anything is at a path in them.
#pragma once

#include <string>

namespace store {

// $HOME, else the password database's home folder, else ".".
std::string HomeDirectory();

// $XDG_CONFIG_HOME, else ~/.config. A relative value is invalid and ignored.
std::string ConfigDirectory();

// $XDG_DATA_HOME, else ~/.local/share.
std::string DataHomeDirectory();

// The directory Orvalla's stores live in: $XDG_DATA_HOME/orvalla, else
// ~/.local/share/orvalla (a relative XDG_DATA_HOME is ignored). Each is read
// anew at every call.
std::string DataDirectory();

// Whether anything at all is at `path`, a dangling link included.
bool Present(const std::string& path);

}  // namespace store
