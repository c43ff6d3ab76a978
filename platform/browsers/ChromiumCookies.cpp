#include "browsers/CookieTables.h"

namespace browsers {
namespace {

// The columns of `cookies` vary with the version: partitions came in later
// (top_frame_site_key, then has_cross_site_ancestor), and last_update_utc
// later still. A cookie of no partition has its cross-site bit ignored, so
// that its group has one address.
struct CookieColumns {
    std::string partition = "''";
    std::string crossSite = "0";
    std::string modified = "creation_utc";

    explicit CookieColumns(store::Database& db) {
        if (HasColumn(db, "cookies", "top_frame_site_key"))
            partition = "top_frame_site_key";
        if (HasColumn(db, "cookies", "has_cross_site_ancestor"))
            crossSite = "CASE WHEN " + partition + " = '' THEN 0 ELSE has_cross_site_ancestor END";
        if (HasColumn(db, "cookies", "last_update_utc"))
            modified = "max(last_update_utc, creation_utc)";
    }

    std::string Key() const { return "host_key, path, " + partition + ", " + crossSite; }
};

}  // namespace

void ChromiumCookiesProfile::ReadGroups(store::Database& db,
                                        std::vector<CookieGroup>& groups) const {
    const CookieColumns columns(db);
    store::Statement group(db, "SELECT " + columns.Key() + ", max(" + columns.modified +
                                   "), max(expires_utc), json_array(" + columns.Key() +
                                   ") FROM cookies GROUP BY 1, 2, 3, 4");
    while (group.Step()) {
        const std::string partition(group.Bytes(2));
        groups.emplace_back(Address(group.Bytes(0), group.Bytes(1),
                                    partition.empty() ? ""
                                                      : "partition " + partition +
                                                            (group.Int(3) ? ", cross-site" : "")),
                            FileTimeFrom1601(group.Int(4), kPerMicrosecond),
                            FileTimeFrom1601(group.Int(5), kPerMicrosecond), group.Bytes(6));
    }
}

// The browser's unique index leads with host_key and top_frame_site_key.
std::string ChromiumCookiesProfile::CookiesOfGroupsSql(store::Database& db) const {
    return "FROM cookies WHERE (" + CookieColumns(db).Key() +
           ") IN (SELECT value ->> 0, value ->> 1, value ->> 2, value ->> 3 FROM json_each(?1))";
}

}  // namespace browsers
