// The Chromium family: each browser's user data folder holds `Local State`,
// which names the profiles, and the `SingletonLock` of the running browser;
// each profile folder holds the `Cookies`, `History`, `Favicons` and
// `Top Sites` databases and the `Bookmarks` file.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>

#include "browsers/CookieTables.h"
#include "browsers/ProfileFiles.h"
#include "store/Folders.h"

namespace browsers {
namespace {

// Tables of `History` that hold what the browser's own clearing empties:
// the visits and what it derived from them. Names that a version lacks are
// not there to match.
constexpr const char* kHistoryTables =
    "SELECT name FROM sqlite_master WHERE type = 'table' AND (name IN ('visits', "
    "'visit_source', 'keyword_search_terms', 'segments', 'segment_usage', 'visited_links') "
    "OR name LIKE '%annotations' OR name LIKE 'cluster%')";

// As the browser's own removal of pages (ExpireHistoryBackend::DeleteURLs):
// each page's visits with what was kept of each visit, its most-visited
// segment, its search terms and its row go, bookmarked or not, since the
// bookmarks keep their titles in a file of their own. ?1 names the pages.
const std::vector<TableDeletion> kPageDeletions = {
    {"visit_source",
     "DELETE FROM visit_source WHERE id IN (SELECT v.id FROM visits v JOIN urls u ON u.id = v.url "
     "WHERE u.url IN (SELECT value FROM json_each(?1)))"},
    {"content_annotations",
     "DELETE FROM content_annotations WHERE visit_id IN (SELECT v.id FROM visits v JOIN urls u "
     "ON u.id = v.url WHERE u.url IN (SELECT value FROM json_each(?1)))",
     "visit_id"},
    {"context_annotations",
     "DELETE FROM context_annotations WHERE visit_id IN (SELECT v.id FROM visits v JOIN urls u "
     "ON u.id = v.url WHERE u.url IN (SELECT value FROM json_each(?1)))",
     "visit_id"},
    {"clusters_and_visits",
     "DELETE FROM clusters_and_visits WHERE visit_id IN (SELECT v.id FROM visits v JOIN urls u "
     "ON u.id = v.url WHERE u.url IN (SELECT value FROM json_each(?1)))",
     "visit_id"},
    {"visited_links",
     "DELETE FROM visited_links WHERE link_url_id IN (SELECT id FROM urls WHERE url IN "
     "(SELECT value FROM json_each(?1)))",
     "link_url_id"},
    {"visits",
     "DELETE FROM visits WHERE url IN (SELECT id FROM urls WHERE url IN "
     "(SELECT value FROM json_each(?1)))"},
    {"segment_usage",
     "DELETE FROM segment_usage WHERE segment_id IN (SELECT s.id FROM segments s JOIN urls u ON "
     "u.id = s.url_id WHERE u.url IN (SELECT value FROM json_each(?1)))"},
    {"segments",
     "DELETE FROM segments WHERE url_id IN (SELECT id FROM urls WHERE url IN "
     "(SELECT value FROM json_each(?1)))"},
    {"keyword_search_terms",
     "DELETE FROM keyword_search_terms WHERE url_id IN (SELECT id FROM urls WHERE url IN "
     "(SELECT value FROM json_each(?1)))"},
    {"urls", "DELETE FROM urls WHERE url IN (SELECT value FROM json_each(?1))"},
};

// The icons of the named pages (?1) that no bookmark (?2) keeps, as the
// browser keeps a bookmarked page's icon to show it: their mappings, and the
// icons that no other page is mapped to.
const char* const kIconDeletions[] = {
    "DELETE FROM favicon_bitmaps WHERE icon_id IN (SELECT icon_id FROM icon_mapping WHERE "
    "page_url IN (SELECT value FROM json_each(?1)) AND page_url NOT IN (SELECT value FROM "
    "json_each(?2))) AND icon_id NOT IN (SELECT icon_id FROM icon_mapping WHERE icon_id NOT NULL "
    "AND (page_url NOT IN (SELECT value FROM json_each(?1)) OR page_url IN (SELECT value FROM "
    "json_each(?2))))",
    "DELETE FROM favicons WHERE id IN (SELECT icon_id FROM icon_mapping WHERE page_url IN "
    "(SELECT value FROM json_each(?1)) AND page_url NOT IN (SELECT value FROM json_each(?2))) AND "
    "id NOT IN (SELECT icon_id FROM icon_mapping WHERE icon_id NOT NULL AND (page_url NOT IN "
    "(SELECT value FROM json_each(?1)) OR page_url IN (SELECT value FROM json_each(?2))))",
    ("DELETE FROM icon_mapping WHERE page_url IN (SELECT value FROM json_each(?1)) AND page_url "
     "NOT IN (SELECT value FROM json_each(?2))"),
};

std::string Quoted(const std::string& name) {
    std::string quoted = "\"";
    for (const char c : name)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + '"';
}

// Deletes the rows of `table` whose page is not among the `kept` ones, a JSON
// array: no table may be made in the browser's file to hold them.
void DeletePagesNotKept(store::Database& db, const std::string& table, const char* urlColumn,
                        const std::string& kept) {
    store::Statement(db, "DELETE FROM " + table + " WHERE " + urlColumn +
                             " NOT IN (SELECT value FROM json_each(?1))")
        .Bind(1, kept)
        .Run();
}

// The address of every bookmark under `node`.
void CollectUrls(const QJsonValue& node, QJsonArray& urls) {
    if (node.isArray()) {
        for (const QJsonValue& child : node.toArray())
            CollectUrls(child, urls);
    } else if (node.isObject()) {
        const QJsonObject object = node.toObject();
        if (object.value("type") == QLatin1String("url"))
            urls.append(object.value("url"));
        for (const QJsonValue& child : object)
            CollectUrls(child, urls);
    }
}

// A JSON file of the browser's as an object; nullopt when it is not there.
std::optional<QJsonObject> ReadJson(const std::string& path, std::string_view who) {
    const std::optional<std::string> text = ReadSettingsFile(path, who);
    if (!text)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(*text));
    if (!document.isObject()) {
        throw store::StoreError{ERROR_FILE_CORRUPT,
                                std::string(who) + ": \"" + path + "\" is not valid JSON"};
    }
    return document.object();
}

class ChromiumProfile final : public ChromiumCookiesProfile {
public:
    ChromiumProfile(std::string userDataDir, const std::string& folder, std::string_view browser,
                    std::string_view labelPrefix)
        : ChromiumCookiesProfile(userDataDir + "/" + folder, browser, labelPrefix, folder),
          userDataDir_(std::move(userDataDir)) {}

private:
    // The lock names "HOST-PID". A lock from another host may be a browser
    // running there on a shared home, so it counts as running, as the
    // browser itself takes it; on this host a lock whose process is gone is
    // a crash's leftover.
    std::optional<bool> Running(std::string& why) const override {
        const std::string lock = userDataDir_ + "/SingletonLock";
        std::error_code error;
        const std::string owner = std::filesystem::read_symlink(lock, error).string();
        if (error == std::errc::no_such_file_or_directory)
            return false;
        if (error) {
            why = "its lock \"" + lock + "\" cannot be read (" + error.message() + ")";
            return std::nullopt;
        }
        const std::size_t dash = owner.rfind('-');
        char host[256] = {};
        gethostname(host, sizeof host - 1);
        if (dash == std::string::npos || owner.compare(0, dash, host) != 0)
            return true;
        const long pid = std::strtol(owner.c_str() + dash + 1, nullptr, 10);
        return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
    }

