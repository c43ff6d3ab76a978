// Firefox and the browsers built from it: the profiles each install's
// profiles.ini lists, each a folder with `cookies.sqlite`, `places.sqlite`
// (the history and the bookmarks) and `favicons.sqlite`.
#include <QByteArray>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "browsers/CookieTables.h"
#include "browsers/ProfileFiles.h"
#include "store/Folders.h"

namespace browsers {
namespace {

// Firefox's own clearing deletes these whole; its triggers that would do the
// rest live only in its own connection, so each table is done here.
constexpr const char* kVisitTables[] = {"moz_historyvisits", "moz_historyvisits_extra",
                                        "moz_places_metadata", "moz_places_metadata_search_queries",
                                        "moz_inputhistory"};
constexpr const char* kPageTables[] = {"moz_places_extra", "moz_annos"};
constexpr const char* kIconTables[] = {"moz_icons", "moz_pages_w_icons", "moz_icons_to_pages"};

// The icons of pages no longer in the history (%GONE%), unless a page still
// there shows them too; then the pages' links and the pages.
constexpr const char* kGonePages =
    "SELECT id FROM favicons.moz_pages_w_icons WHERE page_url NOT IN "
    "(SELECT url FROM main.moz_places WHERE url NOT NULL)";
constexpr const char* kPageIconSql[] = {
    "DELETE FROM favicons.moz_icons WHERE id IN (SELECT icon_id FROM favicons.moz_icons_to_pages "
    "WHERE page_id IN (%GONE%)) AND id NOT IN (SELECT icon_id FROM favicons.moz_icons_to_pages "
    "WHERE page_id NOT IN (%GONE%))",
    "DELETE FROM favicons.moz_icons_to_pages WHERE page_id IN (%GONE%)",
    "DELETE FROM favicons.moz_pages_w_icons WHERE id IN (%GONE%)"};
// As Firefox does after: icons no page uses, and the sites' root icons whose
// origin is gone.
constexpr const char* kUnusedIconsSql =
    "DELETE FROM favicons.moz_icons WHERE root = 0 AND id NOT IN "
    "(SELECT icon_id FROM favicons.moz_icons_to_pages WHERE icon_id NOT NULL)";
constexpr const char* kGoneRootIconsSql =
    "DELETE FROM favicons.moz_icons WHERE root = 1 AND NOT EXISTS (SELECT 1 FROM main.moz_origins "
    "o WHERE substr(icon_url, 1, length(o.prefix) + length(o.host) + 1) = o.prefix || o.host || "
    "'/')";

// The pages named by ?1, a JSON array of addresses.
constexpr const char* kNamed =
    "(SELECT id FROM main.moz_places WHERE url IN (SELECT value FROM json_each(?1)))";
// As Firefox's own removal of pages from the history (History.remove): their
// visits and what was learnt from them go, then the pages themselves unless
// bookmarked (kept with their titles, unvisited); then the origins no page
// is left of, and the icons only the pages gone showed.
constexpr TableDeletion kPageVisitSql[] = {
    {"moz_historyvisits", "DELETE FROM moz_historyvisits WHERE place_id IN %NAMED%"},
    {"moz_inputhistory", "DELETE FROM moz_inputhistory WHERE place_id IN %NAMED%"},
    {"moz_places_metadata", "DELETE FROM moz_places_metadata WHERE place_id IN %NAMED%"}};
constexpr const char* kPageOwnTables[] = {"moz_annos", "moz_places_extra"};
// The icons of the pages named that are gone now.
constexpr const char* kNamedGone =
    "SELECT id FROM favicons.moz_pages_w_icons WHERE page_url IN (SELECT value FROM "
    "json_each(?1)) AND page_url NOT IN (SELECT url FROM main.moz_places WHERE url NOT NULL)";

std::string Replaced(std::string text, std::string_view marker, std::string_view by) {
    for (std::size_t at; (at = text.find(marker)) != std::string::npos;)
        text.replace(at, marker.size(), by);
    return text;
}

class FirefoxProfile final : public MozCookiesProfile {
public:
    FirefoxProfile(std::string folder, std::string_view browser, std::string_view labelPrefix,
                   std::string_view name)
        : MozCookiesProfile(std::move(folder), browser, labelPrefix, name) {}

private:
    // Firefox holds a POSIX write lock on `.parentlock` while it has the
    // profile open; the `lock` link beside it stays after a clean exit and
    // proves nothing.
    std::optional<bool> Running(std::string& why) const override {
        const std::optional<bool> locked = HoldsWriteLock(File(".parentlock"));
        if (!locked)
            why = "its lock \"" + File(".parentlock") + "\" cannot be asked";
        return locked;
    }
    std::string CookiesFile() const override { return File("cookies.sqlite"); }
    std::string HistoryFile() const override { return File("places.sqlite"); }
    std::vector<std::string> Stores() const override {
        return {CookiesFile(), HistoryFile(), File("favicons.sqlite")};
    }

