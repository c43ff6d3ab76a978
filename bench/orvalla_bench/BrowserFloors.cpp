#include "Floors.h"

#include <QByteArray>

#include <chrono>
#include <cstdint>
#include <functional>
#include <unordered_map>

#include "FuncUnit.h"
#include "PlainSql.h"
#include "platform/winbase.h"

namespace {

// Firefox counts from 1970, Chromium from 1601 as FILETIME does.
template <typename Unit>
std::uint64_t FromUnix(std::int64_t count) {
    return FileTimeToQuad(ToFileTime(std::chrono::sys_time<Unit>(Unit(count))));
}
std::uint64_t From1601(std::int64_t micros) {
    return FileTimeToQuad(ToFileTime(kFileTimeEpoch + std::chrono::microseconds(micros)));
}

// A cookie group by the browser's key, with its latest change and expiry,
// and the address its row carries.
struct Group {
    std::string host, path, partition;
    std::int64_t crossSite = 0;
    std::uint64_t modified = 0, expires = 0;
    std::string address;
};

// The groups exactly as the window lists them: setting a cookie again
// keeps its creation time, so the latest change is the update time where
// there is one; a cookie of no partition has its cross-site bit ignored.
// Firefox has no cross-site bit: its times come a column earlier.
constexpr const char* kFirefoxGroups =
    "SELECT host, path, originAttributes, max(coalesce(nullif(updateTime, 0), creationTime)), "
    "max(expiry) FROM moz_cookies GROUP BY host, path, originAttributes";
constexpr const char* kChromiumGroups =
    "SELECT host_key, path, top_frame_site_key, CASE WHEN top_frame_site_key = '' THEN 0 ELSE "
    "has_cross_site_ancestor END, max(max(last_update_utc, creation_utc)), max(expires_utc) "
    "FROM cookies GROUP BY 1, 2, 3, 4";

// One profile's cookie file, open, with its browser's GROUP BY ready.
struct CookieFile {
    CookieFile(const BrowserProfiles& profiles, Browser browser)
        : firefox(browser == Browser::Firefox),
          label(profiles.Of(browser).label),
          db(profiles.Of(browser).cookies),
          groups(db.Prepare(firefox ? kFirefoxGroups : kChromiumGroups)) {}

    // Reads every group into the same place, in turn, and hands each over.
    void Read(const std::function<void(const Group&)>& each) {
        const int times = firefox ? 3 : 4;
        Group group;
        while (db.Step(groups)) {
            AssignColumn(groups, 0, group.host);
            AssignColumn(groups, 1, group.path);
            AssignColumn(groups, 2, group.partition);
            group.crossSite = firefox ? 0 : sqlite3_column_int64(groups, 3);
            const std::int64_t modified = sqlite3_column_int64(groups, times);
            const std::int64_t expires = sqlite3_column_int64(groups, times + 1);
            group.modified =
                firefox ? FromUnix<std::chrono::microseconds>(modified) : From1601(modified);
            group.expires =
                firefox ? FromUnix<std::chrono::milliseconds>(expires) : From1601(expires);
            group.address.assign("Cookie:").append(label).append("@").append(group.host);
            group.address.append(" ").append(group.path);
            if (!group.partition.empty() && firefox) {
                // As Firefox writes them, "^partitionKey=%28http%2Ca.example%29".
                const QByteArray attributes = QByteArray::fromPercentEncoding(
                    QByteArray::fromStdString(group.partition).sliced(group.partition[0] == '^'));
                group.address.append(" (").append(attributes.toStdString()).append(")");
            } else if (!group.partition.empty()) {
                group.address.append(" (partition ").append(group.partition);
                group.address.append(group.crossSite ? ", cross-site)" : ")");
            }
            each(group);
        }
        sqlite3_reset(groups);
    }

    const bool firefox;
    const std::string& label;
    PlainDatabase db;
    sqlite3_stmt* groups;
};

// Every group of both files as the window's rows; the browsers keep no hit
// count.
void ReadRows(CookieFile (&files)[2], std::vector<RowTexts>& rows) {
    const QString hits = QStringLiteral("0");
    for (CookieFile& file : files) {
        file.Read([&](const Group& group) {
            rows.push_back(
                {CaptionText(group.address), hits, DateText(group.modified, FallbackDateText),
                 DateText(group.expires, FallbackDateText), QString::fromStdString(group.address)});
        });
    }
}

}  // namespace

