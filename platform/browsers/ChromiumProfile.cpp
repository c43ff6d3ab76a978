#include "browsers/ChromiumProfile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <optional>
#include <tuple>

#include "browsers/BrowserFile.h"
#include "store/Database.h"

namespace browsers {
namespace {

// Tables of `History` that hold what the browser's own clearing empties:
// the visits and what it derived from them. Names that a version lacks are
// not there to match.
constexpr const char* kHistoryTables =
    "SELECT name FROM sqlite_master WHERE type = 'table' AND (name IN ('visits', "
    "'visit_source', 'keyword_search_terms', 'segments', 'segment_usage', 'visited_links') "
    "OR name LIKE '%annotations' OR name LIKE 'cluster%')";

std::string Quoted(const std::string& name) {
    std::string quoted = "\"";
    for (const char c : name)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + '"';
}

// The columns of `cookies` vary with the version: partitions came in later
// (top_frame_site_key, then has_cross_site_ancestor), and last_update_utc
// later still. A cookie of no partition has its cross-site bit ignored, so
// that its group has one address.
struct CookieColumns {
    std::string partition = "''";
    std::string crossSite = "0";
    std::string modified = "creation_utc";

    explicit CookieColumns(BrowserFile& file) {
        if (file.HasColumn("cookies", "top_frame_site_key"))
            partition = "top_frame_site_key";
        if (file.HasColumn("cookies", "has_cross_site_ancestor"))
            crossSite = "CASE WHEN " + partition + " = '' THEN 0 ELSE has_cross_site_ancestor END";
        if (file.HasColumn("cookies", "last_update_utc"))
            modified = "max(last_update_utc, creation_utc)";
    }

