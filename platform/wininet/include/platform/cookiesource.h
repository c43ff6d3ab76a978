// Where a cookie entry of the cache comes from, to tell the user: Orvalla's
// own cache, or a browser profile and the cookies of its group.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/windef.h"

struct COOKIE_ENTRY_SOURCE {
    std::string Browser;  // "Firefox"; "Orvalla" for an entry of Orvalla's own cache
    std::string Profile;  // "default-esr"; empty for Orvalla's own
    // How many cookies the group holds, and the first names of theirs in
    // order; none for Orvalla's own entries.
    std::size_t CookieCount = 0;
    std::vector<std::string> CookieNames;
};

// Fills *lpSource for the entry whose address equals lpszUrlName, found as
// DeleteUrlCacheEntry finds it: in Orvalla's own cache, failing that among
// the browser cookie groups of the thread's last walk, whose cookie names
// (at most dwMaxNames) are read then from the browser's file. Fails with
// ERROR_FILE_NOT_FOUND when neither has it, and with the failure of a store
// or a file that cannot be read (LastErrorDetail names it).
BOOL GetCookieEntrySource(LPCSTR lpszUrlName, DWORD dwMaxNames, COOKIE_ENTRY_SOURCE* lpSource);
