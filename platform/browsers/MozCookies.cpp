#include <QByteArray>

#include "browsers/CookieTables.h"

namespace browsers {
namespace {

// The columns of `moz_cookies` vary with the browser. Cookies of one host and
// path but other origin attributes (a partition, a container) are apart in
// Firefox, so they are groups of their own. Setting a cookie again keeps its
// creation time; where the schema has an update time, that is when it was
// last set or changed. WebKitGTK keeps no time a cookie was set. The expiry
// is in milliseconds from Firefox's schema 17 on, in seconds before it and in
// WebKitGTK.
struct MozColumns {
    std::string attributes = "''";
    std::string modified = "NULL";
    bool msExpiry = false;

    explicit MozColumns(store::Database& db) {
        if (HasColumn(db, "moz_cookies", "originAttributes"))
            attributes = "originAttributes";
        if (HasColumn(db, "moz_cookies", "updateTime"))
            modified = "coalesce(nullif(updateTime, 0), creationTime)";
        else if (HasColumn(db, "moz_cookies", "creationTime"))
            modified = "creationTime";
        store::Statement version(db, "PRAGMA user_version");
        msExpiry = version.Step() && version.Int(0) >= 17;
    }
};

}  // namespace

// No index of Firefox's leads with a group's key, so the groups go in one
// scan.
void MozCookiesProfile::ReadGroups(store::Database& db, std::vector<CookieGroup>& groups) const {
    const MozColumns columns(db);
    const std::string key = "host, path, " + columns.attributes;
    store::Statement group(db, "SELECT " + key + ", max(" + columns.modified +
                                   "), max(expiry), json_array(" + key +
                                   ") FROM moz_cookies GROUP BY 1, 2, 3 ORDER BY min(id)");
    while (group.Step()) {
        // The origin attributes as the browser writes them, decoded
        // ("partitionKey=(http,a.example)").
        std::string_view attributes = group.Bytes(2);
        if (attributes.starts_with('^'))
            attributes.remove_prefix(1);
        groups.emplace_back(
            Address(
                group.Bytes(0), group.Bytes(1),
                QByteArray::fromPercentEncoding(QByteArray(attributes.data(), attributes.size()))
                    .toStdString()),
            FileTimeFromUnix(group.Int(3), kPerMicrosecond),
            FileTimeFromUnix(group.Int(4), columns.msExpiry ? kPerMillisecond : kPerSecond),
            group.Bytes(5));
    }
}

std::string MozCookiesProfile::CookiesOfGroupsSql(store::Database& db) const {
    return "FROM moz_cookies WHERE (host, path, " + MozColumns(db).attributes +
           ") IN (SELECT value ->> 0, value ->> 1, value ->> 2 FROM json_each(?1))";
}

}  // namespace browsers
