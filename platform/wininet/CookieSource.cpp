// GetCookieEntrySource.
#include <optional>
#include <utility>

#include "browsers/Sources.h"
#include "platform/cookiesource.h"
#include "store/StoreCall.h"
#include "store/UrlCacheStore.h"

BOOL GetCookieEntrySource(LPCSTR lpszUrlName, DWORD dwMaxNames, COOKIE_ENTRY_SOURCE* lpSource) {
    if (!lpszUrlName || !lpSource) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return store::GuardStoreCall(FALSE, [&] {
        // As DeleteUrlCacheEntryA looks: a failure of the store does not keep
        // a browser's group from being told, and is reported when it is not.
        std::optional<store::StoreError> failure;
        try {
            if (store::UrlCacheStore::ForThread().Has(lpszUrlName)) {
                *lpSource = {"Orvalla", "", 0, {}};
                return TRUE;
            }
        } catch (const store::StoreError& error) {
            failure = error;
        }
        if (auto group = browsers::DescribeCookieGroup(lpszUrlName, dwMaxNames)) {
            *lpSource = {std::move(group->browser), std::move(group->profile), group->names.count,
                         std::move(group->names.first)};
            return TRUE;
        }
        if (failure)
            throw *failure;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    });
}
