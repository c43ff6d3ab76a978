#include "BrowserFill.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <random>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <variant>
#include <vector>

#include "PlainSql.h"
#include "Seed.h"

namespace {

constexpr std::uint32_t kSeed = 20250607;

// 1 January 2024 and 1 June 2026, as seconds since 1970.
constexpr std::int64_t kFrom = 1'704'067'200;
constexpr std::int64_t kUntil = 1'780'272'000;
constexpr std::int64_t kDay = 86'400;
constexpr std::int64_t kMicros = 1'000'000;
constexpr std::int64_t kMicrosFrom1601To1970 = 11'644'473'600 * kMicros;

constexpr std::array<const char*, 4> kPaths = {"/account", "/shop", "/api/v2", "/search"};
constexpr std::array<const char*, 8> kCookieNames = {"sid",  "_ga",  "consent",   "lang",
                                                     "pref", "_gid", "csrftoken", "cart"};
// Visits per page, averaging four.
constexpr std::array<int, 8> kVisitCounts = {1, 7, 2, 6, 3, 5, 4, 4};

enum class Partition { None, Site, CrossSite };

struct Group {
    std::string host;
    std::string path;
    Partition partition = Partition::None;
    std::string site = {};  // the top-level site of a partitioned group
};

struct Cookie {
    int group = 0;
    std::string name;
    std::string value;
    // Microseconds since 1970.
    std::int64_t created = 0;
    std::int64_t updated = 0;
    std::int64_t accessed = 0;
    std::int64_t expires = 0;
    bool secure = false;
    bool httpOnly = false;
};

struct Page {
    bool secure = false;
    std::string host;
    std::string url;
    std::optional<std::string> title;
    std::vector<std::int64_t> visits;  // microseconds since 1970, ascending
};

struct Profile {
    std::vector<Group> groups;
    std::vector<Cookie> cookies;  // in the order the browser would have set them
    std::vector<Page> pages;
};

class Generator {
public:
    std::int64_t Between(std::int64_t from, std::int64_t until) {
        return std::uniform_int_distribution<std::int64_t>(from, until)(random_);
    }
    bool OneIn(int n) { return Between(1, n) == 1; }
    // Seconds in the range, as microseconds with a fraction of a second.
    std::int64_t Time(std::int64_t from, std::int64_t until) {
        return Between(from, until) * kMicros + Between(0, kMicros - 1);
    }
    std::string Hex(int bytes) {
        static constexpr char kDigits[] = "0123456789abcdef";
        std::string text;
        for (int i = 0; i < 2 * bytes; ++i)
            text += kDigits[Between(0, 15)];
        return text;
    }
    std::mt19937& Random() { return random_; }

private:
    std::mt19937 random_{kSeed};
};

std::string Site(int host) {
    return kWords[host % kWords.size()] + std::to_string(host / kWords.size()) +
           kTopLevels[host / kWords.size() % kTopLevels.size()];
}

// As the browser stores it: a domain cookie's host keeps its leading dot.
std::string CookieHost(int host) {
    switch (host % 10) {
        case 0:
        case 1:
        case 2:
            return "." + Site(host);
        case 3:
        case 4:
            return "www." + Site(host);
        case 5:
            return "shop." + Site(host);
        default:
            return Site(host);
    }
}

// Two groups a host: its root, and another path, a partition or, one in
// twenty, a cross-site partition (a container in Firefox).
std::vector<Group> MakeGroups() {
    std::vector<Group> groups;
    for (int host = 0; host < kBrowserHosts; ++host) {
        groups.push_back({CookieHost(host), "/"});
        const int kind = host % 20;
        if (kind > 3) {
            groups.push_back({CookieHost(host), kPaths[host % kPaths.size()]});
        } else {
            groups.push_back({CookieHost(host), "/",
                              kind == 3 ? Partition::CrossSite : Partition::Site,
                              Site((host * 31 + 7) % kBrowserHosts)});
        }
    }
    return groups;
}

// Two or three cookies a group, set at times of their own, so that the
// cookies of a group lie apart in the table.
std::vector<Cookie> MakeCookies(const std::vector<Group>& groups, Generator& generate) {
    std::vector<Cookie> cookies;
    for (int group = 0; group < static_cast<int>(groups.size()); ++group) {
        for (int k = 0; k < 2 + group % 2; ++k) {
            Cookie cookie;
            cookie.group = group;
            cookie.name = kCookieNames[(group + k) % kCookieNames.size()];
            cookie.value = generate.Hex(static_cast<int>(generate.Between(4, 24)));
            cookie.created = generate.Time(kFrom, kUntil - 60 * kDay);
            cookie.updated = cookie.created + generate.Time(0, 30 * kDay);
            cookie.accessed = cookie.updated + generate.Time(0, 20 * kDay);
            cookie.expires = cookie.created + generate.Time(kDay, 400 * kDay);
            cookie.secure = groups[group].partition != Partition::None || generate.OneIn(2);
            cookie.httpOnly = generate.OneIn(3);
            cookies.push_back(std::move(cookie));
        }
    }
    std::shuffle(cookies.begin(), cookies.end(), generate.Random());
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
std::vector<Page> MakePages(Generator& generate) {
    std::vector<Page> pages;
    for (int index = 0; index < kBrowserPages; ++index) {
        Page page;
        page.secure = index % 5 == 4;
        page.host = (index % 3 == 0 ? "www." : "") + Site(index * 7919 % kBrowserHosts);
        page.url = (page.secure ? "https://" : "http://") + page.host + "/" +
                   kWords[index / 7 % kWords.size()] + "/" + std::to_string(index) +
                   (index % 4 == 1 ? ".html" : "") +
                   (index % 6 == 0 ? std::string("?ref=") + kWords[index % kWords.size()] : "");
        page.title = Title(index);
        for (int visit = 0; visit < kVisitCounts[index % kVisitCounts.size()]; ++visit)
            page.visits.push_back(generate.Time(kFrom, kUntil));
        std::sort(page.visits.begin(), page.visits.end());
        pages.push_back(std::move(page));
    }
    return pages;
}

const Profile& TheProfile() {
    static const Profile profile = [] {
        Generator generate;
        Profile made;
        made.groups = MakeGroups();
        made.cookies = MakeCookies(made.groups, generate);
        made.pages = MakePages(generate);
        return made;
    }();
    return profile;
}

// Every visit as (time, page), in the order of time, as the browser wrote
// them.
std::vector<std::pair<std::int64_t, int>> VisitsInTimeOrder(const Profile& profile) {
    std::vector<std::pair<std::int64_t, int>> visits;
    for (int page = 0; page < static_cast<int>(profile.pages.size()); ++page) {
        for (const std::int64_t time : profile.pages[page].visits)
            visits.emplace_back(time, page);
    }
    std::sort(visits.begin(), visits.end());
    return visits;
}

// Binds the values to ?1, ?2 ... in turn, runs the statement, and gives the
// new row's id.
class Insert {
public:
    Insert(PlainDatabase& db, const char* sql) : db_(db), statement_(db.Prepare(sql)) {}

    using Value = std::variant<std::int64_t, std::string_view, std::nullopt_t>;
    std::int64_t Row(std::initializer_list<Value> values) {
        int index = 0;
        for (const Value& value : values) {
            ++index;
            if (const auto* number = std::get_if<std::int64_t>(&value)) {
                sqlite3_bind_int64(statement_, index, *number);
            } else if (const auto* text = std::get_if<std::string_view>(&value)) {
                sqlite3_bind_text64(statement_, index, text->data(), text->size(), SQLITE_TRANSIENT,
                                    SQLITE_UTF8);
            } else {
                sqlite3_bind_null(statement_, index);
            }
        }
        db_.Run(statement_);
        return sqlite3_last_insert_rowid(sqlite3_db_handle(statement_));
    }

private:
    PlainDatabase& db_;
    sqlite3_stmt* statement_;
};

Insert::Value Optional(const std::optional<std::string>& text) {
    return text ? Insert::Value(std::string_view(*text)) : Insert::Value(std::nullopt);
}

// Deletes every row of those of the tables the file has.
void Empty(PlainDatabase& db, std::initializer_list<const char*> tables) {
    sqlite3_stmt* has = db.Prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
    for (const char* table : tables) {
        sqlite3_bind_text(has, 1, table, -1, SQLITE_STATIC);
        const bool present = db.Step(has);
        sqlite3_reset(has);
        if (present)
            db.Exec(("DELETE FROM " + std::string(table)).c_str());
    }
}

std::string Reversed(const std::string& host) {
    return std::string(host.rbegin(), host.rend()) + ".";
}

// Firefox computes its own from the address in its connection; nothing here
// looks pages up by it, so any stable number does.
std::int64_t UrlHash(const std::string& url) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const char c : url)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    return static_cast<std::int64_t>(hash >> 16);
}

