// The URL cache kept in SQLite: the calling thread's connection to it, its
// queries, and the walks started on it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/wininet.h"
#include "store/ChangeWatch.h"
#include "store/Database.h"
#include "store/UrlCacheEntry.h"
#include "store/WalkRegistry.h"

namespace store {

class UrlCacheStore {
public:
    // The calling thread's store, opened on first use and opened afresh when
    // the data directory changed or the file was deleted or replaced since,
    // and, while none of its walks is open, when it could be opened
    // read-only only (it may be writable by now). Walks of a store that is
    // given up end (see EndedWalk). Throws StoreError.
    static UrlCacheStore& ForThread();
    // The calling thread's store as it is, without checking it is still the
    // current one (a walk reads the store it started on); nullptr if none.
    static UrlCacheStore* Existing();

    // A walk whose store was given up while it was open: it reports why
    // once, and from then on that it is over.
    struct EndedWalk {
        StoreError error;
        bool reported = false;
    };
    // The calling thread's ended walk with that handle, or nullptr.
    static EndedWalk* FindEnded(HANDLE handle);
    // Forgets an ended walk; false when there is none with that handle.
    static bool ForgetEnded(HANDLE handle);

    // A query for a walk of the entries whose type has all bits of
    // `typeMask`, in walk order; StartWalk runs it from after `id`.
    std::unique_ptr<Statement> WalkQuery(DWORD typeMask);
    void StartWalk(Statement& query, std::int64_t id, DWORD typeMask);
    // The running query's next entry, nothing at its end. Throws StoreError,
    // also for an entry whose values are damaged.
    std::optional<EntryColumns> NextEntry(Statement& query);
    // A mark of the store as it is now, and whether nothing has been
    // committed to it since, by this connection or any other (ChangeWatch).
    ChangeWatch::Mark ChangeMark() const { return changes_.Now(); }
    bool UnchangedSince(const ChangeWatch::Mark& mark) const { return changes_.Current(mark); }
    bool WatchingChanges() const { return changes_.Watching(); }

    // Each change is one statement and so its own transaction. Addresses are
    // bound as BLOBs, which compare byte for byte. The walks stop reading
    // first, since a change cannot be made from a stale read transaction.
    bool Delete(std::string_view url);  // false when no entry has that address
    void Commit(std::string_view url, const CACHE_ENTRY_VALUES& values);
    bool SetHitRate(std::string_view url, DWORD hitRate);  // false when none

    WalkRegistry& Walks() { return walks_; }

private:
    UrlCacheStore(std::unique_ptr<Database> db, std::string directory);

    const std::unique_ptr<Database> db_;
    const std::string directory_;
    const ChangeWatch changes_;
    WalkRegistry walks_;
};

}  // namespace store
