#include "browsers/FirefoxProfile.h"

#include <QByteArray>
#include <QFile>

#include <fcntl.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <tuple>

#include "browsers/BrowserFile.h"
#include "store/Database.h"

namespace browsers {
namespace {

// Firefox counts from 1970; FILETIME ticks are 100 ns since 1601. A count
// too large for FILETIME saturates rather than wrap to an early date.
std::uint64_t FileTimeFromUnix(std::int64_t count, std::uint64_t ticksPerUnit) {
    constexpr std::uint64_t kUnixEpoch = 116444736000000000;
    if (count <= 0)
        return 0;
    const std::uint64_t limit =
        (std::numeric_limits<std::uint64_t>::max() - kUnixEpoch) / ticksPerUnit;
    return kUnixEpoch + std::min(static_cast<std::uint64_t>(count), limit) * ticksPerUnit;
}
constexpr std::uint64_t kPerMicrosecond = 10;
constexpr std::uint64_t kPerMillisecond = 10'000;
constexpr std::uint64_t kPerSecond = 10'000'000;

// Cookies of one host and path but other origin attributes (a partition, a
// container) are apart in the browser, so they are groups of their own.
constexpr const char* kGroupsSql =
    "SELECT host, path, originAttributes, max(%MODIFIED%), max(expiry) FROM moz_cookies "
    "GROUP BY host, path, originAttributes ORDER BY min(id)";

// Setting a cookie again keeps its creation time; where the schema has an
// update time, that is when it was last set or changed.
std::string GroupsSql(BrowserFile& file) {
    std::string sql = kGroupsSql;
    const std::string modified = file.HasColumn("moz_cookies", "updateTime")
                                     ? "coalesce(nullif(updateTime, 0), creationTime)"
                                     : "creationTime";
    return sql.replace(sql.find("%MODIFIED%"), 10, modified);
}

// "Cookie:LABEL@HOST PATH", and the origin attributes as the browser writes
// them, decoded, for a group in a partition or a container
// (" (partitionKey=(http,a.example))").
std::string Address(const std::string& label, const Query& group) {
    std::string address = "Cookie:" + label + "@" + group.Text(0) + " " + group.Text(1);
    if (std::string attributes = group.Text(2); !attributes.empty()) {
        if (attributes.front() == '^')
            attributes.erase(0, 1);
        address +=
            " (" +
            QByteArray::fromPercentEncoding(QByteArray::fromStdString(attributes)).toStdString() +
            ")";
    }
    return address;
}

bool HasFaviconTables(BrowserFile& file) {
    Query table(file,
                "SELECT 1 FROM favicons.sqlite_master WHERE type = 'table' AND name IN "
                "('moz_icons', 'moz_pages_w_icons', 'moz_icons_to_pages')",
                "read");
    int found = 0;
    while (table.Step())
        ++found;
    return found == 3;
}

// Firefox's own clearing deletes these whole; its triggers that would do
// the rest live only in its own connection, so each table is done here.
constexpr const char* kVisitTables[] = {"moz_historyvisits", "moz_historyvisits_extra",
                                        "moz_places_metadata", "moz_places_metadata_search_queries",
                                        "moz_inputhistory"};
constexpr const char* kPageTables[] = {"moz_places_extra", "moz_annos"};

// The icons of pages no longer in the history, unless a page still there
// shows them too, then the pages' links and the pages.
constexpr const char* kGonePages =
    "SELECT id FROM favicons.moz_pages_w_icons WHERE page_url NOT IN "
    "(SELECT url FROM main.moz_places WHERE url NOT NULL)";
constexpr const char* kFaviconSql[] = {
    "DELETE FROM favicons.moz_icons WHERE id IN (SELECT icon_id FROM favicons.moz_icons_to_pages "
    "WHERE page_id IN (%GONE%)) AND id NOT IN (SELECT icon_id FROM favicons.moz_icons_to_pages "
    "WHERE page_id NOT IN (%GONE%))",
    "DELETE FROM favicons.moz_icons_to_pages WHERE page_id IN (%GONE%)",
    "DELETE FROM favicons.moz_pages_w_icons WHERE id IN (%GONE%)"};

void ClearFavicons(BrowserFile& file) {
    for (std::string sql : kFaviconSql) {
        for (std::size_t at; (at = sql.find("%GONE%")) != std::string::npos;)
            sql.replace(at, 6, kGonePages);
        file.Exec(sql, "cleared");
    }
}

}  // namespace

FirefoxProfile::FirefoxProfile(std::string folder, const std::string& name)
    : folder_(std::move(folder)), who_("Firefox (" + name + ")"), label_([&] {
          std::string label = "firefox." + name;
          std::replace(label.begin(), label.end(), '@', '_');
          return label;
      }()) {}

// Firefox holds a POSIX write lock on `.parentlock` while it has the profile
// open; the `lock` symlink beside it stays after a clean exit and proves
// nothing.
bool FirefoxProfile::BrowserRunning() const {
    QFile lock(QString::fromStdString(File(".parentlock")));
    if (!lock.open(QIODevice::ReadOnly))
        return false;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    return fcntl(lock.handle(), F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
}

void FirefoxProfile::CheckClosed() const {
    if (BrowserRunning())
        throw store::StoreError{ERROR_LOCK_VIOLATION, who_ + " is running: close it first"};
}

std::vector<CookieGroup> FirefoxProfile::Cookies() {
    const std::string path = File("cookies.sqlite");
    if (!FileExists(path))
        return {};
    return ReadBrowserStore(BrowserRunning(), path, who_, [this](BrowserFile& file) {
        Query version(file, "PRAGMA user_version", "read");
        version.Step();
        const std::uint64_t expiryUnit = version.Int(0) >= 17 ? kPerMillisecond : kPerSecond;
        std::vector<CookieGroup> groups;
        Query group(file, GroupsSql(file), "read");
        while (group.Step()) {
            groups.push_back({Address(label_, group),
                              FileTimeFromUnix(group.Int(3), kPerMicrosecond),
                              FileTimeFromUnix(group.Int(4), expiryUnit)});
        }
        return groups;
    });
}

std::vector<VisitedPage> FirefoxProfile::History() {
    const std::string path = File("places.sqlite");
    if (!FileExists(path))
        return {};
    return ReadBrowserStore(BrowserRunning(), path, who_, [](BrowserFile& file) {
        std::vector<VisitedPage> pages;
        Query page(file,
                   "SELECT url, title, last_visit_date FROM moz_places WHERE visit_count > 0 "
                   "ORDER BY id",
                   "read");
        while (page.Step()) {
            pages.push_back({page.Text(0), page.OptionalText(1),
                             FileTimeFromUnix(page.Int(2), kPerMicrosecond)});
        }
        return pages;
    });
}

bool FirefoxProfile::DeleteCookies(std::string_view address) {
    const std::string prefix = "Cookie:" + label_ + "@";
    const std::string path = File("cookies.sqlite");
    if (address.substr(0, prefix.size()) != prefix || !FileExists(path))
        return false;
    CheckClosed();
    BrowserFile file(path, who_);
    const std::string groups = GroupsSql(file);
    WriteTransaction transaction(file);
    std::optional<std::tuple<std::string, std::string, std::string>> key;
    for (Query group(file, groups, "read"); !key && group.Step();) {
        if (Address(label_, group) == address)
            key.emplace(group.Text(0), group.Text(1), group.Text(2));
    }
    if (!key)
        return false;
    const auto& [host, cookiePath, attributes] = *key;
    Query(file, "DELETE FROM moz_cookies WHERE host = ?1 AND path = ?2 AND originAttributes = ?3",
          "changed")
        .Bind(1, host)
        .Bind(2, cookiePath)
        .Bind(3, attributes)
        .Run();
    transaction.Commit();
    return true;
}

// As Firefox's own clearing: the visits and what was learnt from them go,
// and the pages with them, but bookmarked pages (and those with keywords)
// stay, unvisited.
void FirefoxProfile::ClearHistory() {
    const std::string path = File("places.sqlite");
    if (!FileExists(path))
        return;
    CheckClosed();
    BrowserFile file(path, who_);
    const std::string favicons = File("favicons.sqlite");
    // Attached only when there: attaching would make the file otherwise.
    const bool icons = FileExists(favicons);
    if (icons)
        Query(file, "ATTACH DATABASE ?1 AS favicons", "opened").Bind(1, favicons).Run();
    WriteTransaction transaction(file);
    for (const char* table : kVisitTables) {
        if (file.HasTable(table))
            file.Exec(std::string("DELETE FROM ") + table, "cleared");
    }
    for (const char* table : kPageTables) {
        if (file.HasTable(table)) {
            file.Exec(std::string("DELETE FROM ") + table +
                          " WHERE place_id IN (SELECT id FROM moz_places WHERE foreign_count = 0)",
                      "cleared");
        }
    }
    file.Exec("DELETE FROM moz_places WHERE foreign_count = 0", "cleared");
    file.Exec(std::string("UPDATE moz_places SET visit_count = 0, last_visit_date = NULL") +
                  (file.HasColumn("moz_places", "recalc_frecency") ? ", recalc_frecency = 1" : ""),
              "cleared");
    if (file.HasTable("moz_origins")) {
        file.Exec(
            "DELETE FROM moz_origins WHERE id NOT IN "
            "(SELECT origin_id FROM moz_places WHERE origin_id NOT NULL)",
            "cleared");
    }
    if (icons && HasFaviconTables(file))
        ClearFavicons(file);
    transaction.Commit();
}

}  // namespace browsers
