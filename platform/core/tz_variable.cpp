#include "tz_variable.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace tz {

namespace {

struct Block {
    std::uintptr_t start = 0, end = 0;
    bool Holds(const char* string) const {
        const auto at = reinterpret_cast<std::uintptr_t>(string);
        return at >= start && at < end;
    }
};

// Where the environment's strings lay when the program started: the system
// packs them one after the other. Taken before main, while nothing can have
// changed the environment; should the strings not lie packed, no block is
// known, and every string counts as one that may change.
Block PackedStartingStrings() {
    if (!environ || !environ[0])
        return {};
    Block block;
    block.start = reinterpret_cast<std::uintptr_t>(environ[0]);
    const char* next = environ[0];
    for (char** string = environ; *string; ++string) {
        if (*string != next)
            return {};
        next += std::strlen(next) + 1;
    }
    block.end = reinterpret_cast<std::uintptr_t>(next);
    return block;
}

const Block startingBlock = PackedStartingStrings();

}  // namespace

const char* TzVariable::Look() {
    const char* const value = std::getenv("TZ");
    watching_ = true;
    list_ = environ;
    strings_.clear();
    mutables_.clear();
    tzAt_ = -1;
    tzString_.clear();
    if (!list_)
        return value;

    std::size_t count = 0;
    while (list_[count])
        ++count;
    strings_.assign(list_, list_ + count + 1);
    if (value) {
        for (std::size_t i = 0; i < count && tzAt_ < 0; ++i) {
            if (IsTzString(list_[i]) && list_[i] + 3 == value) {
                tzAt_ = static_cast<std::ptrdiff_t>(i);
                tzString_ = list_[i];
            }
        }
        // Not where getenv found it: look again at every call.
        watching_ = tzAt_ >= 0;
    }
    const std::size_t ahead = tzAt_ >= 0 ? static_cast<std::size_t>(tzAt_) : count;
    for (std::size_t i = 0; i < ahead; ++i) {
        if (!startingBlock.Holds(list_[i]))
            mutables_.push_back(i);
    }
    return value;
}

}  // namespace tz