    // Versions that keep the network's files apart put the cookies in
    // Network/.
    std::string CookiesFile() const override {
        std::error_code ignored;
        const std::string network = File("Network/Cookies");
        return std::filesystem::exists(network, ignored) ? network : File("Cookies");
    }
    std::string HistoryFile() const override { return File("History"); }
    std::vector<std::string> Stores() const override {
        return {CookiesFile(), HistoryFile(), File("Favicons"), File("Top Sites")};
    }

    PagesQuery Pages() const override {
        return {"SELECT url, title, last_visit_time FROM urls WHERE visit_count > 0 ORDER BY id",
                {Epoch::Year1601, kPerMicrosecond}};
    }

    void Clear() const override {
        const std::string kept = BookmarkedUrls();
        {
            const auto db = OpenForChange(HistoryFile());
            store::Transaction transaction(*db);
            std::vector<std::string> tables;
            for (store::Statement table(*db, kHistoryTables); table.Step();)
                tables.emplace_back(table.Bytes(0));
            for (const std::string& table : tables)
                db->Exec("DELETE FROM " + Quoted(table), "cleared");
            DeletePagesNotKept(*db, "urls", "url", kept);
            db->Exec("UPDATE urls SET visit_count = 0, typed_count = 0, last_visit_time = 0",
                     "cleared");
            CheckClosed();
            transaction.Commit();
        }
        ClearFavicons(kept);
        if (IsRegularFile(File("Top Sites"))) {
            const auto db = OpenForChange(File("Top Sites"));
            store::Transaction transaction(*db);
            if (HasTable(*db, "top_sites"))
                db->Exec("DELETE FROM top_sites", "cleared");
            CheckClosed();
            transaction.Commit();
        }
    }

    std::vector<std::string> DeletePages(const std::string& urls) const override {
        const std::string kept = BookmarkedUrls();
        std::vector<std::string> found =
            DeleteFromHistory("SELECT url FROM urls WHERE url IN (SELECT value FROM json_each(?1))",
                              kPageDeletions, urls);
        if (IsRegularFile(File("Favicons"))) {
            const auto db = OpenForChange(File("Favicons"));
            store::Transaction transaction(*db);
            if (HasTable(*db, "icon_mapping") && HasTable(*db, "favicons") &&
                HasTable(*db, "favicon_bitmaps")) {
                for (const char* sql : kIconDeletions)
                    store::Statement(*db, sql, true).Bind(1, urls).Bind(2, kept).Run();
            }
            CheckClosed();
            transaction.Commit();
        }
        if (IsRegularFile(File("Top Sites"))) {
            const auto db = OpenForChange(File("Top Sites"));
            store::Transaction transaction(*db);
            if (HasTable(*db, "top_sites")) {
                store::Statement(*db,
                                 "DELETE FROM top_sites WHERE url IN (SELECT value FROM "
                                 "json_each(?1))",
                                 true)
                    .Bind(1, urls)
                    .Run();
            }
            CheckClosed();
            transaction.Commit();
        }
        return found;
    }