    PagesQuery Pages() const override {
        return {
            "SELECT url, title, last_visit_date FROM moz_places WHERE visit_count > 0 "
            "ORDER BY id",
            {Epoch::Unix, kPerMicrosecond}};
    }

    std::vector<std::string> DeletePages(const std::string& urls) const override {
        const auto db = OpenForChange(HistoryFile());
        const bool icons = AttachFavicons(*db);
        store::Transaction transaction(*db);
        const std::vector<std::string> found =
            Column(*db,
                   "SELECT url FROM moz_places WHERE url IN (SELECT value FROM json_each(?1)) AND "
                   "(visit_count > 0 OR id IN (SELECT place_id FROM moz_historyvisits))",
                   urls);
        const auto run = [&](const std::string& sql) {
            store::Statement(*db, Replaced(sql, "%NAMED%", kNamed), true).Bind(1, urls).Run();
        };
        if (HasTable(*db, "moz_historyvisits_extra") &&
            HasColumn(*db, "moz_historyvisits_extra", "visit_id")) {
            run("DELETE FROM moz_historyvisits_extra WHERE visit_id IN (SELECT id FROM "
                "moz_historyvisits WHERE place_id IN %NAMED%)");
        }
        for (const TableDeletion& deletion : kPageVisitSql) {
            if (HasTable(*db, deletion.table))
                run(deletion.sql);
        }
        for (const char* table : kPageOwnTables) {
            if (HasTable(*db, table)) {
                run(std::string("DELETE FROM ") + table +
                    " WHERE place_id IN (SELECT id FROM moz_places WHERE id IN %NAMED% AND "
                    "foreign_count = 0)");
            }
        }
        run("DELETE FROM moz_places WHERE id IN %NAMED% AND foreign_count = 0");
        run(std::string("UPDATE moz_places SET visit_count = 0, last_visit_date = NULL") +
            (HasColumn(*db, "moz_places", "recalc_frecency") ? ", recalc_frecency = 1" : "") +
            " WHERE id IN %NAMED%");
        if (HasTable(*db, "moz_origins")) {
            db->Exec(
                "DELETE FROM moz_origins WHERE id NOT IN "
                "(SELECT origin_id FROM moz_places WHERE origin_id NOT NULL)",
                "changed");
            // Only the icons of the pages named: another page's unused icon
            // is not this removal's to take.
            if (icons && HasIconTables(*db)) {
                for (const char* sql : kPageIconSql)
                    run(Replaced(sql, "%GONE%", kNamedGone));
                db->Exec(kGoneRootIconsSql, "changed");
            }
        }
        CheckClosed();
        transaction.Commit();
        return found;
    }

    // Attaches the icon store as "favicons" when it is there: attaching
    // would make the file otherwise.
    bool AttachFavicons(store::Database& db) const {
        const std::string favicons = File("favicons.sqlite");
        if (!IsRegularFile(favicons))
            return false;
        OpenForChange(favicons);  // refuses an icon store outside the profile
        db.Prepare("ATTACH DATABASE ?1 AS favicons").Bind(1, favicons).Run();
        return true;
    }

    static bool HasIconTables(store::Database& db) {
        return std::all_of(std::begin(kIconTables), std::end(kIconTables),
                           [&](const char* table) { return HasTable(db, table, "favicons"); });
    }