double BrowserWalkFloor(const BrowserProfiles& profiles, const Shown& shown) {
    CookieFile files[] = {{profiles, Browser::Firefox}, {profiles, Browser::Chromium}};
    return FillFloor<BareList>(
        "browser-walk", shown, [&](auto& made) { ReadRows(files, made); }, Order::Own);
}

double BrowserDeleteFloor(const BrowserProfiles& profiles, Browser browser,
                          const std::vector<std::string>& addresses, const Shown& shown) {
    CookieFile files[] = {{profiles, Browser::Firefox}, {profiles, Browser::Chromium}};
    CookieFile& file = files[browser == Browser::Firefox ? 0 : 1];
    std::unordered_map<std::string, Group> byAddress;
    file.Read([&](const Group& group) { byAddress.emplace(group.address, group); });
    std::vector<const Group*> keys;
    for (const std::string& address : addresses) {
        const auto found = byAddress.find(address);
        Require(found != byAddress.end(), "the delete floor finds the group " + address);
        keys.push_back(&found->second);
    }
    // Firefox has no index that a group's key leads (its one index leads with
    // the cookie's name), so one scan against the keys held in a temporary
    // table is the least any deletion by key does; Chromium's unique index
    // leads with host and partition, so each key finds its rows through it.
    if (file.firefox)
        file.db.Exec("CREATE TEMP TABLE gone (host TEXT, path TEXT, attributes TEXT)");
    sqlite3_stmt* byKey = file.db.Prepare(
        file.firefox ? "INSERT INTO temp.gone VALUES (?1, ?2, ?3)"
                     : "DELETE FROM cookies WHERE host_key = ?1 AND path = ?2 AND "
                       "top_frame_site_key = ?3 AND (?3 = '' OR has_cross_site_ancestor = ?4)");
    return FillFloor<BareList>(
        "browser-delete", shown,
        [&](auto& made) {
            file.db.Exec("BEGIN IMMEDIATE");
            for (const Group* key : keys) {
                if (file.firefox)
                    file.db.Run(byKey, key->host, key->path, key->partition);
                else
                    file.db.Run(byKey, key->host, key->path, key->partition, key->crossSite);
            }
            if (file.firefox)
                file.db.Exec(
                    "DELETE FROM moz_cookies WHERE (host, path, originAttributes) IN "
                    "(SELECT * FROM temp.gone)");
            file.db.Exec("COMMIT");
            ReadRows(files, made);
        },
        Order::Own);
}

double BrowserHistoryFloor(const BrowserProfiles& profiles, const Shown& shown) {
    PlainDatabase firefox(profiles.firefox.history);
    PlainDatabase chromium(profiles.chromium.history);
    sqlite3_stmt* firefoxPages = firefox.Prepare(
        "SELECT url, title, last_visit_date FROM moz_places "
        "WHERE visit_count > 0 AND substr(url, 1, 7) = 'http://'");
    sqlite3_stmt* chromiumPages = chromium.Prepare(
        "SELECT url, title, last_visit_time FROM urls "
        "WHERE visit_count > 0 AND substr(url, 1, 7) = 'http://'");
    // The browsers keep no expiry: every row shows the text of time zero.
    const QString noExpiry = DateText(0, kHistoryOutside);
    return FillFloor<BareGrid>(
        "browser-history", shown,
        [&](auto& made) {
            std::string url;
            std::string title;
            const auto read = [&](PlainDatabase& db, sqlite3_stmt* pages, auto fileTime) {
                while (db.Step(pages)) {
                    AssignColumn(pages, 0, url);
                    AssignColumn(pages, 1, title);
                    // The last update is the last visit.
                    const QString date =
                        DateText(fileTime(sqlite3_column_int64(pages, 2)), kHistoryOutside);
                    made.push_back({date, QString::fromStdString(title),
                                    QString::fromStdString(url), date, noExpiry});
                }
            };
            read(firefox, firefoxPages, FromUnix<std::chrono::microseconds>);
            read(chromium, chromiumPages, From1601);
        },
        Order::Own);
}
