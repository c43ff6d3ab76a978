// The URL cache kept in SQLite: the calling thread's connection to it, its
// queries, and the walks started on it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/wininet.h"
#include "store/Database.h"
#include "store/UrlCacheEntry.h"
#include "store/WalkRegistry.h"

namespace store {

class UrlCacheStore {
public:
    // The calling thread's store, opened on first use and opened afresh when
    // the data directory changed or the file was deleted or replaced since.
    // Walks of a store that is given up go with it. Throws StoreError.
    static UrlCacheStore& ForThread();
    // The calling thread's store as it is, without checking it is still the
    // current one (a walk reads the store it started on); nullptr if none.
    static UrlCacheStore* Existing();

    // The first entry after `id` whose type has all bits of `typeMask`.
    bool ReadEntryAfter(std::int64_t id, DWORD typeMask, CacheEntry& entry);
    // Changes made through this connection so far.
    std::int64_t OwnChanges() const;

    // Each change is one statement and so its own transaction. Addresses are
    // bound as BLOBs, which compare byte for byte.
    bool Delete(std::string_view url);  // false when no entry has that address
    void Commit(std::string_view url, const CACHE_ENTRY_VALUES& values);
    bool SetHitRate(std::string_view url, DWORD hitRate);  // false when none

    WalkRegistry& Walks() { return walks_; }

private:
    UrlCacheStore(std::unique_ptr<Database> db, std::string directory);

    const std::unique_ptr<Database> db_;
    const std::string directory_;
    WalkRegistry walks_;
};

}  // namespace store
