#include "SiteCleaning.h"

#include <QFile>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

#include "Measure.h"
#include "PlainSql.h"

namespace {

constexpr char kSeparator = '\x1f';

// The host of an address ("https://www.example.com:8080/a" gives
// "www.example.com"); empty for one without (file:///).
std::string_view HostOf(std::string_view url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string_view::npos)
        return {};
    std::string_view rest = url.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const std::size_t user = rest.rfind('@'); user != std::string_view::npos)
        rest.remove_prefix(user + 1);
    if (rest.starts_with('['))
        return rest.substr(0, rest.find(']') + 1);
    return rest.substr(0, rest.find(':'));
}

bool HasTable(PlainDatabase& db, const char* table) {
    sqlite3_stmt* found =
        db.Prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1");
    sqlite3_bind_text(found, 1, table, -1, SQLITE_STATIC);
    const bool has = db.Step(found);
    sqlite3_reset(found);
    return has;
}

// A statement on a table that only some versions of the browser have;
// nullptr where the file lacks it.
sqlite3_stmt* IfTable(PlainDatabase& db, const char* table, const std::string& sql) {
    return HasTable(db, table) ? db.Prepare(sql.c_str()) : nullptr;
}

void RunOn(PlainDatabase& db, sqlite3_stmt* statement, sqlite3_int64 id) {
    if (statement)
        db.Run(statement, id);
}

// The first column of every row the statement gives for `id`; none for a
// statement the file has no table for.
std::vector<sqlite3_int64> Ids(PlainDatabase& db, sqlite3_stmt* statement, sqlite3_int64 id) {
    std::vector<sqlite3_int64> ids;
    if (!statement)
        return ids;
    sqlite3_bind_int64(statement, 1, id);
    while (db.Step(statement))
        ids.push_back(sqlite3_column_int64(statement, 0));
    sqlite3_reset(statement);
    return ids;
}

// A browser's cookie table and the columns of its unique index, which is
// the browser's own key of a cookie: Firefox's moz_uniqueid (name, host,
// path, originAttributes), Chromium's cookies_unique_index (host_key,
// top_frame_site_key, ..., name, path, source_scheme, source_port).
struct CookieTable {
    CookieTable(const std::string& file, Browser browser)
        : db(file),
          table(browser == Browser::Firefox ? "moz_cookies" : "cookies"),
          host(browser == Browser::Firefox ? "host" : "host_key") {
        sqlite3_stmt* indices = db.Prepare(("SELECT name FROM pragma_index_list('" + table +
                                            "') WHERE \"unique\" AND origin <> 'pk'")
                                               .c_str());
        Require(db.Step(indices), "the browser's cookie table has a unique index");
        const std::string index = reinterpret_cast<const char*>(sqlite3_column_text(indices, 0));
        sqlite3_reset(indices);
        sqlite3_stmt* columns = db.Prepare(
            ("SELECT name FROM pragma_index_info('" + index + "') ORDER BY seqno").c_str());
        std::string select = "SELECT " + host;
        std::string where;
        while (db.Step(columns)) {
            const std::string column =
                reinterpret_cast<const char*>(sqlite3_column_text(columns, 0));
            ++keyColumns;
            select += ", " + column;
            where += (where.empty() ? "" : " AND ") + column + " = ?" + std::to_string(keyColumns);
        }
        read = db.Prepare((select + " FROM " + table).c_str());
        remove = db.Prepare(("DELETE FROM " + table + " WHERE " + where).c_str());
    }

    // Reads every cookie's key and deletes, by that key, those whose host
    // `goes`, in one transaction.
    void DeleteWhere(const std::function<bool(std::string_view host)>& goes) {
        using Value = std::unique_ptr<sqlite3_value, decltype(&sqlite3_value_free)>;
        std::vector<Value> keys;  // keyColumns a cookie
        db.Exec("BEGIN IMMEDIATE");
        while (db.Step(read)) {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(read, 0));
            if (!goes(
                    {bytes ? bytes : "", static_cast<std::size_t>(sqlite3_column_bytes(read, 0))}))
                continue;
            for (int column = 1; column <= keyColumns; ++column)
                keys.emplace_back(sqlite3_value_dup(sqlite3_column_value(read, column)),
                                  sqlite3_value_free);
        }
        sqlite3_reset(read);
        for (std::size_t first = 0; first < keys.size(); first += keyColumns) {
            for (int column = 0; column < keyColumns; ++column)
                sqlite3_bind_value(remove, column + 1, keys[first + column].get());
            db.Step(remove);
            sqlite3_reset(remove);
        }
        db.Exec("COMMIT");
    }

    PlainDatabase db;
    const std::string table;
    const std::string host;
    int keyColumns = 0;
    sqlite3_stmt* read;
    sqlite3_stmt* remove;
};