// Twelve characters, as Firefox's own, and apart from any it makes.
std::string Guid(int page) {
    std::string digits = std::to_string(page);
    return "bench" + std::string(7 - digits.size(), '0') + digits;
}

// The file's cookies replaced by the profile's, each row written into the
// insert statement by `write`; a write-ahead log is emptied into the file.
template <typename Write>
void FillCookies(const std::string& path, const char* table, const char* insert, Write write) {
    PlainDatabase db(path);
    db.Exec("BEGIN IMMEDIATE");
    db.Exec(("DELETE FROM " + std::string(table)).c_str());
    Insert cookie(db, insert);
    for (const Cookie& row : TheProfile().cookies)
        write(cookie, row, TheProfile().groups[row.group]);
    db.Exec("COMMIT");
    db.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

void FillFirefoxCookies(const std::string& path) {
    FillCookies(path, "moz_cookies",
                "INSERT INTO moz_cookies (originAttributes, name, value, host, path, expiry, "
                "lastAccessed, creationTime, isSecure, isHttpOnly, inBrowserElement, sameSite, "
                "schemeMap, isPartitionedAttributeSet, updateTime) "
                "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, 0, ?11, ?12, ?13, ?14)",
                [](Insert& cookie, const Cookie& row, const Group& group) {
                    const std::string attributes =
                        group.partition == Partition::Site
                            ? "^partitionKey=%28https%2C" + group.site + "%29"
                        : group.partition == Partition::CrossSite ? "^userContextId=2"
                                                                  : "";
                    cookie.Row({attributes, row.name, row.value, group.host, group.path,
                                row.expires / 1000, row.accessed, row.created,
                                std::int64_t{row.secure}, std::int64_t{row.httpOnly},
                                std::int64_t{row.secure ? 0 : 1}, std::int64_t{row.secure ? 2 : 1},
                                std::int64_t{group.partition == Partition::Site}, row.updated});
                });
}

void FillFirefoxPlaces(const std::string& path, const Profile& profile) {
    PlainDatabase db(path);
    db.Exec("BEGIN IMMEDIATE");
    Empty(db, {"moz_historyvisits", "moz_historyvisits_extra", "moz_places_metadata",
               "moz_places_metadata_search_queries", "moz_inputhistory"});
    db.Exec("DELETE FROM moz_places WHERE foreign_count = 0");
    db.Exec(
        "DELETE FROM moz_origins WHERE id NOT IN "
        "(SELECT origin_id FROM moz_places WHERE origin_id NOT NULL)");
    Insert origin(db, "INSERT INTO moz_origins (prefix, host, frecency) VALUES (?1, ?2, ?3)");
    Insert place(db,
                 "INSERT INTO moz_places (url, title, rev_host, visit_count, last_visit_date, "
                 "guid, url_hash, frecency, origin_id) "
                 "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    std::unordered_map<std::string, std::int64_t> origins;
    std::vector<std::int64_t> placeIds;
    for (int index = 0; index < static_cast<int>(profile.pages.size()); ++index) {
        const Page& page = profile.pages[index];
        const std::string prefix = page.secure ? "https://" : "http://";
        auto [at, added] = origins.try_emplace(prefix + page.host, 0);
        if (added)
            at->second = origin.Row({prefix, page.host, std::int64_t{100}});
        const auto visits = static_cast<std::int64_t>(page.visits.size());
        placeIds.push_back(place.Row({page.url, Optional(page.title), Reversed(page.host), visits,
                                      page.visits.back(), Guid(index), UrlHash(page.url),
                                      100 * visits, at->second}));
    }
    Insert visit(db,
                 "INSERT INTO moz_historyvisits (place_id, visit_date, visit_type, from_visit, "
                 "session, source) VALUES (?1, ?2, 1, 0, 0, 0)");
    for (const auto& [time, page] : VisitsInTimeOrder(profile))
        visit.Row({placeIds[page], time});
    db.Exec("COMMIT");
    db.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

// Chromium keeps a cookie's value encrypted, "v10" and the cipher text.
void FillChromiumCookies(const std::string& path) {
    FillCookies(
        path, "cookies",
        "INSERT INTO cookies (creation_utc, host_key, top_frame_site_key, name, value, "
        "encrypted_value, path, expires_utc, is_secure, is_httponly, last_access_utc, "
        "has_expires, is_persistent, priority, samesite, source_scheme, source_port, "
        "last_update_utc, source_type, has_cross_site_ancestor) "
        "VALUES (?1, ?2, ?3, ?4, '', CAST(?5 AS BLOB), ?6, ?7, ?8, ?9, ?10, 1, 1, 1, "
        "?11, ?12, ?13, ?14, 1, ?15)",
        [](Insert& cookie, const Cookie& row, const Group& group) {
            const std::string site =
                group.partition == Partition::None ? "" : "https://" + group.site;
            cookie.Row({row.created + kMicrosFrom1601To1970, group.host, site, row.name,
                        "v10" + row.value, group.path, row.expires + kMicrosFrom1601To1970,
                        std::int64_t{row.secure}, std::int64_t{row.httpOnly},
                        row.accessed + kMicrosFrom1601To1970, std::int64_t{row.secure ? -1 : 1},
                        std::int64_t{row.secure ? 2 : 1}, std::int64_t{row.secure ? 443 : 80},
                        row.updated + kMicrosFrom1601To1970,
                        std::int64_t{group.partition == Partition::CrossSite}});
        });
}

void FillChromiumHistory(const std::string& path, const Profile& profile) {
    PlainDatabase db(path);
    db.Exec("BEGIN IMMEDIATE");
    Empty(db, {"visits", "visit_source", "content_annotations", "context_annotations",
               "segment_usage", "segments", "visited_links", "keyword_search_terms", "urls"});
    Insert url(db,
               "INSERT INTO urls (url, title, visit_count, typed_count, last_visit_time, hidden) "
               "VALUES (?1, ?2, ?3, 0, ?4, 0)");
    std::vector<std::int64_t> urlIds;
    for (const Page& page : profile.pages) {
        urlIds.push_back(url.Row({page.url, page.title ? std::string_view(*page.title) : "",
                                  static_cast<std::int64_t>(page.visits.size()),
                                  page.visits.back() + kMicrosFrom1601To1970}));
    }
    // A link followed, the start and the end of its chain of redirects.
    Insert visit(db,
                 "INSERT INTO visits (url, visit_time, from_visit, transition, segment_id, "
                 "visit_duration) VALUES (?1, ?2, 0, 805306368, 0, ?3)");
    for (const auto& [time, page] : VisitsInTimeOrder(profile))
        visit.Row({urlIds[page], time + kMicrosFrom1601To1970, (time % 600) * kMicros});
    db.Exec("COMMIT");
}

}  // namespace

void FillFirefoxProfile(const std::string& cookies, const std::string& places) {
    FillFirefoxCookies(cookies);
    FillFirefoxPlaces(places, TheProfile());
}

void FillChromiumProfile(const std::string& cookies, const std::string& history) {
    FillChromiumCookies(cookies);
    FillChromiumHistory(history, TheProfile());
}
