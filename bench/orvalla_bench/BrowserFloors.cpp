#include "BrowserFloors.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <unordered_map>

#include "FloorTexts.h"
#include "FuncUnit.h"
#include "Measure.h"
#include "PlainSql.h"

namespace {

constexpr std::uint64_t kUnixEpoch = 116'444'736'000'000'000;  // FILETIME ticks
constexpr std::uint64_t kPerMicrosecond = 10;
constexpr std::uint64_t kPerMillisecond = 10'000;

// Firefox counts from 1970, Chromium from 1601 as FILETIME does; zero or
// less is no time.
std::uint64_t FromUnix(std::int64_t count, std::uint64_t ticksPerUnit) {
    return count > 0 ? kUnixEpoch + static_cast<std::uint64_t>(count) * ticksPerUnit : 0;
}
std::uint64_t From1601(std::int64_t micros) {
    return micros > 0 ? static_cast<std::uint64_t>(micros) * kPerMicrosecond : 0;
}

// A cookie group by the browser's key (Firefox has no cross-site bit), with
// its latest change and expiry, and the address its row carries.
struct Group {
    std::string host;
    std::string path;
    std::string partition;
    std::int64_t crossSite = 0;
    std::uint64_t modified = 0;
    std::uint64_t expires = 0;
    std::string address;
};

// The groups exactly as the window lists them: setting a cookie again
// keeps its creation time, so the latest change is the update time where
// there is one; a cookie of no partition has its cross-site bit ignored.
constexpr const char* kFirefoxGroups =
    "SELECT host, path, originAttributes, max(coalesce(nullif(updateTime, 0), creationTime)), "
    "max(expiry) FROM moz_cookies GROUP BY host, path, originAttributes";
constexpr const char* kChromiumGroups =
    "SELECT host_key, path, top_frame_site_key, CASE WHEN top_frame_site_key = '' THEN 0 ELSE "
    "has_cross_site_ancestor END, max(max(last_update_utc, creation_utc)), max(expires_utc) "
    "FROM cookies GROUP BY 1, 2, 3, 4";

// Origin attributes as Firefox writes them ("^partitionKey=%28http%2Ca.example%29"),
// decoded, as the address shows them.
void AppendAttributes(std::string& address, const std::string& attributes) {
    address += " (";
    for (std::size_t i = attributes.front() == '^' ? 1 : 0; i < attributes.size(); ++i) {
        if (attributes[i] == '%' && i + 2 < attributes.size()) {
            address += static_cast<char>(std::stoi(attributes.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            address += attributes[i];
        }
    }
    address += ')';
}

// Reads every group of one cookie file into the same place, in turn, and
// hands each over.
template <typename Each>
void ReadGroups(PlainDatabase& db, sqlite3_stmt* groups, Browser browser, const std::string& label,
                Each each) {
    const bool firefox = browser == Browser::Firefox;
    const int times = firefox ? 3 : 4;
    Group group;
    while (db.Step(groups)) {
        AssignColumn(groups, 0, group.host);
        AssignColumn(groups, 1, group.path);
        AssignColumn(groups, 2, group.partition);
        group.crossSite = firefox ? 0 : sqlite3_column_int64(groups, 3);
        const std::int64_t modified = sqlite3_column_int64(groups, times);
        const std::int64_t expires = sqlite3_column_int64(groups, times + 1);
        group.modified = firefox ? FromUnix(modified, kPerMicrosecond) : From1601(modified);
        group.expires = firefox ? FromUnix(expires, kPerMillisecond) : From1601(expires);
        group.address.assign("Cookie:").append(label).append("@").append(group.host);
        group.address.append(" ").append(group.path);
        if (!group.partition.empty() && firefox) {
            AppendAttributes(group.address, group.partition);
        } else if (!group.partition.empty()) {
            group.address.append(" (partition ").append(group.partition);
            group.address.append(group.crossSite ? ", cross-site)" : ")");
        }
        each(group);
    }
    sqlite3_reset(groups);
}

// The browsers keep no hit count: every row shows 0.
RowTexts GroupTexts(const Group& group, const QString& hits) {
    return {CaptionText(group.address), hits, DateText(group.modified, FallbackDateText),
            DateText(group.expires, FallbackDateText),
            QString::fromUtf8(group.address.data(), static_cast<qsizetype>(group.address.size()))};
}

// Both cookie files, open, with their GROUP BY ready.
class CookieFiles {
public:
    explicit CookieFiles(const BrowserProfiles& profiles)
        : profiles_(profiles),
          firefox_(profiles.firefoxCookies),
          chromium_(profiles.chromiumCookies),
          firefoxGroups_(firefox_.Prepare(kFirefoxGroups)),
          chromiumGroups_(chromium_.Prepare(kChromiumGroups)) {}

    PlainDatabase& File(Browser browser) {
        return browser == Browser::Firefox ? firefox_ : chromium_;
    }

    template <typename Each>
    void Read(Browser browser, Each each) {
        const bool firefox = browser == Browser::Firefox;
        ReadGroups(File(browser), firefox ? firefoxGroups_ : chromiumGroups_, browser,
                   firefox ? profiles_.firefoxLabel : profiles_.chromiumLabel, each);
    }

    // Every group of both, as the window's rows.
    std::vector<RowTexts> Rows() {
        const QString hits = QStringLiteral("0");
        std::vector<RowTexts> made;
        const auto add = [&](const Group& group) { made.push_back(GroupTexts(group, hits)); };
        Read(Browser::Firefox, add);
        Read(Browser::Chromium, add);
        return made;
    }

private:
    const BrowserProfiles& profiles_;
    PlainDatabase firefox_;
    PlainDatabase chromium_;
    sqlite3_stmt* firefoxGroups_;
    sqlite3_stmt* chromiumGroups_;
};

// The window's order is its own: the rows are compared as sets.
void RequireSameRows(const std::string& floor, std::vector<RowTexts> made,
                     std::vector<RowTexts> shown) {
    std::sort(made.begin(), made.end());
    std::sort(shown.begin(), shown.end());
    RequireSameTexts(floor, made, shown);
}

// Every group of both files read with its texts and the bare list filled
// with them, up to an idle event queue: the time on `watch` then. Checked
// against the window's rows after that.
double ListGroups(CookieFiles& files, QTreeWidget& list, const Stopwatch& watch,
                  const std::string& floor, const std::vector<RowTexts>& rows) {
    const std::vector<RowTexts> made = files.Rows();
    FillBareList(list, made);
    SettleEvents();
    const double elapsed = watch.ElapsedMs();
    RequireSameRows(floor, made, rows);
    return elapsed;
}

// Firefox has no index that a group's key leads (its one index leads with
// the cookie's name), so one scan against the keys held in a temporary
// table is the least any deletion by key does; Chromium's unique index leads
// with host and partition, so each key finds its rows through it.
class GroupDeletion {
public:
    GroupDeletion(PlainDatabase& db, Browser browser)
        : db_(db), firefox_(browser == Browser::Firefox) {
        if (firefox_) {
            db.Exec("CREATE TEMP TABLE gone (host TEXT, path TEXT, attributes TEXT)");
            key_ = db.Prepare("INSERT INTO temp.gone VALUES (?1, ?2, ?3)");
            scan_ = db.Prepare(
                "DELETE FROM moz_cookies WHERE (host, path, originAttributes) IN "
                "(SELECT host, path, attributes FROM temp.gone)");
        } else {
            key_ = db.Prepare(
                "DELETE FROM cookies WHERE host_key = ?1 AND path = ?2 AND "
                "top_frame_site_key = ?3 AND (?3 = '' OR has_cross_site_ancestor = ?4)");
        }
    }

    void Run(const std::vector<Group>& groups) {
        db_.Exec("BEGIN IMMEDIATE");
        for (const Group& group : groups) {
            sqlite3_bind_text(key_, 1, group.host.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(key_, 2, group.path.c_str(), -1, SQLITE_STATIC);
            sqlite3_bind_text(key_, 3, group.partition.c_str(), -1, SQLITE_STATIC);
            if (!firefox_)
                sqlite3_bind_int64(key_, 4, group.crossSite);
            db_.Run(key_);
        }
        if (firefox_)
            db_.Run(scan_);
        db_.Exec("COMMIT");
    }

private:
    PlainDatabase& db_;
    bool firefox_;
    sqlite3_stmt* key_ = nullptr;
    sqlite3_stmt* scan_ = nullptr;
};

}  // namespace

double BrowserWalkFloor(const BrowserProfiles& profiles, const std::vector<RowTexts>& rows,
                        QSize listSize) {
    CookieFiles files(profiles);
    const auto list = MakeBareList(listSize);

    const Stopwatch watch;
    return ListGroups(files, *list, watch, "browser-walk", rows);
}

double BrowserDeleteFloor(const BrowserProfiles& profiles, Browser browser,
                          const std::vector<std::string>& addresses,
                          const std::vector<RowTexts>& rows, QSize listSize) {
    CookieFiles files(profiles);
    std::unordered_map<std::string, Group> byAddress;
    files.Read(browser, [&](const Group& group) { byAddress.emplace(group.address, group); });
    std::vector<Group> keys;
    for (const std::string& address : addresses) {
        const auto found = byAddress.find(address);
        if (found == byAddress.end())
            throw std::runtime_error("delete floor: no group has the address " + address);
        keys.push_back(found->second);
    }
    GroupDeletion deletion(files.File(browser), browser);
    const auto list = MakeBareList(listSize);

    const Stopwatch watch;
    deletion.Run(keys);
    return ListGroups(files, *list, watch, "browser-delete", rows);
}

double BrowserHistoryFloor(const BrowserProfiles& profiles, const std::vector<RowTexts>& rows,
                           QSize gridSize) {
    PlainDatabase firefox(profiles.firefoxPlaces);
    PlainDatabase chromium(profiles.chromiumHistory);
    const std::pair<PlainDatabase*, sqlite3_stmt*> files[] = {
        {&firefox, firefox.Prepare("SELECT url, title, last_visit_date FROM moz_places "
                                   "WHERE visit_count > 0 AND substr(url, 1, 7) = 'http://'")},
        {&chromium, chromium.Prepare("SELECT url, title, last_visit_time FROM urls "
                                     "WHERE visit_count > 0 AND substr(url, 1, 7) = 'http://'")}};
    // The browsers keep no expiry: every row shows the text of time zero.
    const QString noExpiry = DateText(0, kHistoryOutside);
    BareGrid grid(gridSize);

    const Stopwatch watch;
    std::vector<RowTexts> made;
    std::string url;
    std::string title;
    for (const auto& [db, pages] : files) {
        const bool fromUnix = db == &firefox;
        while (db->Step(pages)) {
            AssignColumn(pages, 0, url);
            AssignColumn(pages, 1, title);
            const std::int64_t visited = sqlite3_column_int64(pages, 2);
            // The last update is the last visit.
            const QString date = DateText(
                fromUnix ? FromUnix(visited, kPerMicrosecond) : From1601(visited), kHistoryOutside);
            made.push_back({date,
                            QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())),
                            QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size())), date,
                            noExpiry});
        }
    }
    grid.model.Fill(made);
    SettleEvents();
    const double elapsed = watch.ElapsedMs();
    RequireSameRows("browser-history", made, rows);
    return elapsed;
}