    // host, path, partition, cross-site bit, latest change, latest expiry.
    std::string Groups() const {
        return "SELECT host_key, path, " + partition + ", " + crossSite + ", max(" + modified +
               "), max(expires_utc) FROM cookies GROUP BY 1, 2, 3, 4";
    }
    std::string DeleteGroup() const {
        return "DELETE FROM cookies WHERE host_key = ?1 AND path = ?2 AND " + partition +
               " = ?3 AND " + crossSite + " = ?4";
    }
};

std::string Address(const std::string& label, const Query& group) {
    std::string address = "Cookie:" + label + "@" + group.Text(0) + " " + group.Text(1);
    if (const std::string partition = group.Text(2); !partition.empty()) {
        address += " (partition " + partition + (group.Int(3) ? ", cross-site)" : ")");
    }
    return address;
}

// Deletes the rows of `table` whose page `urlColumn` is not in `kept`. The
// pages are compared here, as no table may be made in the browser's file to
// hold them.
void DeletePagesNotKept(BrowserFile& file, const std::string& table, const std::string& urlColumn,
                        const std::set<std::string>& kept) {
    std::vector<std::int64_t> gone;
    for (Query row(file, "SELECT id, " + urlColumn + " FROM " + table, "read"); row.Step();) {
        if (!kept.count(row.Text(1)))
            gone.push_back(row.Int(0));
    }
    Query remove(file, "DELETE FROM " + table + " WHERE id = ?", "cleared");
    for (const std::int64_t id : gone)
        remove.Bind(1, id).Run();
}

void CollectUrls(const QJsonValue& node, std::set<std::string>& urls) {
    if (node.isArray()) {
        for (const QJsonValue& child : node.toArray())
            CollectUrls(child, urls);
    } else if (node.isObject()) {
        const QJsonObject object = node.toObject();
        if (object.value("type") == QLatin1String("url"))
            urls.insert(object.value("url").toString().toStdString());
        for (const QJsonValue& child : object)
            CollectUrls(child, urls);
    }
}

}  // namespace

ChromiumProfile::ChromiumProfile(std::string userDataDir, std::string folder,
                                 std::string browserName, std::string labelPrefix)
    : userDataDir_(std::move(userDataDir)),
      folder_(std::move(folder)),
      who_(browserName + " (" + folder_ + ")"),
      label_([&] {
          std::string label = labelPrefix + "." + folder_;
          std::replace(label.begin(), label.end(), '@', '_');
          return label;
      }()) {}

std::string ChromiumProfile::File(const char* name) const {
    return userDataDir_ + "/" + folder_ + "/" + name;
}

// Versions that keep the network's files apart put the cookies in Network/.
std::string ChromiumProfile::CookiesFile() const {
    const std::string network = File("Network/Cookies");
    return FileExists(network) ? network : File("Cookies");
}

// The lock names "HOST-PID". A lock from another host may be a browser
// running there on a shared home, so it counts as running, as the browser
// itself takes it; on this host a lock whose process is gone is a crash's
// leftover.
bool ChromiumProfile::BrowserRunning() const {
    std::error_code error;
    const std::filesystem::path target =
        std::filesystem::read_symlink(userDataDir_ + "/SingletonLock", error);
    if (error)
        return false;
    const std::string owner = target.string();
    const std::size_t dash = owner.rfind('-');
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    if (dash == std::string::npos || owner.compare(0, dash, host) != 0)
        return true;
    const long pid = std::strtol(owner.c_str() + dash + 1, nullptr, 10);
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

void ChromiumProfile::CheckClosed() const {
    if (BrowserRunning())
        throw store::StoreError{ERROR_LOCK_VIOLATION, who_ + " is running: close it first"};
}

std::vector<CookieGroup> ChromiumProfile::Cookies() {
    const std::string path = CookiesFile();
    if (!FileExists(path))
        return {};
    return ReadBrowserStore(BrowserRunning(), path, who_, [this](BrowserFile& file) {
        std::vector<CookieGroup> groups;
        Query group(file, CookieColumns(file).Groups(), "read");
        while (group.Step()) {
            groups.push_back({Address(label_, group), FileTimeFrom1601Micros(group.Int(4)),
                              FileTimeFrom1601Micros(group.Int(5))});
        }
        return groups;
    });
}

std::vector<VisitedPage> ChromiumProfile::History() {
    const std::string path = File("History");
    if (!FileExists(path))
        return {};
    return ReadBrowserStore(BrowserRunning(), path, who_, [](BrowserFile& file) {
        std::vector<VisitedPage> pages;
        Query page(file, "SELECT url, title, last_visit_time FROM urls WHERE visit_count > 0",
                   "read");
        while (page.Step())
            pages.push_back(
                {page.Text(0), page.OptionalText(1), FileTimeFrom1601Micros(page.Int(2))});
        return pages;
    });
}

bool ChromiumProfile::DeleteCookies(std::string_view address) {
    const std::string prefix = "Cookie:" + label_ + "@";
    const std::string path = CookiesFile();
    if (address.substr(0, prefix.size()) != prefix || !FileExists(path))
        return false;
    CheckClosed();
    BrowserFile file(path, who_);
    const CookieColumns columns(file);
    WriteTransaction transaction(file);
    std::optional<std::tuple<std::string, std::string, std::string, std::int64_t>> key;
    for (Query group(file, columns.Groups(), "read"); !key && group.Step();) {
        if (Address(label_, group) == address)
            key.emplace(group.Text(0), group.Text(1), group.Text(2), group.Int(3));
    }
    if (!key)
        return false;
    const auto& [host, cookiePath, partition, crossSite] = *key;
    Query(file, columns.DeleteGroup(), "changed")
        .Bind(1, host)
        .Bind(2, cookiePath)
        .Bind(3, partition)
        .Bind(4, crossSite)
        .Run();
    transaction.Commit();
    return true;
}

// A Bookmarks file that is there but cannot be read stops the clearing:
// the pages of its bookmarks would go with their titles and icons.
std::set<std::string> ChromiumProfile::BookmarkedUrls() const {
    std::set<std::string> urls;
    QFile bookmarks(QString::fromStdString(File("Bookmarks")));
    if (!bookmarks.exists())
        return urls;
    QJsonParseError error{};
    const QJsonDocument document = bookmarks.open(QIODevice::ReadOnly)
                                       ? QJsonDocument::fromJson(bookmarks.readAll(), &error)
                                       : QJsonDocument();
    if (!document.isObject()) {
        throw store::StoreError{ERROR_READ_FAULT, who_ + ": the bookmarks \"" +
                                                      bookmarks.fileName().toStdString() +
                                                      "\" cannot be read, so the history is kept"};
    }
    CollectUrls(document.object().value("roots"), urls);
    return urls;
}

void ChromiumProfile::ClearHistory() {
    const std::string path = File("History");
    if (!FileExists(path))
        return;
    CheckClosed();
    const std::set<std::string> kept = BookmarkedUrls();
    {
        BrowserFile file(path, who_);
        WriteTransaction transaction(file);
        std::vector<std::string> tables;
        for (Query table(file, kHistoryTables, "read"); table.Step();)
            tables.push_back(table.Text(0));
        for (const std::string& table : tables)
            file.Exec("DELETE FROM " + Quoted(table), "cleared");
        DeletePagesNotKept(file, "urls", "url", kept);
        file.Exec("UPDATE urls SET visit_count = 0, typed_count = 0, last_visit_time = 0",
                  "cleared");
        transaction.Commit();
    }
    ClearFavicons(kept);
    ClearTopSites();
}

void ChromiumProfile::ClearFavicons(const std::set<std::string>& kept) {
    const std::string path = File("Favicons");
    if (!FileExists(path))
        return;
    BrowserFile file(path, who_);
    WriteTransaction transaction(file);
    DeletePagesNotKept(file, "icon_mapping", "page_url", kept);
    // A mapping without an icon must not make NOT IN unknown for every row.
    constexpr const char* kMapped = "(SELECT icon_id FROM icon_mapping WHERE icon_id IS NOT NULL)";
    file.Exec(std::string("DELETE FROM favicon_bitmaps WHERE icon_id NOT IN ") + kMapped,
              "cleared");
    file.Exec(std::string("DELETE FROM favicons WHERE id NOT IN ") + kMapped, "cleared");
    transaction.Commit();
}

void ChromiumProfile::ClearTopSites() {
    const std::string path = File("Top Sites");
    if (!FileExists(path))
        return;
    BrowserFile file(path, who_);
    if (file.HasTable("top_sites"))
        file.Exec("DELETE FROM top_sites", "cleared");
}

}  // namespace browsers