    // As Firefox's own clearing: the visits and what was learnt from them go,
    // and the pages with them, but bookmarked pages (and those with keywords)
    // stay, unvisited.
    void Clear() const override {
        const auto db = OpenForChange(HistoryFile());
        const bool icons = AttachFavicons(*db);
        store::Transaction transaction(*db);
        for (const char* table : kVisitTables) {
            if (HasTable(*db, table))
                db->Exec(std::string("DELETE FROM ") + table, "cleared");
        }
        for (const char* table : kPageTables) {
            if (HasTable(*db, table)) {
                db->Exec(
                    std::string("DELETE FROM ") + table +
                        " WHERE place_id IN (SELECT id FROM moz_places WHERE foreign_count = 0)",
                    "cleared");
            }
        }
        db->Exec("DELETE FROM moz_places WHERE foreign_count = 0", "cleared");
        db->Exec(
            std::string("UPDATE moz_places SET visit_count = 0, last_visit_date = NULL") +
                (HasColumn(*db, "moz_places", "recalc_frecency") ? ", recalc_frecency = 1" : ""),
            "cleared");
        const bool origins = HasTable(*db, "moz_origins");
        if (origins) {
            db->Exec(
                "DELETE FROM moz_origins WHERE id NOT IN "
                "(SELECT origin_id FROM moz_places WHERE origin_id NOT NULL)",
                "cleared");
        }
        if (icons && origins && HasIconTables(*db)) {
            for (const char* sql : kPageIconSql)
                db->Exec(Replaced(sql, "%GONE%", kGonePages), "cleared");
            for (const char* sql : {kUnusedIconsSql, kGoneRootIconsSql})
                db->Exec(sql, "cleared");
        }
        CheckClosed();
        transaction.Commit();
    }
};

// Firefox and the browsers built from it, with the folders where their
// installs keep profiles.ini: for Firefox the folder an existing install
// keeps using, the one a fresh install makes, then the snap's and the
// Flatpak's; for the others their own folder and their Flatpak's.
struct Install {
    const char* browser;
    const char* labelPrefix;
    std::vector<std::string> roots;
};

std::vector<Install> Installs() {
    const std::string home = store::HomeDirectory() + "/";
    return {{"Firefox",
             "firefox",
             {home + ".mozilla/firefox", store::ConfigDirectory() + "/mozilla/firefox",
              home + "snap/firefox/common/.mozilla/firefox",
              home + ".var/app/org.mozilla.firefox/.mozilla/firefox"}},
            {"LibreWolf",
             "librewolf",
             {home + ".librewolf", home + ".var/app/io.gitlab.librewolf-community/.librewolf"}},
            {"Waterfox", "waterfox", {home + ".waterfox"}},
            {"Floorp", "floorp", {home + ".floorp", home + ".var/app/one.ablaze.floorp/.floorp"}},
            {"Zen", "zen", {home + ".zen", home + ".var/app/app.zen_browser.zen/.zen"}}};
}

using IniSection = std::map<std::string, std::string>;

// The [Profile...] sections of a profiles.ini, in file order. Read by hand:
// QSettings would take a path with a comma in it for a list.
std::vector<IniSection> ProfileSections(const std::string& ini) {
    std::vector<IniSection> sections;
    std::istringstream lines(ini);
    bool inProfile = false;
    for (std::string line; std::getline(lines, line);) {
        line = QByteArray::fromStdString(line).trimmed().toStdString();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            inProfile = line.compare(1, 7, "Profile") == 0;
            if (inProfile)
                sections.emplace_back();
        } else if (const std::size_t equals = line.find('=');
                   inProfile && equals != std::string::npos) {
            sections.back()[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return sections;
}

}  // namespace

// Every profile with cookies or history, once, however many lists name its
// folder. Two profiles of one name in different installs of a browser get
// labels apart.
void FindFirefoxProfiles(Profiles& profiles, Failures& failures) {
    std::set<std::filesystem::path> folders;
    for (const Install& install : Installs()) {
        std::set<std::string> names;
        for (const std::string& root : install.roots) {
            std::optional<std::string> ini;
            try {
                ini = ReadSettingsFile(root + "/profiles.ini", install.browser);
            } catch (const store::StoreError& error) {
                failures.push_back(error);
            }
            for (IniSection& section : ProfileSections(ini.value_or(""))) {
                const std::string& path = section["Path"];
                std::error_code error;
                const std::filesystem::path folder = std::filesystem::weakly_canonical(
                    section["IsRelative"] == "1" ? root + "/" + path : path, error);
                if (path.empty() || error || !folders.insert(folder).second)
                    continue;
                std::string name = section["Name"];
                if (name.empty())
                    name = folder.filename().string();
                const std::string base = name;
                for (int n = 2; names.count(name); ++n)
                    name = base + "-" + std::to_string(n);
                auto profile = std::make_unique<FirefoxProfile>(folder.string(), install.browser,
                                                                install.labelPrefix, name);
                if (profile->HasStores())
                    names.insert(name);
                AddFound(profiles, std::move(profile));
            }
        }
    }
}

}  // namespace browsers
