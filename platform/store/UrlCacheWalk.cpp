// FindFirstUrlCacheEntryA, FindNextUrlCacheEntryA and FindCloseUrlCache.
#include <strings.h>

#include <limits>
#include <memory>
#include <optional>

#include "platform/wininet.h"
#include "store/StoreCall.h"
#include "store/UrlCacheStore.h"

using store::CacheEntry;
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

// Makes the walk's next entry its pending one, unless the entry read by the
// sizing call is still good.
//
// The sizing call and the call that fills the buffer read the entry once:
// the pair is taken as one read at the time of the sizing call. Changes made
// through this thread's own connection in between (a deletion during the
// walk, say) are seen through its change count and make the walk read again;
// changes by other connections in that short gap are not looked for, since
// asking SQLite would cost a read transaction per call, as much as reading
// again. Every sizing call reads afresh, so they show from the next entry on.
void ReadPendingEntry(UrlCacheStore& cache, Walk& walk) {
    const std::int64_t changes = cache.OwnChanges();
    if (walk.hasPending && walk.pendingChanges == changes)
        return;
    walk.hasPending = false;  // stays so if the read fails
    walk.hasPending = cache.ReadEntryAfter(walk.lastId, walk.typeMask, walk.pending);
    walk.pendingChanges = changes;
}

// The walk's next entry into the caller's buffer, or the reason why not.
BOOL Advance(UrlCacheStore& cache, Walk& walk, LPINTERNET_CACHE_ENTRY_INFOA buffer, LPDWORD size) {
    if (walk.failed) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    const bool read = GuardStoreCall(false, [&] {
        ReadPendingEntry(cache, walk);
        return true;
    });
    if (!read) {
        walk.failed = true;
        return FALSE;
    }
    if (!walk.hasPending) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    const std::uint64_t needed = store::EntryRecordSize(walk.pending);
    if (needed > std::numeric_limits<DWORD>::max()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    if (!buffer || *size < needed) {
        *size = static_cast<DWORD>(needed);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    store::FillEntryRecord(walk.pending, buffer);
    *size = static_cast<DWORD>(needed);
    walk.lastId = walk.pending.id;
    walk.hasPending = false;
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
    if (!walk || !lpcbCacheEntryInfo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return Advance(*cache, *walk, lpNextCacheEntryInfo, lpcbCacheEntryInfo);
}

BOOL FindCloseUrlCache(HANDLE hEnumHandle) {
    UrlCacheStore* const cache = UrlCacheStore::Existing();
    if (!cache || !cache->Walks().Remove(hEnumHandle)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
