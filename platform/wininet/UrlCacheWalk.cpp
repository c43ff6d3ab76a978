// FindFirstUrlCacheEntryA, FindNextUrlCacheEntryA and FindCloseUrlCache.
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include "browsers/Sources.h"
#include "platform/winbase.h"
#include "platform/wininet.h"
#include "store/StoreCall.h"
#include "store/UrlCacheStore.h"

using store::EntryColumns;
using store::GuardStoreCall;
using store::UrlCacheStore;
using store::Walk;

namespace {

// The browsers' cookie groups, the entries that follow the cache's own in a
// walk. They are read when the walk first reaches them; a profile that could
// not be read, or a held deletion that was refused, ends the walk with its
// failure once the others are handed out.
class BrowserCookieEntries final : public store::WalkTail {
public:
    const EntryColumns* Pending() override {
        if (pending_)
            return &*pending_;
        if (!groups_.groups)
            groups_ = browsers::ReadCookies();
        if (next_ == groups_.groups->size()) {
            browsers::Failures failures = std::exchange(groups_.failures, {});
            for (store::StoreError& failure : browsers::TakeDeletionFailures())
                failures.push_back(std::move(failure));
            if (auto failure = browsers::OneError(failures))
                throw std::move(*failure);
            return nullptr;
        }
        const browsers::CookieGroup& group = (*groups_.groups)[next_];
        CACHE_ENTRY_VALUES values;
        values.CacheEntryType = COOKIE_CACHE_ENTRY;
        values.LastModifiedTime = QuadToFileTime(group.modified);
        values.ExpireTime = QuadToFileTime(group.expires);
        values_ = store::PackEntryValues(values, 0);
        EntryColumns& entry =
            pending_.emplace(EntryColumns{0, group.Address(), COOKIE_CACHE_ENTRY, 0, values_});
        entry.recordSize = store::EntryRecordSize(entry);
        return &entry;
    }

    void Pass() override {
        pending_.reset();
        ++next_;
    }

private:
    browsers::CookieReading groups_;  // none until the walk reaches them
    std::size_t next_ = 0;
    std::optional<EntryColumns> pending_;
    std::string values_;  // the pending group's packed values
};

// The walk whose first entry a sizing call has sized in the browsers' groups,
// kept for the call that fills the buffer next, which the window makes at
// once: reading every profile again would double the walk. Any first call
// that follows ends it or goes on with it.
thread_local HANDLE sized = nullptr;

// The walk's next entry into the caller's buffer, or the reason why not.
BOOL Advance(UrlCacheStore& cache, Walk& walk, LPINTERNET_CACHE_ENTRY_INFOA buffer, LPDWORD size) {
    const EntryColumns* pending = nullptr;
    if (!GuardStoreCall(false, [&] { return (pending = cache.Pending(walk)), true; })) {
        walk.query.reset();  // a walk that met a failure is over
        return FALSE;
    }
    if (!pending) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    const std::uint64_t needed = pending->recordSize;
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
    walk.Pass();
    return TRUE;
}

}  // namespace

HANDLE FindFirstUrlCacheEntryA(LPCSTR lpszUrlSearchPattern,
                               LPINTERNET_CACHE_ENTRY_INFOA lpFirstCacheEntryInfo,
                               LPDWORD lpcbCacheEntryInfo) {
    // The entries of a walk are shown in the time zone as it is when the walk starts.
    TakeUpTimeZone();
    if ((lpszUrlSearchPattern && *lpszUrlSearchPattern) || !lpcbCacheEntryInfo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const HANDLE kept = std::exchange(sized, nullptr);
    return GuardStoreCall<HANDLE>(nullptr, [&]() -> HANDLE {
        // Deletions held for the browsers land before any walk reads them;
        // their failures end the walk.
        const bool changed = browsers::CommitCookieDeletions();
        UrlCacheStore& cache = UrlCacheStore::ForThread();
        Walk* walk = changed ? nullptr : UrlCacheStore::FindWalk(kept);
        HANDLE handle = kept;
        if (!walk || walk->ending || !walk->query) {
            UrlCacheStore::CloseWalk(kept);
            handle = cache.AddWalk(cache.NewWalk(std::make_unique<BrowserCookieEntries>()));
            walk = UrlCacheStore::FindWalk(handle);
        }
        // No handle comes back without an entry, so a walk that fails here
        // ends, unless it only sized a browser's group: then the call that
        // fills the buffer goes on with it.
        if (!Advance(cache, *walk, lpFirstCacheEntryInfo, lpcbCacheEntryInfo)) {
            if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && walk->inTail)
                sized = handle;
            else
                UrlCacheStore::CloseWalk(handle);
            return nullptr;
        }
        return handle;
    });
}

BOOL FindNextUrlCacheEntryA(HANDLE hEnumHandle, LPINTERNET_CACHE_ENTRY_INFOA lpNextCacheEntryInfo,
                            LPDWORD lpcbCacheEntryInfo) {
    Walk* const walk = UrlCacheStore::FindWalk(hEnumHandle);
    if (!walk || !lpcbCacheEntryInfo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (walk->ending) {
        SetLastErrorWithDetail(walk->ending->code, walk->ending->message);
        walk->ending.reset();
        return FALSE;
    }
    if (!walk->query) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    // A walk with its query reads the thread's store, which it started on.
    return Advance(*UrlCacheStore::Existing(), *walk, lpNextCacheEntryInfo, lpcbCacheEntryInfo);
}

BOOL FindCloseUrlCache(HANDLE hEnumHandle) {
    if (!UrlCacheStore::CloseWalk(hEnumHandle)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
