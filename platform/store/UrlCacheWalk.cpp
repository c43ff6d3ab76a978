// FindFirstUrlCacheEntryA, FindNextUrlCacheEntryA and FindCloseUrlCache.
#include <strings.h>

#include <limits>
#include <memory>
#include <optional>

#include "platform/wininet.h"
#include "store/StoreCall.h"
#include "store/UrlCacheStore.h"

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

// How many entries one query reads ahead for a walk, while the store's
// changes can be watched; otherwise nothing read stays current, and a walk
// reads one entry at a time.
constexpr std::size_t kReadAhead = 256;

// The walk's pending entry: the one a sizing call sizes and the next call
// fills, read ahead with the entries after it.
//
// A walk reads its entries in runs, each one query and so one read
// transaction: reading entry by entry cost a transaction per entry, most of
// the time a walk takes. A run serves only while nothing has been committed
// to the store since it was read, by this thread (a deletion during the
// walk, say) or any other process; after a commit the walk reads again from
// where it is, so every call sees the store as it is then. The walk's place
// is a key, so it never repeats or skips an entry either way.
bool PendingEntry(UrlCacheStore& cache, Walk& walk) {
    if (!cache.UnchangedSince(walk.aheadMark)) {
        walk.ahead.Clear();
        walk.next = 0;
        walk.aheadFailure.reset();
    }
    if (walk.next < walk.ahead.Count())
        return true;
    if (walk.aheadFailure) {
        const store::StoreError failure = std::move(*walk.aheadFailure);
        walk.aheadFailure.reset();
        throw failure;
    }
    walk.next = 0;
    walk.aheadMark = cache.ChangeMark();
    try {
        cache.ReadEntriesAfter(walk.lastId, walk.typeMask, cache.WatchingChanges() ? kReadAhead : 1,
                               walk.ahead);
    } catch (store::StoreError& failure) {
        // What was read before the failure is the store's own, in order.
        if (walk.ahead.Count() == 0)
            throw;
        walk.aheadFailure = std::move(failure);
    }
    return walk.ahead.Count() > 0;
}

// The walk's next entry into the caller's buffer, or the reason why not.
BOOL Advance(UrlCacheStore& cache, Walk& walk, LPINTERNET_CACHE_ENTRY_INFOA buffer, LPDWORD size) {
    if (walk.failed) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    bool pending = false;
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
    const std::uint64_t needed = walk.ahead.RecordSize(walk.next);
    if (needed > std::numeric_limits<DWORD>::max()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    if (!buffer || *size < needed) {
        *size = static_cast<DWORD>(needed);
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    walk.ahead.FillRecord(walk.next, buffer);
    *size = static_cast<DWORD>(needed);
    walk.lastId = walk.ahead.Id(walk.next);
    ++walk.next;
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
