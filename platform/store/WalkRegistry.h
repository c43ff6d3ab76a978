// The walks of the URL cache that a thread has started and not yet closed.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "platform/windef.h"
#include "store/UrlCacheEntry.h"

namespace store {

struct Walk {
    DWORD typeMask = 0;  // entries whose type has all these bits; 0 for all
    // The walk's position is a key, not an offset: entries after this id are
    // still to come, so additions and deletions elsewhere cannot make it
    // repeat or skip one.
    std::int64_t lastId = 0;
    // A store failure ends the walk; it does not try again.
    bool failed = false;
    // The entry read by a sizing call, kept for the call that fills the
    // buffer, with the connection's change count when it was read.
    bool hasPending = false;
    std::int64_t pendingChanges = 0;
    CacheEntry pending;
};

// Owns the walks by handle. A handle is a serial number never given out
// twice in the process, so a closed or foreign handle is simply not found
// and nothing is ever dereferenced on a caller's word.
class WalkRegistry {
public:
    HANDLE Add(std::unique_ptr<Walk> walk);
    Walk* Find(HANDLE handle) const;  // nullptr for a handle that is not ours
    bool Remove(HANDLE handle);

private:
    std::unordered_map<std::uintptr_t, std::unique_ptr<Walk>> walks_;
};

}  // namespace store