// The file beside the history that holds a browser's icons, open, if the
// profile has one.
std::unique_ptr<PlainDatabase> IconsBeside(const std::string& history, const char* name) {
    const std::string file = history.substr(0, history.rfind('/') + 1) + name;
    return QFile::exists(QString::fromStdString(file)) ? std::make_unique<PlainDatabase>(file)
                                                       : nullptr;
}

// Firefox's places: each site's pages through the index of reversed hosts
// ("moc.elpmaxe." and every host below it, up to "moc.elpmaxe/").
class FirefoxForget {
public:
    explicit FirefoxForget(const std::string& history)
        : db_(history),
          icons_(IconsBeside(history, "favicons.sqlite")),
          pages_(db_.Prepare("SELECT id, url, origin_id, foreign_count FROM moz_places "
                             "WHERE rev_host >= ?1 AND rev_host < ?2")),
          // The file's statistics are those of Firefox's first run (one
          // visit), under which SQLite would scan every visit for each page;
          // Firefox's own removal goes through this index.
          visitIds_(db_.Prepare("SELECT id FROM moz_historyvisits INDEXED BY "
                                "moz_historyvisits_placedateindex WHERE place_id = ?1")),
          visits_(db_.Prepare("DELETE FROM moz_historyvisits INDEXED BY "
                              "moz_historyvisits_placedateindex WHERE place_id = ?1")),
          page_(db_.Prepare("DELETE FROM moz_places WHERE id = ?1")),
          unvisited_(db_.Prepare(
              "UPDATE moz_places SET visit_count = 0, last_visit_date = NULL WHERE id = ?1")),
          origin_(db_.Prepare("DELETE FROM moz_origins WHERE id = ?1 AND NOT EXISTS "
                              "(SELECT 1 FROM moz_places WHERE origin_id = ?1)")) {
        // What Firefox's own connection, with its foreign keys on, deletes
        // with a visit or a page.
        visitExtra_ = IfTable(db_, "moz_historyvisits_extra",
                              "DELETE FROM moz_historyvisits_extra WHERE visit_id = ?1");
        for (const char* table : {"moz_annos", "moz_inputhistory", "moz_places_metadata",
                                  "moz_places_extra", "moz_newtab_shortcuts_interaction"})
            ofPage_.push_back(
                IfTable(db_, table, std::string("DELETE FROM ") + table + " WHERE place_id = ?1"));
        if (icons_) {
            iconPages_ = icons_->Prepare(
                "DELETE FROM moz_pages_w_icons WHERE page_url IN "
                "(SELECT value FROM json_each(?1))");
        }
    }

    void Forget(const std::vector<std::string>& sites) {
        std::vector<sqlite3_int64> origins;
        std::vector<std::pair<sqlite3_int64, bool>> found;  // id, bookmarked
        std::string urls = "[";
        db_.Exec("BEGIN IMMEDIATE");
        for (const std::string& site : sites) {
            const std::string reversed = std::string(site.rbegin(), site.rend()) + ".";
            const std::string end = reversed.substr(0, reversed.size() - 1) + "/";
            sqlite3_bind_text(pages_, 1, reversed.data(), static_cast<int>(reversed.size()),
                              SQLITE_STATIC);
            sqlite3_bind_text(pages_, 2, end.data(), static_cast<int>(end.size()), SQLITE_STATIC);
            while (db_.Step(pages_)) {
                found.emplace_back(sqlite3_column_int64(pages_, 0),
                                   sqlite3_column_int64(pages_, 3) > 0);
                origins.push_back(sqlite3_column_int64(pages_, 2));
                if (icons_)
                    AppendJsonText(urls,
                                   reinterpret_cast<const char*>(sqlite3_column_text(pages_, 1)));
            }
            sqlite3_reset(pages_);
        }
        // In the order of the table and of the visits' index by page.
        std::sort(found.begin(), found.end());
        for (const auto& [id, bookmarked] : found) {
            if (visitExtra_) {
                for (const sqlite3_int64 visit : Ids(db_, visitIds_, id))
                    db_.Run(visitExtra_, visit);
            }
            db_.Run(visits_, id);
            if (bookmarked) {
                db_.Run(unvisited_, id);
                continue;
            }
            for (sqlite3_stmt* statement : ofPage_)
                RunOn(db_, statement, id);
            db_.Run(page_, id);
        }
        std::sort(origins.begin(), origins.end());
        origins.erase(std::unique(origins.begin(), origins.end()), origins.end());
        for (const sqlite3_int64 origin : origins)
            db_.Run(origin_, origin);
        db_.Exec("COMMIT");
        if (!icons_)
            return;
        icons_->Exec("BEGIN IMMEDIATE");
        icons_->Run(iconPages_, urls + "]");
        icons_->Exec(
            "DELETE FROM moz_icons_to_pages WHERE page_id NOT IN (SELECT id FROM "
            "moz_pages_w_icons);"
            "DELETE FROM moz_icons WHERE root = 0 AND id NOT IN "
            "(SELECT icon_id FROM moz_icons_to_pages)");
        icons_->Exec("COMMIT");
    }

private:
    static void AppendJsonText(std::string& array, std::string_view text) {
        array.append(array.size() > 1 ? ",\"" : "\"");
        for (const char c : text) {
            if (c == '"' || c == '\\')
                array.push_back('\\');
            array.push_back(c);
        }
        array.push_back('"');
    }

