// DeleteUrlCacheEntry and its 8-bit form.
#include "platform/wininet.h"
#include "store/StoreCall.h"
#include "store/UrlCacheStore.h"

BOOL DeleteUrlCacheEntryA(LPCSTR lpszUrlName) {
    if (!lpszUrlName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return store::GuardStoreCall(FALSE, [&] {
        if (store::UrlCacheStore::ForThread().Delete(lpszUrlName))
            return TRUE;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    });
}

BOOL DeleteUrlCacheEntry(LPCSTR lpszUrlName) {
    return DeleteUrlCacheEntryA(lpszUrlName);
}
