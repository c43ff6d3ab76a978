// GNOME Web, luakit, Falkon and qutebrowser: browsers that keep their cookies
// in the table of Firefox's or of Chromium's that their web engine shares
// (WebKitGTK, Qt WebEngine) and their history in a SQLite file of their own.
// They differ only in what a row of the table below says, so another such
// browser is one more row.
#include <algorithm>
#include <filesystem>
#include <utility>

#include "browsers/CookieTables.h"
#include "browsers/SessionBus.h"
#include "store/Folders.h"

namespace browsers {
namespace {

// A folder under one of the user's folders, where a browser keeps either its
// one profile, "default", or a folder for each profile, named by it.
struct Place {
    std::string (*base)();  // asked at each search, as the environment may change
    const char* path;
    const char* labelPrefix;
    bool folderPerProfile = false;
};

// The table of its web engine's cookie store, as CookieTables.h reads it.
enum class CookieTable { Firefox, Chromium };

struct DesktopBrowser {
    const char* name;  // in messages: "GNOME Web (default) is running"
    std::vector<Place> places;
    CookieTable cookieTable;
    // In the profile's folder.
    const char* cookiesFile;
    const char* historyFile;
    PagesQuery pages;
    // What the browser's own clearing of the history empties.
    std::vector<const char*> historyTables;
    // What its own removal of a page deletes: `pagesFound` gives the pages
    // among ?1, a JSON array of addresses, that the history holds, and each
    // deletion runs with the same ?1.
    const char* pagesFound;
    std::vector<TableDeletion> pageDeletions;
    // The name it owns on the session bus while it runs; none for a browser
    // that keeps its cookie store locked instead.
    const char* busName = nullptr;
};

const DesktopBrowser kBrowsers[] = {
    // WebKitGTK's browsers take no lock on their stores.
    {.name = "GNOME Web",
     .places = {{store::DataHomeDirectory, "/epiphany", "epiphany"},
                {store::HomeDirectory, "/.var/app/org.gnome.Epiphany/data/epiphany",
                 "epiphany-flatpak"}},
     .cookieTable = CookieTable::Firefox,
     .cookiesFile = "cookies.sqlite",
     .historyFile = "ephy-history.db",
     .pages = {"SELECT url, title, last_visit_time FROM urls WHERE visit_count > 0 ORDER BY id",
               {Epoch::Unix, kPerMicrosecond}},
     // Every visit, page and site.
     .historyTables = {"visits", "urls", "hosts"},
     // Its history service deletes the page's visits and the page, then the
     // sites no page is left of.
     .pagesFound = "SELECT url FROM urls WHERE url IN (SELECT value FROM json_each(?1))",
     .pageDeletions = {{"visits",
                        "DELETE FROM visits WHERE url IN (SELECT id FROM urls WHERE url IN "
                        "(SELECT value FROM json_each(?1)))"},
                       {"urls", "DELETE FROM urls WHERE url IN (SELECT value FROM json_each(?1))"},
                       {"hosts",
                        "DELETE FROM hosts WHERE id NOT IN (SELECT host FROM urls WHERE host NOT "
                        "NULL)"}},
     .busName = "org.gnome.Epiphany"},
    {.name = "luakit",
     .places = {{store::DataHomeDirectory, "/luakit", "luakit"}},
     .cookieTable = CookieTable::Firefox,
     .cookiesFile = "cookies.db",
     .historyFile = "history.db",
     .pages = {"SELECT uri, title, last_visit FROM history WHERE visits > 0 ORDER BY id",
               {Epoch::Unix, kPerSecond}},
     .historyTables = {"history"},
     // A row for each page, and nothing beside it.
     .pagesFound = "SELECT uri FROM history WHERE uri IN (SELECT value FROM json_each(?1))",
     .pageDeletions = {{"history",
                        "DELETE FROM history WHERE uri IN (SELECT value FROM json_each(?1))"}},
     .busName = "org.luakit"},
    // Falkon's settings keep a running flag too, but it stays after a crash
    // and proves nothing. Its history has a row for each page.
    {.name = "Falkon",
     .places = {{store::ConfigDirectory, "/falkon/profiles", "falkon", true}},
     .cookieTable = CookieTable::Chromium,
     .cookiesFile = "Cookies",
     .historyFile = "browsedata.db",
     .pages = {"SELECT url, title, date FROM history WHERE count > 0 ORDER BY id",
               {Epoch::Unix, kPerMillisecond}},
     .historyTables = {"history"},
     // Its own removal deletes the page's row and the icon kept for it,
     // which it keys by the address without its fragment.
     .pagesFound = "SELECT url FROM history WHERE url IN (SELECT value FROM json_each(?1))",
     .pageDeletions = {{"history",
                        "DELETE FROM history WHERE url IN (SELECT value FROM json_each(?1))"},
                       {"icons",
                        "DELETE FROM icons WHERE url IN (SELECT CASE WHEN instr(value, '#') > 0 "
                        "THEN substr(value, 1, instr(value, '#') - 1) ELSE value END FROM "
                        "json_each(?1))"}}},
    {.name = "qutebrowser",
     .places = {{store::DataHomeDirectory, "/qutebrowser", "qutebrowser"}},
     .cookieTable = CookieTable::Chromium,
     .cookiesFile = "webengine/Cookies",
     .historyFile = "history.sqlite",
     // A row for each visit: a page is its latest, and a redirect is no page.
     .pages = {"SELECT url, title, max(atime) FROM History WHERE NOT redirect GROUP BY url "
               "ORDER BY min(rowid)",
               {Epoch::Unix, kPerSecond}},
     // The visits and what completion learnt from them.
     .historyTables = {"History", "CompletionHistory"},
     // Its own removal of a page deletes its visits and its completion row.
     .pagesFound =
         "SELECT DISTINCT url FROM History WHERE url IN (SELECT value FROM json_each(?1))",
     .pageDeletions = {{"History",
                        "DELETE FROM History WHERE url IN (SELECT value FROM json_each(?1))"},
                       {"CompletionHistory",
                        "DELETE FROM CompletionHistory WHERE url IN (SELECT value FROM "
                        "json_each(?1))"}}},
};

// A profile of a row's browser, over the reader of its cookie table.
template <typename CookieReader>
class DesktopProfile final : public CookieReader {
public:
    DesktopProfile(const DesktopBrowser& browser, std::string folder, std::string_view labelPrefix,
                   std::string_view name)
        : CookieReader(std::move(folder), browser.name, labelPrefix, name), browser_(browser) {}

private:
    std::optional<bool> Running(std::string& why) const override {
        if (browser_.busName)
            return SessionBusNameOwned(browser_.busName, why);
        const std::optional<bool> locked = store::Database::LockedAgainstReaders(CookiesFile());
        if (!locked)
            why = "its store \"" + CookiesFile() + "\" cannot be asked for its lock";
        return locked;
    }
    std::string CookiesFile() const override { return this->File(browser_.cookiesFile); }
    std::string HistoryFile() const override { return this->File(browser_.historyFile); }
    PagesQuery Pages() const override { return browser_.pages; }
    void Clear() const override { this->EmptyHistoryTables(browser_.historyTables); }
    std::vector<std::string> DeletePages(const std::string& urls) const override {
        return this->DeleteFromHistory(browser_.pagesFound, browser_.pageDeletions, urls);
    }