    PlainDatabase db_;
    std::unique_ptr<PlainDatabase> icons_;
    sqlite3_stmt* pages_;
    sqlite3_stmt* visitIds_;
    sqlite3_stmt* visits_;
    sqlite3_stmt* visitExtra_ = nullptr;
    sqlite3_stmt* page_;
    sqlite3_stmt* unvisited_;
    sqlite3_stmt* origin_;
    std::vector<sqlite3_stmt*> ofPage_;
    sqlite3_stmt* iconPages_ = nullptr;
};

// Chromium's history: no column holds a page's host, so every address is
// read; each page of a forgotten site goes with what only it uses.
class ChromiumForget {
public:
    explicit ChromiumForget(const std::string& history)
        : db_(history),
          icons_(IconsBeside(history, "Favicons")),
          urls_(db_.Prepare("SELECT id, url FROM urls")),
          visitIds_(db_.Prepare("SELECT id FROM visits WHERE url = ?1")),
          visits_(db_.Prepare("DELETE FROM visits WHERE url = ?1")),
          segmentIds_(IfTable(db_, "segments", "SELECT id FROM segments WHERE url_id = ?1")),
          segmentUsage_(
              IfTable(db_, "segment_usage", "DELETE FROM segment_usage WHERE segment_id = ?1")),
          segment_(IfTable(db_, "segments", "DELETE FROM segments WHERE id = ?1")),
          page_(db_.Prepare("DELETE FROM urls WHERE id = ?1")) {
        ofVisit_ = {IfTable(db_, "visit_source", "DELETE FROM visit_source WHERE id = ?1"),
                    IfTable(db_, "content_annotations",
                            "DELETE FROM content_annotations WHERE visit_id = ?1"),
                    IfTable(db_, "context_annotations",
                            "DELETE FROM context_annotations WHERE visit_id = ?1")};
        ofPage_ = {
            IfTable(db_, "keyword_search_terms",
                    "DELETE FROM keyword_search_terms WHERE url_id = ?1"),
            IfTable(db_, "visited_links", "DELETE FROM visited_links WHERE link_url_id = ?1")};
        if (icons_)
            iconPage_ = icons_->Prepare("DELETE FROM icon_mapping WHERE page_url = ?1");
    }

