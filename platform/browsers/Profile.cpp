#include "browsers/Profile.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <limits>

#include "browsers/ProfileFiles.h"

namespace browsers {
namespace {

// Whether a journal or a log is at `path` with something in it: one left
// empty (as Chromium leaves its journals) has nothing to recover.
bool Holding(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && (!S_ISREG(st.st_mode) || st.st_size > 0);
}

std::uint64_t Saturated(std::uint64_t epoch, std::int64_t count, std::uint64_t ticksPerUnit) {
    if (count <= 0)
        return 0;
    const std::uint64_t limit = (std::numeric_limits<std::uint64_t>::max() - epoch) / ticksPerUnit;
    return epoch + std::min(static_cast<std::uint64_t>(count), limit) * ticksPerUnit;
}

}  // namespace

std::uint64_t FileTimeFrom1601(std::int64_t count, std::uint64_t ticksPerUnit) {
    return Saturated(0, count, ticksPerUnit);
}

std::uint64_t FileTimeFromUnix(std::int64_t count, std::uint64_t ticksPerUnit) {
    return Saturated(116444736000000000, count, ticksPerUnit);
}

std::uint64_t TimeScale::FileTime(std::int64_t count) const {
    return epoch == Epoch::Unix ? FileTimeFromUnix(count, ticksPerUnit)
                                : FileTimeFrom1601(count, ticksPerUnit);
}

bool HasTable(store::Database& db, std::string_view table, std::string_view schema) {
    store::Statement found(db, "SELECT 1 FROM " + std::string(schema) +
                                   ".sqlite_master WHERE type = 'table' AND name = ?");
    return found.Bind(1, table).Step();
}

bool HasColumn(store::Database& db, std::string_view table, std::string_view column) {
    store::Statement found(db, "SELECT 1 FROM pragma_table_info(?) WHERE name = ?");
    return found.Bind(1, table).Bind(2, column).Step();
}

std::vector<std::string> Column(store::Database& db, const std::string& sql,
                                const std::string& urls) {
    std::vector<std::string> values;
    store::Statement rows(db, sql);
    for (rows.Bind(1, urls); rows.Step();)
        values.emplace_back(rows.Bytes(0));
    return values;
}

std::string JsonArray(const std::vector<std::string>& texts) {
    std::string json = "[";
    for (const std::string& text : texts) {
        json += json.size() > 1 ? ",\"" : "\"";
        for (const char c : text) {
            if (c == '"' || c == '\\') {
                json += '\\';
                json += c;
            } else if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                json += escape;
            } else {
                json += c;
            }
        }
        json += '"';
    }
    return json + "]";
}

Profile::Profile(std::string folder, std::string_view browser, std::string_view labelPrefix,
                 std::string_view name)
    : folder_(std::move(folder)),
      browser_(browser),
      name_(name),
      who_(browser_ + " (" + name_ + ")"),
      label_([&] {
          std::string label = std::string(labelPrefix) + "." + std::string(name);
          std::replace(label.begin(), label.end(), '@', '_');
          return label;
      }()) {}

void Profile::TellApart() {
    const auto crc =
        crc32(0, reinterpret_cast<const Bytef*>(folder_.data()), static_cast<uInt>(folder_.size()));
    char suffix[10];
    std::snprintf(suffix, sizeof suffix, "-%08lx", static_cast<unsigned long>(crc));
    label_ += suffix;
}

bool StoreProfile::HasStores() const {
    return Present(CookiesFile()) || Present(HistoryFile());
}

void AddFound(Profiles& profiles, std::unique_ptr<Profile> profile) {
    if (profile->HasStores() || Present(profile->Folder()))
        profiles.push_back(std::move(profile));
}

ProfileState Profile::State() const {
    ProfileState state{browser_, folder_, {}, std::nullopt, {}};
    for (std::string& file : StoreFiles()) {
        if (Present(file))
            state.stores.push_back(std::move(file));
    }
    state.running = RunningNow(state.why);
    return state;
}

std::optional<bool> StoreProfile::RunningNow(std::string& why) const {
    const std::optional<bool> ownSign = Running(why);
    if (ownSign.value_or(false))
        return true;
    if (OpenInAnotherProcess(Stores()).value_or(false)) {
        why = "a process holds one of its stores open";
        return true;
    }
    return ownSign;
}

store::StoreError Profile::Error(DWORD code, const std::string& what) const {
    return {code, who_ + ": " + what};
}

std::string Profile::Address(std::string_view host, std::string_view path,
                             std::string_view partition) const {
    std::string address = "Cookie:" + label_ + "@";
    address.append(host).append(" ").append(path);
    if (!partition.empty())
        address.append(" (").append(partition).append(")");
    return address;
}

void StoreProfile::CheckClosed() const {
    std::string why;
    const std::optional<bool> running = RunningNow(why);
    if (running.value_or(false))
        throw store::StoreError{ERROR_LOCK_VIOLATION, Who() + " is running: close it first"};
    if (!running) {
        throw store::StoreError{ERROR_LOCK_VIOLATION,
                                "cannot tell whether " + Who() + " is running: " + why};
    }
}

