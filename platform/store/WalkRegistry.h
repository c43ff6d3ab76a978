// The walks of the URL cache that a thread has started and not yet closed.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "platform/windef.h"
#include "store/ChangeWatch.h"
#include "store/Database.h"
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
    // The entries after lastId, read ahead by one query, with a mark of the
    // store taken before they were read; entry `next` of them is the pending
    // one, which a sizing call sized and the next call fills.
    EntryRun ahead;
    std::size_t next = 0;
    ChangeWatch::Mark aheadMark{};
    // A failure that ended a read ahead part way: it comes once the entries
    // read before it have been used.
    std::optional<StoreError> aheadFailure;
};

// Owns the walks by handle. A handle is a serial number never given out
// twice in the process, so a closed or foreign handle is simply not found
// and nothing is ever dereferenced on a caller's word.
class WalkRegistry {
public:
    HANDLE Add(std::unique_ptr<Walk> walk);
    Walk* Find(HANDLE handle) const;  // nullptr for a handle that is not ours
    bool Remove(HANDLE handle);
    bool Empty() const { return walks_.empty(); }
    std::vector<HANDLE> Handles() const;

private:
    std::unordered_map<std::uintptr_t, std::unique_ptr<Walk>> walks_;
};

}  // namespace store