    // A Bookmarks file that is there but cannot be read stops the clearing:
    // the pages of its bookmarks would go with their titles and icons.
    std::string BookmarkedUrls() const {
        QJsonArray urls;
        if (const auto bookmarks = ReadJson(File("Bookmarks"), Who()))
            CollectUrls(bookmarks->value("roots"), urls);
        return QJsonDocument(urls).toJson(QJsonDocument::Compact).toStdString();
    }

    void ClearFavicons(const std::string& kept) const {
        if (!IsRegularFile(File("Favicons")))
            return;
        const auto db = OpenForChange(File("Favicons"));
        store::Transaction transaction(*db);
        DeletePagesNotKept(*db, "icon_mapping", "page_url", kept);
        // A mapping without an icon must not make NOT IN unknown for every row.
        constexpr const char* kMapped =
            "(SELECT icon_id FROM icon_mapping WHERE icon_id IS NOT NULL)";
        db->Exec(std::string("DELETE FROM favicon_bitmaps WHERE icon_id NOT IN ") + kMapped,
                 "cleared");
        db->Exec(std::string("DELETE FROM favicons WHERE id NOT IN ") + kMapped, "cleared");
        CheckClosed();
        transaction.Commit();
    }

    const std::string userDataDir_;
};

struct Place {
    std::string userDataDir;
    const char* browser;
    const char* labelPrefix;
};

// Each channel of a browser, and its snap and Flatpak builds, keep folders of
// their own; their labels differ so that no two profiles share an address.
std::vector<Place> Places() {
    const std::string config = store::ConfigDirectory() + "/";
    const std::string flatpak = store::HomeDirectory() + "/.var/app/";
    return {
        {config + "chromium", "Chromium", "chromium"},
        {config + "google-chrome", "Google Chrome", "google-chrome"},
        {config + "google-chrome-beta", "Google Chrome Beta", "google-chrome-beta"},
        {config + "google-chrome-unstable", "Google Chrome Dev", "google-chrome-unstable"},
        {config + "BraveSoftware/Brave-Browser", "Brave", "brave"},
        {config + "BraveSoftware/Brave-Browser-Beta", "Brave Beta", "brave-beta"},
        {config + "BraveSoftware/Brave-Browser-Nightly", "Brave Nightly", "brave-nightly"},
        {config + "vivaldi", "Vivaldi", "vivaldi"},
        {config + "vivaldi-snapshot", "Vivaldi Snapshot", "vivaldi-snapshot"},
        {config + "microsoft-edge", "Microsoft Edge", "microsoft-edge"},
        {config + "microsoft-edge-beta", "Microsoft Edge Beta", "microsoft-edge-beta"},
        {config + "microsoft-edge-dev", "Microsoft Edge Dev", "microsoft-edge-dev"},
        {config + "opera", "Opera", "opera"},
        {config + "opera-beta", "Opera Beta", "opera-beta"},
        {config + "opera-developer", "Opera Developer", "opera-developer"},
        {store::HomeDirectory() + "/snap/chromium/common/chromium", "Chromium", "chromium-snap"},
        {flatpak + "org.chromium.Chromium/config/chromium", "Chromium", "chromium-flatpak"},
        {flatpak + "com.google.Chrome/config/google-chrome", "Google Chrome",
         "google-chrome-flatpak"},
        {flatpak + "com.brave.Browser/config/BraveSoftware/Brave-Browser", "Brave",
         "brave-flatpak"},
        {flatpak + "com.microsoft.Edge/config/microsoft-edge", "Microsoft Edge",
         "microsoft-edge-flatpak"},
    };
}

// The folders `Local State` names as profiles ("Default", "Profile 1"); a
// name that would lead out of the user data folder is no profile.
std::vector<std::string> ProfileFolders(const Place& place) {
    const std::optional<QJsonObject> state =
        ReadJson(place.userDataDir + "/Local State", place.browser);
    std::vector<std::string> folders;
    if (!state)
        return folders;
    const QJsonObject cache = state->value("profile").toObject().value("info_cache").toObject();
    for (const QString& name : cache.keys()) {
        const std::string folder = name.toStdString();
        if (!folder.empty() && folder != "." && folder != ".." &&
            folder.find('/') == std::string::npos)
            folders.push_back(folder);
    }
    return folders;
}

}  // namespace

void FindChromiumProfiles(Profiles& profiles, Failures& failures) {
    for (const Place& place : Places()) {
        try {
            for (const std::string& folder : ProfileFolders(place)) {
                AddFound(profiles,
                         std::make_unique<ChromiumProfile>(place.userDataDir, folder, place.browser,
                                                           place.labelPrefix));
            }
        } catch (const store::StoreError& error) {
            failures.push_back(error);
        }
    }
}

}  // namespace browsers
