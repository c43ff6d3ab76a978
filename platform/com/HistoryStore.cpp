#include "HistoryStore.h"

#include <chrono>

namespace com {
namespace {

// AUTOINCREMENT so that an id is never given again: enumerators keep their
// place by id, and a reused id would slip a new entry in behind them.
constexpr std::string_view kSchema = R"(
CREATE TABLE IF NOT EXISTS history (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    url TEXT NOT NULL UNIQUE,
    title TEXT,
    last_visited INTEGER NOT NULL,
    last_updated INTEGER NOT NULL,
    expires INTEGER NOT NULL,
    flags INTEGER NOT NULL DEFAULT 0
);
)";

// Leaves a statement reset however the reading ends, so that it holds no
// read transaction meanwhile.
class ResetOnExit {
public:
    explicit ResetOnExit(store::Statement& statement) : statement_(statement) {}
    ~ResetOnExit() { statement_.Reset(); }
    ResetOnExit(const ResetOnExit&) = delete;
    ResetOnExit& operator=(const ResetOnExit&) = delete;

private:
    store::Statement& statement_;
};

// How long a new entry is marked to be kept; nothing purges it.
constexpr std::uint64_t kKeepFor = 20ull * 24 * 3600 * 10'000'000;

// FILETIME quads are unsigned; SQLite keeps their bits in a signed integer.
std::int64_t ToColumn(std::uint64_t quad) {
    return static_cast<std::int64_t>(quad);
}
std::uint64_t FromColumn(std::int64_t value) {
    return static_cast<std::uint64_t>(value);
}

HistoryRow ReadRow(const store::Statement& statement) {
    HistoryRow row;
    row.id = statement.Int(0);
    row.url = std::string(statement.Bytes(1));
    if (!statement.IsNull(2))
        row.title = std::string(statement.Bytes(2));
    row.lastVisited = FromColumn(statement.Int(3));
    row.lastUpdated = FromColumn(statement.Int(4));
    row.expires = FromColumn(statement.Int(5));
    row.flags = static_cast<DWORD>(statement.Int(6));
    return row;
}

void BindTitle(store::Statement& statement, int index, const std::optional<std::string>& title) {
    if (title) {
        statement.Bind(index, std::string_view(*title));
    } else {
        statement.BindNull(index);
    }
}

std::unique_ptr<store::Database> OpenDatabase() {
    return store::Database::Open("URL history", "history.sqlite", kSchema);
}

}  // namespace

HistoryStore::HistoryStore(std::unique_ptr<store::Database> db) : path_(db->Path()) {
    Connect(std::move(db));
}

void HistoryStore::Connect(std::unique_ptr<store::Database> db) {
    db_ = std::move(db);
    watch_ = std::make_unique<store::ChangeWatch>(db_->Path());
    ++connections_;
}

std::shared_ptr<HistoryStore> HistoryStore::Open() {
    return std::make_shared<HistoryStore>(OpenDatabase());
}

store::Database& HistoryStore::Current(bool forChange) {
    if (!db_ || !db_->StillAtPath()) {
        if (db_)
            ++files_;
        // Closed before the other is opened: two connections to different
        // files at one path would share its journal files.
        watch_.reset();
        db_.reset();
        Connect(OpenDatabase());
    } else if (forChange && db_->ReadOnly()) {
        // The same file: the reader stays until a writer replaces it.
        Connect(OpenDatabase());
    }
    return *db_;
}

std::uint64_t HistoryStore::Follow() {
    Current();
    return files_;
}

std::uint64_t NowAsFileTime() {
    // 100-nanosecond ticks from 1 January 1601 to 1 January 1970.
    constexpr std::uint64_t kUnixEpoch = 116'444'736'000'000'000ull;
    const auto sinceUnix = std::chrono::system_clock::now().time_since_epoch();
    return kUnixEpoch +
           std::chrono::duration_cast<std::chrono::nanoseconds>(sinceUnix).count() / 100;
}

