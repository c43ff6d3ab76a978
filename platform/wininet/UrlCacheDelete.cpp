// DeleteUrlCacheEntry and its 8-bit form.
#include <optional>

#include "browsers/Sources.h"
#include "platform/wininet.h"
#include "store/StoreCall.h"
#include "store/UrlCacheStore.h"

BOOL DeleteUrlCacheEntryA(LPCSTR lpszUrlName) {
    if (!lpszUrlName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return store::GuardStoreCall(FALSE, [&] {
        // The store's own entry first; a failure of the store does not keep a
        // browser's cookies from going, and is reported when they do not.
        std::optional<store::StoreError> failure;
        try {
            if (store::UrlCacheStore::ForThread().Delete(lpszUrlName))
                return TRUE;
        } catch (const store::StoreError& error) {
            failure = error;
        }
        if (browsers::HoldCookieDeletion(lpszUrlName))
            return TRUE;
        if (failure)
            throw *failure;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    });
}

BOOL DeleteUrlCacheEntry(LPCSTR lpszUrlName) {
    return DeleteUrlCacheEntryA(lpszUrlName);
}