    const DesktopBrowser& browser_;
};

std::unique_ptr<Profile> MakeProfile(const DesktopBrowser& browser, std::string folder,
                                     std::string_view labelPrefix, std::string_view name) {
    if (browser.cookieTable == CookieTable::Firefox) {
        return std::make_unique<DesktopProfile<MozCookiesProfile>>(browser, std::move(folder),
                                                                   labelPrefix, name);
    }
    return std::make_unique<DesktopProfile<ChromiumCookiesProfile>>(browser, std::move(folder),
                                                                    labelPrefix, name);
}

// The folder and the name of each profile at `place`, `default` first.
std::vector<std::pair<std::string, std::string>> ProfilesAt(const Place& place) {
    const std::string root = place.base() + place.path;
    if (!place.folderPerProfile)
        return {{root, "default"}};
    std::vector<std::string> names;
    // Stepped with an error code: a folder that fails to read part-way ends
    // the listing where it failed instead of throwing past every caller.
    std::error_code error;
    for (std::filesystem::directory_iterator entry(root, error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code unknown;
        if (entry->is_directory(unknown))
            names.push_back(entry->path().filename().string());
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return std::pair(a != "default", a) < std::pair(b != "default", b);
    });
    std::vector<std::pair<std::string, std::string>> profiles;
    for (std::string& name : names)
        profiles.emplace_back(root + "/" + name, std::move(name));
    return profiles;
}

}  // namespace

void FindDesktopBrowserProfiles(Profiles& profiles, Failures&) {
    for (const DesktopBrowser& browser : kBrowsers) {
        for (const Place& place : browser.places) {
            for (auto& [folder, name] : ProfilesAt(place)) {
                AddFound(profiles,
                         MakeProfile(browser, std::move(folder), place.labelPrefix, name));
            }
        }
    }
}

}  // namespace browsers