    void Forget(const SiteSet& sites) {
        std::vector<std::pair<sqlite3_int64, std::string>> gone;
        db_.Exec("BEGIN IMMEDIATE");
        while (db_.Step(urls_)) {
            const std::string_view url(reinterpret_cast<const char*>(sqlite3_column_text(urls_, 1)),
                                       static_cast<std::size_t>(sqlite3_column_bytes(urls_, 1)));
            if (sites.Holds(HostOf(url)))
                gone.emplace_back(sqlite3_column_int64(urls_, 0), url);
        }
        sqlite3_reset(urls_);
        for (const auto& [id, url] : gone) {
            for (const sqlite3_int64 visit : Ids(db_, visitIds_, id)) {
                for (sqlite3_stmt* statement : ofVisit_)
                    RunOn(db_, statement, visit);
            }
            db_.Run(visits_, id);
            for (sqlite3_stmt* statement : ofPage_)
                RunOn(db_, statement, id);
            for (const sqlite3_int64 segment : Ids(db_, segmentIds_, id)) {
                RunOn(db_, segmentUsage_, segment);
                RunOn(db_, segment_, segment);
            }
            db_.Run(page_, id);
        }
        db_.Exec("COMMIT");
        if (!icons_)
            return;
        icons_->Exec("BEGIN IMMEDIATE");
        for (const auto& [id, url] : gone)
            icons_->Run(iconPage_, url);
        icons_->Exec(
            "DELETE FROM favicon_bitmaps WHERE icon_id NOT IN (SELECT icon_id FROM icon_mapping);"
            "DELETE FROM favicons WHERE id NOT IN (SELECT icon_id FROM icon_mapping)");
        icons_->Exec("COMMIT");
    }

private:
    PlainDatabase db_;
    std::unique_ptr<PlainDatabase> icons_;
    sqlite3_stmt* urls_;
    sqlite3_stmt* visitIds_;
    sqlite3_stmt* visits_;
    sqlite3_stmt* segmentIds_;
    sqlite3_stmt* segmentUsage_;
    sqlite3_stmt* segment_;
    sqlite3_stmt* page_;
    std::vector<sqlite3_stmt*> ofVisit_;
    std::vector<sqlite3_stmt*> ofPage_;
    sqlite3_stmt* iconPage_ = nullptr;
};

// The rows `sql` gives, each its columns' texts joined, sorted.
std::vector<std::string> Rows(const std::string& file, const std::string& sql) {
    PlainDatabase db(file);
    sqlite3_stmt* rows = db.Prepare(sql.c_str());
    std::vector<std::string> texts;
    while (db.Step(rows)) {
        std::string& text = texts.emplace_back();
        for (int column = 0; column < sqlite3_column_count(rows); ++column) {
            const auto* bytes = static_cast<const char*>(sqlite3_column_blob(rows, column));
            if (column)
                text.push_back(kSeparator);
            text.append(bytes ? bytes : "",
                        static_cast<std::size_t>(sqlite3_column_bytes(rows, column)));
        }
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

ProfileContents ReadProfile(const BrowserProfile& profile, Browser browser) {
    std::string keys;
    {
        CookieTable table(profile.cookies, browser);
        keys = sqlite3_sql(table.read);
    }
    const bool firefox = browser == Browser::Firefox;
    const std::string pages =
        firefox ? "SELECT url, foreign_count > 0, (SELECT count(*) FROM moz_historyvisits "
                  "WHERE place_id = p.id) FROM moz_places p"
                : "SELECT url, 0, (SELECT count(*) FROM visits WHERE url = u.id) FROM urls u";
    const std::string stray =
        firefox ? "SELECT count(*) FROM moz_historyvisits WHERE place_id NOT IN "
                  "(SELECT id FROM moz_places)"
                : "SELECT count(*) FROM visits WHERE url NOT IN (SELECT id FROM urls)";
    return {Rows(profile.cookies, keys), Rows(profile.history, pages),
            std::stoll(Rows(profile.history, stray).front())};
}

// The host a row of ReadProfile's begins with, or that its address holds.
std::string_view FirstField(const std::string& row) {
    return std::string_view(row).substr(0, row.find(kSeparator));
}

ProfileContents ExpectedOf(const ProfileContents& before, const SiteSet& sites, Goes goes,
                           bool pagesToo) {
    const auto going = [&](std::string_view host) {
        return sites.Holds(host) == (goes == Goes::Sites);
    };
    ProfileContents left{{}, {}, before.strayVisits};
    for (const std::string& cookie : before.cookies) {
        if (!going(FirstField(cookie)))
            left.cookies.push_back(cookie);
    }
    for (const std::string& page : before.pages) {
        const std::string_view url = FirstField(page);
        if (!pagesToo || !going(HostOf(url)))
            left.pages.push_back(page);
        else if (page.substr(url.size() + 1, 1) == "1")
            left.pages.push_back(std::string(url) + kSeparator + "1" + kSeparator + "0");
    }
    std::sort(left.pages.begin(), left.pages.end());
    return left;
}

void CheckProfile(const BrowserProfile& profile, Browser browser, const ProfileContents& expected,
                  const std::string& what) {
    const ProfileContents now = ReadProfile(profile, browser);
    const std::string after = " after " + what + " in " + profile.label;
    Require(now.cookies == expected.cookies,
            "exactly the expected cookies are left" + after + ": " +
                std::to_string(now.cookies.size()) + " left, " +
                std::to_string(expected.cookies.size()) + " expected");
    Require(now.pages == expected.pages, "exactly the expected pages and visits are left" + after +
                                             ": " + std::to_string(now.pages.size()) +
                                             " pages left, " +
                                             std::to_string(expected.pages.size()) + " expected");
    Require(now.strayVisits == expected.strayVisits, "no visit outlives its page" + after);
}

}  // namespace

SiteSet::SiteSet(std::vector<std::string> sites)
    : names_(std::move(sites)), sites_(names_.begin(), names_.end()) {}

bool SiteSet::Holds(std::string_view host) const {
    if (host.starts_with('.'))
        host.remove_prefix(1);
    lowered_.assign(host);
    std::transform(lowered_.begin(), lowered_.end(), lowered_.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; });
    for (std::size_t from = 0; from != std::string::npos;) {
        if (sites_.count(std::string_view(lowered_).substr(from)))
            return true;
        from = lowered_.find('.', from);
        from = from == std::string::npos ? from : from + 1;
    }
    return false;
}

