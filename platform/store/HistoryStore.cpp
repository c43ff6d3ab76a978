#include "store/HistoryStore.h"

namespace store {
namespace {

// AUTOINCREMENT so that an id is never given again: listings keep their
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

// The prefix is tested on the address's bytes as each row comes, so that an
// address another program stored as a blob passes as its text does; SQLite
// would call three functions per row for the same test.
constexpr std::string_view kListing =
    "SELECT id, url, title, last_visited, last_updated, expires, flags FROM history"
    " WHERE id > ?1 ORDER BY id";

// FILETIME quads are unsigned; SQLite keeps their bits in a signed integer.
std::int64_t ToColumn(std::uint64_t quad) {
    return static_cast<std::int64_t>(quad);
}
std::uint64_t FromColumn(std::int64_t value) {
    return static_cast<std::uint64_t>(value);
}

// Into `row`, whose texts keep their storage from one entry to the next.
void ReadRow(const Statement& statement, HistoryRow& row) {
    row.id = statement.Int(0);
    row.url.assign(statement.Bytes(1));
    if (statement.IsNull(2)) {
        row.title.reset();
    } else if (row.title) {
        row.title->assign(statement.Bytes(2));
    } else {
        row.title.emplace(statement.Bytes(2));
    }
    row.lastVisited = FromColumn(statement.Int(3));
    row.lastUpdated = FromColumn(statement.Int(4));
    row.expires = FromColumn(statement.Int(5));
    row.flags = static_cast<DWORD>(statement.Int(6));
}

std::unique_ptr<Database> OpenDatabase() {
    return Database::Open("URL history", "history.sqlite", kSchema);
}

}  // namespace

HistoryStore::HistoryStore(std::unique_ptr<Database> db) : db_(std::move(db)), path_(db_->Path()) {}

std::shared_ptr<HistoryStore> HistoryStore::Open() {
    return std::make_shared<HistoryStore>(OpenDatabase());
}

Database& HistoryStore::Current(bool forChange) {
    // A query running past a change of this connection could give rows the
    // change removed; it never outlives the connection it runs on.
    query_.reset();
    if (!db_ || !db_->StillAtPath()) {
        if (db_)
            ++files_;
        // Closed before the other is opened: two connections to different
        // files at one path would share its journal files.
        db_.reset();
        db_ = OpenDatabase();
    } else if (forChange && db_->ReadOnly()) {
        // The same file: the reader stays until a writer replaces it.
        db_ = OpenDatabase();
    }
    return *db_;
}

void HistoryStore::Put(const std::vector<HistoryRow>& rows) {
    Database& db = Current(true);
    Transaction transaction(db);
    for (const HistoryRow& row : rows) {
        auto& statement = db.PrepareChange(
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
        if (row.title) {
            statement.Bind(2, std::string_view(*row.title));
        } else {
            statement.BindNull(2);
        }
        statement.Run();
    }
    transaction.Commit();
}

void HistoryStore::Clear() {
    Database& db = Current(true);
    Transaction transaction(db);
    db.PrepareChange("DELETE FROM history").Run();
    transaction.Commit();
}

void HistoryStore::Delete(const std::vector<std::string>& urls, std::vector<bool>& found) {
    Database& db = Current(true);
    Transaction transaction(db);
    std::vector<bool> deleted(urls.size());
    for (std::size_t i = 0; i < urls.size(); ++i) {
        db.PrepareChange("DELETE FROM history WHERE url = ?1")
            .Bind(1, std::string_view(urls[i]))
            .Run();
        deleted[i] = sqlite3_changes(db.Handle()) > 0;
    }
    transaction.Commit();
    for (std::size_t i = 0; i < urls.size(); ++i)
        found[i] = found[i] || deleted[i];
}

bool HistoryStore::NextAfter(std::int64_t afterId, std::string_view prefix, HistoryRow& row) {
    try {
        if (!query_ || queryPlace_ != afterId || queryPrefix_ != prefix) {
            Database& db = Current();
            query_ = std::make_unique<Statement>(db, kListing);
            query_->Bind(1, afterId);
            queryPrefix_ = prefix;
        }
        do {
            if (!query_->Step()) {
                query_.reset();
                return false;
            }
        } while (!query_->Bytes(1).starts_with(prefix));
        ReadRow(*query_, row);
        queryPlace_ = row.id;
        return true;
    } catch (...) {
        query_.reset();
        throw;
    }
}

}  // namespace store
