// The URL cache kept in SQLite: the calling thread's connection to it, its
// changes, and the walks started on it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/urlcache.h"
#include "store/Database.h"
#include "store/UrlCacheEntry.h"

namespace store {

// Entries that a walk hands out after the store's own, from other sources.
class WalkTail {
public:
    virtual ~WalkTail() = default;
    // The next entry, the same until Pass; nullptr at the end. Throws
    // StoreError.
    virtual const EntryColumns* Pending() = 0;
    virtual void Pass() = 0;
};

struct Walk {
    // The walk's own query of the entries after lastId; none once the walk
    // is over. It runs on from call to call, so that an entry is copied from
    // SQLite once, straight into the caller's buffer. While it stands on a row it holds the
    // connection's read transaction, from which no change can be made: a change through this
    // connection stops it, and it starts again after lastId.
    std::unique_ptr<Statement> query;
    // The walk's position is a key, not an offset: additions and deletions
    // elsewhere cannot make it repeat or skip an entry.
    std::int64_t lastId = 0;
    // The row the query stands on, which a sizing call sized and the next
    // call fills.
    std::optional<EntryColumns> pending;
    // Why the walk ended before its end, for its next call to report.
    std::optional<StoreError> ending;

    // What follows the store's own entries; it is reached only once they
    // are handed out, so a sizing call that never gets there costs nothing.
    std::unique_ptr<WalkTail> tail;
    bool inTail = false;  // the store's own entries are all handed out

    // Moves past the pending entry, which the caller now has.
    void Pass();
};

class UrlCacheStore {
public:
    // The calling thread's store, opened on first use and opened afresh when
    // the data directory changed or the file was deleted or replaced since
    // (which ends the walks open on it, see Walk::ending), and, while none of
    // its walks is open, when changes to it were refused (they may not be by
    // now). Throws StoreError.
    static UrlCacheStore& ForThread();
    // The calling thread's store as it is, without checking it is still the
    // current one (a walk reads the store it started on); nullptr if none.
    static UrlCacheStore* Existing();

    // The calling thread's walks. A handle is a serial number never given out
    // twice in the process, so a closed or foreign handle is simply not found
    // and nothing is ever dereferenced on a caller's word.
    HANDLE AddWalk(std::unique_ptr<Walk> walk);
    static Walk* FindWalk(HANDLE handle);  // nullptr for a handle that is not ours
    static bool CloseWalk(HANDLE handle);  // false for a handle that is not ours
    // A walk from the first entry, then on through `tail`.
    std::unique_ptr<Walk> NewWalk(std::unique_ptr<WalkTail> tail) const;

    // The walk's pending entry, read when it has none: the store's own, then
    // the tail's; nullptr at the end, and then it holds no read transaction. Throws StoreError,
    // also for an entry whose values are damaged.
    const EntryColumns* Pending(Walk& walk);

    // Whether an entry has that address, matched as Delete matches it.
    bool Has(std::string_view url);
    // Each change is one statement and so its own transaction. An address
    // matches as its bytes, whether the store keeps it as a BLOB (as this
    // layer writes it) or as TEXT (as other programs may).
    bool Delete(std::string_view url);  // false when no entry has that address
    void Commit(std::string_view url, const CACHE_ENTRY_VALUES& values);
    bool SetHitRate(std::string_view url, DWORD hitRate);  // false when none

private:
    UrlCacheStore(std::unique_ptr<Database> db, std::string directory);
    // Runs a change with the walks stopped first; returns the rows changed.
    int Change(Statement& statement);

    const std::unique_ptr<Database> db_;
    const std::string directory_;
};

}  // namespace store
