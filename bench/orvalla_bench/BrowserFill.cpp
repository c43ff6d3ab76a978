#include "BrowserProfiles.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

#include "PlainSql.h"
#include "Seed.h"
#include "platform/winbase.h"

namespace {

constexpr std::uint32_t kSeed = 20250607;

// 1 January 2024 and 1 June 2026, as seconds since 1970.
constexpr std::int64_t kFrom = 1'704'067'200;
constexpr std::int64_t kUntil = 1'780'272'000;
constexpr std::int64_t kDay = 86'400;
constexpr std::int64_t kMicros = 1'000'000;
// Chromium counts its times from 1601, as FILETIME does.
constexpr std::int64_t kMicrosFrom1601 =
    std::chrono::microseconds(std::chrono::sys_days() - kFileTimeEpoch).count();

constexpr std::array<const char*, 4> kPaths = {"/account", "/shop", "/api/v2", "/search"};
constexpr std::array<const char*, 8> kCookieNames = {"sid",  "_ga",  "consent",   "lang",
                                                     "pref", "_gid", "csrftoken", "cart"};
// Visits per page, averaging four.
constexpr std::array<int, 8> kVisitCounts = {1, 7, 2, 6, 3, 5, 4, 4};

enum class Partition { None, Site, CrossSite };

// A cookie of its group (one host, path and partition), its times in
// microseconds since 1970.
struct Cookie {
    std::string host;
    std::string path;
    Partition partition = Partition::None;
    std::string site = {};  // the top-level site of a partitioned group
    std::string name = {};
    std::string value = {};
    std::int64_t created = 0, updated = 0, accessed = 0, expires = 0;
    bool secure = false, httpOnly = false;
};

struct Page {
    std::string prefix;  // "http://" or "https://"
    std::string host;
    std::string url = {};
    std::optional<std::string> title = {};
    std::vector<std::int64_t> visits = {};  // microseconds since 1970, ascending
};

struct Profile {
    std::vector<Cookie> cookies;  // in the order the browser would have set them
    std::vector<Page> pages;
    std::vector<std::pair<std::int64_t, int>> visits = {};  // (time, page) in the order of time
};

// Seconds in the range, as microseconds with a fraction of a second.
std::int64_t Time(Random& random, std::int64_t from, std::int64_t until) {
    return random.Between(from, until) * kMicros + random.Between(0, kMicros - 1);
}

std::string Site(int host) {
    return kWords[host % kWords.size()] + std::to_string(host / kWords.size()) +
           kTopLevels[host / kWords.size() % kTopLevels.size()];
}

// As the browser stores it: a domain cookie's host keeps its leading dot.
std::string CookieHost(int host) {
    const int kind = host % 10;
    return (kind < 3 ? "." : kind < 5 ? "www." : kind == 5 ? "shop." : "") + Site(host);
}

// Two groups a host: its root, and another path, a partition or, one in
// twenty, a cross-site partition (a container in Firefox). Two or three
// cookies a group, set at times of their own and shuffled, so that the
// cookies of a group lie apart in the table.
std::vector<Cookie> MakeCookies(Random& random) {
    std::vector<Cookie> cookies;
    int group = 0;
    const auto add = [&](Cookie cookie) {
        for (int k = 0; k < 2 + group % 2; ++k) {
            cookie.name = kCookieNames[(group + k) % kCookieNames.size()];
            cookie.value.assign(static_cast<std::size_t>(random.Between(8, 48)), 'v');
            cookie.created = Time(random, kFrom, kUntil - 60 * kDay);
            cookie.updated = cookie.created + Time(random, 0, 30 * kDay);
            cookie.accessed = cookie.updated + Time(random, 0, 20 * kDay);
            cookie.expires = cookie.created + Time(random, kDay, 400 * kDay);
            cookie.secure = cookie.partition != Partition::None || random.Below(2) == 0;
            cookie.httpOnly = random.Below(3) == 0;
            cookies.push_back(cookie);
        }
        ++group;
    };
    for (int host = 0; host < kBrowserHosts; ++host) {
        add({CookieHost(host), "/"});
        const int kind = host % 20;
        if (kind > 3)
            add({CookieHost(host), kPaths[host % kPaths.size()]});
        else
            add({CookieHost(host), "/", kind == 3 ? Partition::CrossSite : Partition::Site,
                 Site((host * 31 + 7) % kBrowserHosts)});
    }
    std::shuffle(cookies.begin(), cookies.end(), random.engine);
    return cookies;
}

std::optional<std::string> Title(int page) {
    const std::string word = kWords[page / 3 % kWords.size()];
    if (page % 20 == 0)
        return std::nullopt;
    if (page % 10 == 3)
        return "Ångström " + word + " – Seite " + std::to_string(page);
    return word + " " + kWords[page % kWords.size()] + " | page " + std::to_string(page);
}

// One page in five secure, the others http.
std::vector<Page> MakePages(Random& random) {
    std::vector<Page> pages;
    for (int index = 0; index < kBrowserPages; ++index) {
        Page page{index % 5 == 4 ? "https://" : "http://",
                  (index % 3 == 0 ? "www." : "") + Site(index * 7919 % kBrowserHosts)};
        page.url = page.prefix + page.host + "/" + kWords[index / 7 % kWords.size()] + "/" +
                   std::to_string(index) + (index % 4 == 1 ? ".html" : "") +
                   (index % 6 == 0 ? std::string("?ref=") + kWords[index % kWords.size()] : "");
        page.title = Title(index);
        for (int visit = 0; visit < kVisitCounts[index % kVisitCounts.size()]; ++visit)
            page.visits.push_back(Time(random, kFrom, kUntil));
        std::sort(page.visits.begin(), page.visits.end());
        pages.push_back(std::move(page));
    }
    return pages;
}

const Profile& TheProfile() {
    static const Profile profile = [] {
        Random random(kSeed);
        Profile made{MakeCookies(random), MakePages(random)};
        for (int page = 0; page < static_cast<int>(made.pages.size()); ++page) {
            for (const std::int64_t time : made.pages[page].visits)
                made.visits.emplace_back(time, page);
        }
        std::sort(made.visits.begin(), made.visits.end());
        return made;
    }();
    return profile;
}

// The file's rows replaced by the profile's, in one transaction: those of
// the `tables` the file has emptied, `clear` (SQL) run, then `fill`; a
// write-ahead log is emptied into the file.
void Refill(const std::string& path, std::initializer_list<const char*> tables, const char* clear,
            void (*fill)(PlainDatabase& db, const Profile& profile)) {
    PlainDatabase db(path);
    db.Exec("BEGIN IMMEDIATE");
    sqlite3_stmt* has = db.Prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
    for (const char* table : tables) {
        sqlite3_bind_text(has, 1, table, -1, SQLITE_STATIC);
        const bool present = db.Step(has);
        sqlite3_reset(has);
        if (present)
            db.Exec("DELETE FROM " + std::string(table));
    }
    db.Exec(clear);
    fill(db, TheProfile());
    db.Exec("COMMIT");
    db.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

void FillFirefoxCookies(PlainDatabase& db, const Profile& profile) {
    sqlite3_stmt* insert = db.Prepare(
        "INSERT INTO moz_cookies (originAttributes, name, value, host, path, expiry, "
        "lastAccessed, creationTime, isSecure, isHttpOnly, inBrowserElement, sameSite, "
        "schemeMap, isPartitionedAttributeSet, updateTime) "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, 0, ?11, ?12, ?13, ?14)");
    for (const Cookie& row : profile.cookies) {
        const std::string attributes = row.partition == Partition::Site
                                           ? "^partitionKey=%28https%2C" + row.site + "%29"
                                       : row.partition == Partition::CrossSite ? "^userContextId=2"
                                                                               : "";
        db.Run(insert, attributes, row.name, row.value, row.host, row.path, row.expires / 1000,
               row.accessed, row.created, row.secure, row.httpOnly, row.secure ? 0 : 1,
               row.secure ? 2 : 1, row.partition == Partition::Site, row.updated);
    }
}

void FillFirefoxPlaces(PlainDatabase& db, const Profile& profile) {
    sqlite3_stmt* origin = db.Prepare(
        "INSERT OR IGNORE INTO moz_origins (prefix, host, frecency) VALUES (?1, ?2, 100)");
    // A guid of twelve characters, as Firefox's own, and apart from any it
    // makes; Firefox computes the address's hash in its own connection, and
    // nothing here looks pages up by it.
    sqlite3_stmt* place = db.Prepare(
        "INSERT INTO moz_places (url, title, rev_host, visit_count, last_visit_date, guid, "
        "frecency, origin_id) VALUES (?1, ?2, ?3, ?4, ?5, printf('bench%07d', ?6), ?7, "
        "(SELECT id FROM moz_origins WHERE prefix = ?8 AND host = ?9))");
    sqlite3_stmt* visit = db.Prepare(
        "INSERT INTO moz_historyvisits (place_id, visit_date, visit_type, from_visit, "
        "session, source) VALUES (?1, ?2, 1, 0, 0, 0)");
    std::vector<std::int64_t> placeIds;
    for (int index = 0; index < static_cast<int>(profile.pages.size()); ++index) {
        const Page& page = profile.pages[index];
        const auto visits = static_cast<std::int64_t>(page.visits.size());
        db.Run(origin, page.prefix, page.host);
        db.Run(place, page.url, page.title, std::string(page.host.rbegin(), page.host.rend()) + ".",
               visits, page.visits.back(), index, 100 * visits, page.prefix, page.host);
        placeIds.push_back(db.LastInsertId());
    }
    for (const auto& [time, page] : profile.visits)
        db.Run(visit, placeIds[page], time);
}

// Chromium keeps a cookie's value encrypted, "v10" and the cipher text.
void FillChromiumCookies(PlainDatabase& db, const Profile& profile) {
    sqlite3_stmt* insert = db.Prepare(
        "INSERT INTO cookies (creation_utc, host_key, top_frame_site_key, name, value, "
        "encrypted_value, path, expires_utc, is_secure, is_httponly, last_access_utc, "
        "has_expires, is_persistent, priority, samesite, source_scheme, source_port, "
        "last_update_utc, source_type, has_cross_site_ancestor) "
        "VALUES (?1, ?2, ?3, ?4, '', CAST(?5 AS BLOB), ?6, ?7, ?8, ?9, ?10, 1, 1, 1, "
        "?11, ?12, ?13, ?14, 1, ?15)");
    for (const Cookie& row : profile.cookies) {
        const std::string site = row.partition == Partition::None ? "" : "https://" + row.site;
        db.Run(insert, row.created + kMicrosFrom1601, row.host, site, row.name, "v10" + row.value,
               row.path, row.expires + kMicrosFrom1601, row.secure, row.httpOnly,
               row.accessed + kMicrosFrom1601, row.secure ? -1 : 1, row.secure ? 2 : 1,
               row.secure ? 443 : 80, row.updated + kMicrosFrom1601,
               row.partition == Partition::CrossSite);
    }
}

void FillChromiumHistory(PlainDatabase& db, const Profile& profile) {
    sqlite3_stmt* url = db.Prepare(
        "INSERT INTO urls (url, title, visit_count, typed_count, last_visit_time, hidden) "
        "VALUES (?1, coalesce(?2, ''), ?3, 0, ?4, 0)");
    // A link followed, the start and the end of its chain of redirects.
    sqlite3_stmt* visit = db.Prepare(
        "INSERT INTO visits (url, visit_time, from_visit, transition, segment_id, "
        "visit_duration) VALUES (?1, ?2, 0, 805306368, 0, ?3)");
    std::vector<std::int64_t> urlIds;
    for (const Page& page : profile.pages) {
        db.Run(url, page.url, page.title, page.visits.size(), page.visits.back() + kMicrosFrom1601);
        urlIds.push_back(db.LastInsertId());
    }
    for (const auto& [time, page] : profile.visits)
        db.Run(visit, urlIds[page], time + kMicrosFrom1601, (time % 600) * kMicros);
}

}  // namespace

std::vector<std::string> BrowserSites(int count) {
    std::vector<std::string> sites;
    const int step = kBrowserHosts / count;
    for (int i = 0; i < count; ++i)
        sites.push_back(Site(i * step + i % std::min(step, 20)));
    return sites;
}

void FillFirefoxProfile(const BrowserProfile& profile) {
    Refill(profile.cookies, {"moz_cookies"}, "", FillFirefoxCookies);
    Refill(profile.history,
           {"moz_historyvisits", "moz_historyvisits_extra", "moz_places_metadata",
            "moz_places_metadata_search_queries", "moz_inputhistory"},
           "DELETE FROM moz_places WHERE foreign_count = 0; "
           "DELETE FROM moz_origins WHERE id NOT IN "
           "(SELECT origin_id FROM moz_places WHERE origin_id NOT NULL)",
           FillFirefoxPlaces);
}

void FillChromiumProfile(const BrowserProfile& profile) {
    Refill(profile.cookies, {"cookies"}, "", FillChromiumCookies);
    Refill(profile.history,
           {"visits", "visit_source", "content_annotations", "context_annotations", "segment_usage",
            "segments", "visited_links", "keyword_search_terms", "urls"},
           "", FillChromiumHistory);
}
