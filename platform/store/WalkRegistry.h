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

    // The walk's own query of the entries after lastId, and whether it runs.
    // A running query holds a read transaction, so it stops after a run of
    // entries, whenever the store has changed since `started`, and before
    // this connection changes the store.
    std::unique_ptr<Statement> query;
    bool running = false;
    std::size_t yielded = 0;  // rows the running query has stepped to
    ChangeWatch::Mark started{};
    // The pending entry: the row the query stands on, which a sizing call
    // sized and the next call fills.
    std::optional<EntryColumns> pending;

    void Stop() {
        pending.reset();
        if (running)
            query->Reset();
        running = false;
    }
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
    void StopAll();  // Walk::Stop for every walk
    std::vector<HANDLE> Handles() const;

private:
    std::unordered_map<std::uintptr_t, std::unique_ptr<Walk>> walks_;
    // The walk found last: a walk asks for itself twice per entry, and the
    // map's lookup divides by its bucket count, a slow instruction.
    mutable std::uintptr_t lastKey_ = 0;
    mutable Walk* lastFound_ = nullptr;
};

}  // namespace store