// The browser's files are read where they are only while it is closed and
// nothing waits beside them to be recovered (a journal or a log, which a
// reader would have to write to); then they are read unlocked, so that not
// even SQLite's index file is made. Otherwise a private copy is read.
template <typename Read>
void StoreProfile::ReadStore(const std::string& path, Read read) const {
    if (!Present(path))
        return;
    if (!IsRegularFile(path))
        throw Error(ERROR_FILE_INVALID,
                    "\"" + path + "\" is not a regular file, so it is not read");
    std::string unused;
    if (!Running(unused).value_or(true) && !Holding(path + "-wal") && !Holding(path + "-journal")) {
        read(*store::Database::OpenAsItIs(path, Who(), true));
        return;
    }
    PrivateCopy copy(path, Who());
    const auto db = store::Database::OpenAsItIs(copy.Path(), Who(), false, path);
    // The first read recovers the copy; from then on the open files serve,
    // and a run killed while reading leaves nothing behind.
    db->Exec("SELECT count(*) FROM sqlite_master", "read");
    copy.Unlink();
    read(*db);
}

std::vector<CookieGroup> StoreProfile::Cookies() const {
    std::vector<CookieGroup> groups;
    ReadStore(CookiesFile(), [&](store::Database& db) { ReadGroups(db, groups); });
    return groups;
}

VisitedPages StoreProfile::History() const {
    VisitedPages pages;
    ReadStore(HistoryFile(), [&](store::Database& db) {
        const PagesQuery query = Pages();
        for (store::Statement page(db, query.sql); page.Step();) {
            pages.emplace_back(page.Bytes(0),
                               page.IsNull(1) ? std::nullopt : std::optional(page.Bytes(1)),
                               query.lastVisit.FileTime(page.Int(2)));
        }
    });
    return pages;
}

std::unique_ptr<store::Database> StoreProfile::OpenForChange(const std::string& path) const {
    if (!IsRegularFile(path))
        throw Error(ERROR_FILE_INVALID,
                    "\"" + path + "\" is not a regular file, so it is not changed");
    if (!LiesInside(path, Folder())) {
        throw Error(ERROR_ACCESS_DENIED, "the store \"" + path +
                                             "\" lies outside the profile's folder, so it is not "
                                             "changed");
    }
    return store::Database::OpenAsItIs(path, Who(), false);
}

void StoreProfile::DeleteCookies(const std::vector<GroupKey>& groups) const {
    CheckClosed();
    const auto db = OpenForChange(CookiesFile());
    // Kept in memory until the commit, so that the store is locked against
    // readers only then: a browser is asked whether it runs by reading.
    db->Exec("PRAGMA cache_spill = OFF");
    store::Transaction transaction(*db);
    std::string keys = "[";
    for (const GroupKey& key : groups)
        keys.append(keys.size() > 1 ? "," : "").append(key);
    store::Statement(*db, "DELETE " + CookiesOfGroupsSql(*db)).Bind(1, keys + "]").Run();
    // A browser started meanwhile keeps what it holds: nothing is committed
    // under it.
    CheckClosed();
    transaction.Commit();
}

CookieNames StoreProfile::NamesIn(const CookieGroup& group, std::size_t limit) const {
    CookieNames names;
    ReadStore(CookiesFile(), [&](store::Database& db) {
        store::Statement name(db, "SELECT name, count(*) OVER () " + CookiesOfGroupsSql(db) +
                                      " ORDER BY name LIMIT ?2");
        name.Bind(1, std::string("[").append(group.Key()).append("]"))
            .Bind(2, static_cast<std::int64_t>(limit));
        while (name.Step()) {
            names.count = static_cast<std::size_t>(name.Int(1));
            names.first.emplace_back(name.Bytes(0));
        }
    });
    return names;
}

void StoreProfile::EmptyHistoryTables(const std::vector<const char*>& tables) const {
    const auto db = OpenForChange(HistoryFile());
    store::Transaction transaction(*db);
    for (const char* table : tables) {
        if (HasTable(*db, table))
            db->Exec(std::string("DELETE FROM ") + table, "cleared");
    }
    CheckClosed();
    transaction.Commit();
}

std::vector<std::string> StoreProfile::DeleteFromHistory(
    const char* found, const std::vector<TableDeletion>& deletions, const std::string& urls) const {
    const auto db = OpenForChange(HistoryFile());
    store::Transaction transaction(*db);
    std::vector<std::string> held = Column(*db, found, urls);
    for (const TableDeletion& deletion : deletions) {
        if (deletion.column ? HasColumn(*db, deletion.table, deletion.column)
                            : HasTable(*db, deletion.table)) {
            store::Statement statement(*db, deletion.sql, true);
            // A deletion of what the others left over names no page.
            if (sqlite3_bind_parameter_count(statement.Handle()) > 0)
                statement.Bind(1, urls);
            statement.Run();
        }
    }
    CheckClosed();
    transaction.Commit();
    return held;
}

std::vector<std::string> StoreProfile::DeleteHistory(const std::vector<std::string>& urls) const {
    if (!Present(HistoryFile()) || urls.empty())
        return {};
    CheckClosed();
    return DeletePages(JsonArray(urls));
}

void StoreProfile::ClearHistory() const {
    if (!Present(HistoryFile()))
        return;
    CheckClosed();
    Clear();
}

}  // namespace browsers
