// The two ways browsers keep cookies in SQLite, each read and deleted by
// group in one place for every browser that shares it.
#pragma once

#include "browsers/Profile.h"

namespace browsers {

// Firefox's `moz_cookies`, also WebKitGTK's (GNOME Web, luakit), which lacks
// the origin attributes and every time but the expiry.
class MozCookiesProfile : public StoreProfile {
protected:
    using StoreProfile::StoreProfile;

private:
    void ReadGroups(store::Database& cookies, std::vector<CookieGroup>& groups) const override;
    std::string CookiesOfGroupsSql(store::Database& cookies) const override;
};

// Chromium's `cookies`, also Qt WebEngine's (Falkon, qutebrowser), whose
// older version lacks the partitions and the update time.
class ChromiumCookiesProfile : public StoreProfile {
protected:
    using StoreProfile::StoreProfile;

private:
    void ReadGroups(store::Database& cookies, std::vector<CookieGroup>& groups) const override;
    std::string CookiesOfGroupsSql(store::Database& cookies) const override;
};

}  // namespace browsers