double KeepListFloor(const BrowserProfiles& profiles, const SiteSet& kept) {
    CookieTable firefox(profiles.firefox.cookies, Browser::Firefox);
    CookieTable chromium(profiles.chromium.cookies, Browser::Chromium);
    const auto notKept = [&](std::string_view host) { return !kept.Holds(host); };
    return Timed([&] {
        firefox.DeleteWhere(notKept);
        chromium.DeleteWhere(notKept);
    });
}

double KeepListByHostFloor(const BrowserProfiles& profiles, const SiteSet& kept) {
    PlainDatabase firefox(profiles.firefox.cookies);
    PlainDatabase chromium(profiles.chromium.cookies);
    const auto keptSite = [](sqlite3_context* context, int, sqlite3_value** host) {
        const auto* text = static_cast<const char*>(sqlite3_value_blob(host[0]));
        const auto* sites = static_cast<const SiteSet*>(sqlite3_user_data(context));
        sqlite3_result_int(context,
                           sites->Holds({text ? text : "",
                                         static_cast<std::size_t>(sqlite3_value_bytes(host[0]))}));
    };
    for (PlainDatabase* db : {&firefox, &chromium}) {
        Require(sqlite3_create_function_v2(db->Handle(), "kept_site", 1, SQLITE_UTF8,
                                           const_cast<SiteSet*>(&kept), keptSite, nullptr, nullptr,
                                           nullptr) == SQLITE_OK,
                "the floor's function is there");
    }
    sqlite3_stmt* firefoxGone =
        firefox.Prepare("DELETE FROM moz_cookies WHERE NOT kept_site(host)");
    sqlite3_stmt* chromiumGone =
        chromium.Prepare("DELETE FROM cookies WHERE NOT kept_site(host_key)");
    return Timed([&] {
        for (auto [db, gone] :
             {std::pair{&firefox, firefoxGone}, std::pair{&chromium, chromiumGone}}) {
            db->Exec("BEGIN IMMEDIATE");
            db->Run(gone);
            db->Exec("COMMIT");
        }
    });
}

double ForgetSitesFloor(const BrowserProfiles& profiles, const std::vector<std::string>& sites) {
    const SiteSet forgotten(sites);
    CookieTable firefoxCookies(profiles.firefox.cookies, Browser::Firefox);
    CookieTable chromiumCookies(profiles.chromium.cookies, Browser::Chromium);
    FirefoxForget firefoxPages(profiles.firefox.history);
    ChromiumForget chromiumPages(profiles.chromium.history);
    const auto holds = [&](std::string_view host) { return forgotten.Holds(host); };
    return Timed([&] {
        firefoxCookies.DeleteWhere(holds);
        firefoxPages.Forget(sites);
        chromiumCookies.DeleteWhere(holds);
        chromiumPages.Forget(forgotten);
    });
}

ContentsOfBoth ReadContents(const BrowserProfiles& profiles) {
    return {ReadProfile(profiles.firefox, Browser::Firefox),
            ReadProfile(profiles.chromium, Browser::Chromium)};
}

ContentsOfBoth Expected(const ContentsOfBoth& before, const SiteSet& sites, Goes goes,
                        bool pagesToo) {
    return {ExpectedOf(before.firefox, sites, goes, pagesToo),
            ExpectedOf(before.chromium, sites, goes, pagesToo)};
}

void CheckContents(const BrowserProfiles& profiles, const ContentsOfBoth& expected,
                   const std::string& what) {
    CheckProfile(profiles.firefox, Browser::Firefox, expected.firefox, what);
    CheckProfile(profiles.chromium, Browser::Chromium, expected.chromium, what);
}
