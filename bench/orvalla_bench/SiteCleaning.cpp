#include "SiteCleaning.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

#include "ForgetPages.h"
#include "Measure.h"
#include "PlainSql.h"

namespace {

constexpr char kSeparator = '\x1f';

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
    const auto firefoxPages = FirefoxPagesForget(profiles.firefox.history, sites);
    const auto chromiumPages = ChromiumPagesForget(profiles.chromium.history, forgotten);
    const auto holds = [&](std::string_view host) { return forgotten.Holds(host); };
    return Timed([&] {
        firefoxCookies.DeleteWhere(holds);
        firefoxPages->Forget();
        chromiumCookies.DeleteWhere(holds);
        chromiumPages->Forget();
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
