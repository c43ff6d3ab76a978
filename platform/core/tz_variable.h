// Tells whether TZ may read differently than at the last look, without
// searching the environment for it on every call.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace tz {

class TzVariable {
public:
    // getenv("TZ") now; remembers what the environment looks like.
    const char* Look();

    // False when getenv("TZ") may give another value than at the last Look.
    //
    // setenv and unsetenv change the environment's list of strings (setenv
    // puts in a new copy); putenv puts the caller's own string in the list,
    // whose text may change later, or whose memory may come back as another
    // variable after it left the list. So the list must hold the same
    // strings as before, the TZ string the same text, and no string that
    // may have changed since - one outside the block the program started
    // with - may have become a TZ string ahead of it. The strings of that
    // block are never rewritten: only setenv's copies or putenv's strings
    // replace them.
    bool Unchanged() const {
        char** const list = environ;
        if (!watching_ || list != list_)
            return false;
        // Compared up to the first null of either: the list now may be
        // shorter than the one remembered (a new one, after the environment
        // was cleared, can lie at the same place).
        for (std::size_t i = 0; i < strings_.size(); ++i) {
            if (list[i] != strings_[i])
                return false;
            if (!list[i])
                break;
        }
        for (std::size_t i : mutables_) {
            if (IsTzString(list[i]))
                return false;
        }
        return tzAt_ < 0 || std::strcmp(list[tzAt_], tzString_.c_str()) == 0;
    }

private:
    static bool IsTzString(const char* string) {
        return string[0] == 'T' && string[1] == 'Z' && string[2] == '=';
    }

    bool watching_ = false;  // false until the first look, or when TZ is not in the list
    char** list_ = nullptr;
    std::vector<char*> strings_;         // the list, with its closing null
    std::vector<std::size_t> mutables_;  // ahead of TZ, outside the starting block
    std::ptrdiff_t tzAt_ = -1;
    std::string tzString_;  // "TZ=..."
};

}  // namespace tz
