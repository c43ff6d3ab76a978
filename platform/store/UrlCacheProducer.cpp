// The calls through which a browser fills the cache.
#include "platform/urlcache.h"
#include "store/StoreCall.h"
#include "store/UrlCacheStore.h"

BOOL CommitUrlCacheEntryValues(LPCSTR lpszUrlName, const CACHE_ENTRY_VALUES* values) {
    // An empty address is odd but possible in a browser's cache, so it is kept.
    if (!lpszUrlName || !values) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return store::GuardStoreCall(FALSE, [&] {
        store::UrlCacheStore::ForThread().Commit(lpszUrlName, *values);
        return TRUE;
    });
}

BOOL SetUrlCacheEntryHitRate(LPCSTR lpszUrlName, DWORD dwHitRate) {
    if (!lpszUrlName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return store::GuardStoreCall(FALSE, [&] {
        if (store::UrlCacheStore::ForThread().SetHitRate(lpszUrlName, dwHitRate))
            return TRUE;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    });
}