void HistoryStore::Visit(std::string_view url, const std::optional<std::string>& title,
                         std::uint64_t now) {
    store::Database& db = Current(true);
    store::Transaction transaction(db);
    auto& statement = db.Prepare(
        "INSERT INTO history (url, title, last_visited, last_updated, expires)"
        " VALUES (?1, ?2, ?3, ?3, ?4)"
        " ON CONFLICT (url) DO UPDATE SET title = coalesce(excluded.title, title),"
        " last_visited = excluded.last_visited");
    statement.Bind(1, url).Bind(3, ToColumn(now)).Bind(4, ToColumn(now + kKeepFor));
    BindTitle(statement, 2, title);
    statement.Run();
    transaction.Commit();
}

void HistoryStore::Put(const std::vector<HistoryRow>& rows) {
    store::Database& db = Current(true);
    store::Transaction transaction(db);
    for (const HistoryRow& row : rows) {
        auto& statement = db.Prepare(
            "INSERT INTO history (url, title, last_visited, last_updated, expires, flags)"
            " VALUES (?1, ?2, ?3, ?4, ?5, ?6)"
            " ON CONFLICT (url) DO UPDATE SET title = excluded.title,"
            " last_visited = excluded.last_visited, last_updated = excluded.last_updated,"
            " expires = excluded.expires, flags = excluded.flags");
        statement.Bind(1, std::string_view(row.url))
            .Bind(3, ToColumn(row.lastVisited))
            .Bind(4, ToColumn(row.lastUpdated))
            .Bind(5, ToColumn(row.expires))
            .Bind(6, std::int64_t{row.flags});
        BindTitle(statement, 2, row.title);
        statement.Run();
    }
    transaction.Commit();
}

bool HistoryStore::Remove(std::string_view url) {
    store::Database& db = Current(true);
    store::Transaction transaction(db);
    db.Prepare("DELETE FROM history WHERE url = ?1").Bind(1, url).Run();
    const bool removed = sqlite3_changes(db.Handle()) > 0;
    transaction.Commit();
    return removed;
}

std::optional<HistoryRow> HistoryStore::Find(std::string_view url) {
    auto& statement = Current().Prepare(
        "SELECT id, url, title, last_visited, last_updated, expires, flags"
        " FROM history WHERE url = ?1");
    ResetOnExit reset(statement);
    statement.Bind(1, url);
    if (!statement.Step())
        return std::nullopt;
    return ReadRow(statement);
}

void HistoryStore::Clear() {
    store::Database& db = Current(true);
    store::Transaction transaction(db);
    db.Prepare("DELETE FROM history").Run();
    transaction.Commit();
}

std::vector<HistoryRow> HistoryStore::Fetch(std::int64_t afterId, const HistoryFilter& filter,
                                            int limit) {
    // substr and length both count characters of the UTF-8 text, so this is
    // a prefix test that cannot end inside a character.
    auto& statement = Current().Prepare(
        "SELECT id, url, title, last_visited, last_updated, expires, flags"
        " FROM history WHERE id > ?1 AND substr(url, 1, length(?2)) = ?2"
        " AND (flags & ?3) = ?3 ORDER BY id LIMIT ?4");
    ResetOnExit reset(statement);
    statement.Bind(1, afterId)
        .Bind(2, std::string_view(filter.prefix))
        .Bind(3, std::int64_t{filter.requiredFlags})
        .Bind(4, std::int64_t{limit});
    std::vector<HistoryRow> rows;
    while (statement.Step())
        rows.push_back(ReadRow(statement));
    return rows;
}

ChangeStamp HistoryStore::Stamp() const {
    // The WAL index moves with every commit, through this object or any other
    // connection; asking SQLite instead would cost a read transaction for
    // every entry listed.
    ChangeStamp stamp;
    stamp.connection = connections_;
    if (db_ && watch_->Watching())
        stamp.mark = watch_->Now();
    return stamp;
}

}  // namespace com
