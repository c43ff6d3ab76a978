// FindFirstUrlCacheEntryA, FindNextUrlCacheEntryA and FindCloseUrlCache.
#include <strings.h>

#include <limits>
#include <memory>
#include <optional>

#include "platform/wininet.h"
#include "store/StoreCall.h"
#include "store/UrlCacheStore.h"

using store::EntryColumns;
using store::GuardStoreCall;
using store::UrlCacheStore;
using store::Walk;

namespace {

std::optional<DWORD> TypeMaskFor(LPCSTR pattern) {
    if (!pattern || !*pattern)
        return DWORD{0};
    if (strcasecmp(pattern, "cookie:") == 0)
        return COOKIE_CACHE_ENTRY;
    if (strcasecmp(pattern, "visited:") == 0)
        return URLHISTORY_CACHE_ENTRY;
    return std::nullopt;
}

// How many entries a walk's query yields before it stops and starts again
// from where it is, so that no read transaction lasts long, while the
// store's changes can be watched; otherwise nothing read stays current, and
// every entry is read afresh.
constexpr std::size_t kRunLength = 1024;

// The walk's pending entry: the one a sizing call sizes and the next call
// fills.
//
// The walk's query runs on from call to call, so an entry is copied from the
// store once, straight into the caller's buffer: a query per entry cost a
// transaction per entry, most of the time a walk takes. The rows serve only
// while nothing has been committed to the store since the query started, by
// this thread (a deletion during the walk, say) or any other process; after
// a commit the walk queries again from where it is, so every call sees the
// store as it is then. The walk's place is a key, so it never repeats or
// skips an entry either way. Walks open at the same time take turns: each
// query starts afresh when the other one ran in between.
const EntryColumns* PendingEntry(UrlCacheStore& cache, Walk& walk) {
    const std::size_t runLength = cache.WatchingChanges() ? kRunLength : 1;
    if (walk.running &&
        (!cache.UnchangedSince(walk.started) || (!walk.pending && walk.yielded == runLength))) {
        walk.Stop();
    }
    if (walk.pending)
        return &*walk.pending;
    if (!walk.running) {
        // Statements of one connection share its read transaction: while
        // another walk's query runs, this one would read that query's older
        // snapshot of the store.
        cache.Walks().StopAll();
        walk.started = cache.ChangeMark();
        cache.StartWalk(*walk.query, walk.lastId, walk.typeMask);
        walk.running = true;
        walk.yielded = 0;
    }
    try {
        walk.pending = cache.NextEntry(*walk.query);
    } catch (...) {
        walk.Stop();
        throw;
    }
    if (!walk.pending) {
        walk.Stop();
        return nullptr;
    }
    ++walk.yielded;
    return &*walk.pending;
}

// The walk's next entry into the caller's buffer, or the reason why not.
BOOL Advance(UrlCacheStore& cache, Walk& walk, LPINTERNET_CACHE_ENTRY_INFOA buffer, LPDWORD size) {
    if (walk.failed) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    const EntryColumns* pending = nullptr;
    const bool read = GuardStoreCall(false, [&] {
        pending = PendingEntry(cache, walk);
        return true;
    });
    if (!read) {
        walk.failed = true;
        return FALSE;
    }
    if (!pending) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    const std::uint64_t needed = store::EntryRecordSize(*pending);
    if (needed > std::numeric_limits<DWORD>::max()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    if (!buffer || *size < needed) {
        *size = static_cast<DWORD>(needed);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    store::FillEntryRecord(*pending, buffer);
    *size = static_cast<DWORD>(needed);
    walk.lastId = pending->id;
    walk.pending.reset();
    return TRUE;
}

}  // namespace

HANDLE FindFirstUrlCacheEntryA(LPCSTR lpszUrlSearchPattern,
                               LPINTERNET_CACHE_ENTRY_INFOA lpFirstCacheEntryInfo,
                               LPDWORD lpcbCacheEntryInfo) {
    const std::optional<DWORD> typeMask = TypeMaskFor(lpszUrlSearchPattern);
    if (!typeMask || !lpcbCacheEntryInfo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return GuardStoreCall<HANDLE>(nullptr, [&]() -> HANDLE {
        UrlCacheStore& cache = UrlCacheStore::ForThread();
        auto walk = std::make_unique<Walk>();
        walk->typeMask = *typeMask;
        walk->query = cache.WalkQuery(*typeMask);
        // No handle comes back without an entry, so a walk that fails here
        // is dropped at once.
        if (!Advance(cache, *walk, lpFirstCacheEntryInfo, lpcbCacheEntryInfo))
            return nullptr;
        return cache.Walks().Add(std::move(walk));
    });
}

BOOL FindNextUrlCacheEntryA(HANDLE hEnumHandle, LPINTERNET_CACHE_ENTRY_INFOA lpNextCacheEntryInfo,
                            LPDWORD lpcbCacheEntryInfo) {
    UrlCacheStore* const cache = UrlCacheStore::Existing();
    Walk* const walk = cache ? cache->Walks().Find(hEnumHandle) : nullptr;
    UrlCacheStore::EndedWalk* const ended = walk ? nullptr : UrlCacheStore::FindEnded(hEnumHandle);
    if ((!walk && !ended) || !lpcbCacheEntryInfo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (ended) {
        if (ended->reported) {
            SetLastError(ERROR_NO_MORE_ITEMS);
        } else {
            SetLastErrorWithDetail(ended->error.code, ended->error.message);
            ended->reported = true;
        }
        return FALSE;
    }
    return Advance(*cache, *walk, lpNextCacheEntryInfo, lpcbCacheEntryInfo);
}

BOOL FindCloseUrlCache(HANDLE hEnumHandle) {
    UrlCacheStore* const cache = UrlCacheStore::Existing();
    if ((!cache || !cache->Walks().Remove(hEnumHandle)) &&
        !UrlCacheStore::ForgetEnded(hEnumHandle)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
