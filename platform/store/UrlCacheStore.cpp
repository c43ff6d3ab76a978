#include "store/UrlCacheStore.h"

#include <cstring>
#include <unordered_map>

namespace store {
namespace {

constexpr std::string_view kStoreName = "URL cache";
constexpr std::string_view kFileName = "urlcache.sqlite";

// AUTOINCREMENT: an id is never handed out again, so an entry added after the
// last one was deleted cannot take the id a walk has already passed. The
// entry's other values are packed into `entry_values` (UrlCacheEntry.h).
constexpr std::string_view kSchema = R"sql(
CREATE TABLE IF NOT EXISTS url_cache_entries (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    url BLOB NOT NULL UNIQUE,
    entry_type INTEGER NOT NULL,
    hit_rate INTEGER NOT NULL DEFAULT 0,
    entry_values BLOB NOT NULL
);
)sql";

// Every entry, or those whose type has the bits of a search pattern; the
// walk without a pattern, the usual one, tests no type.
constexpr std::string_view kNextEntriesSql =
    "SELECT id, url, entry_type, hit_rate, entry_values FROM url_cache_entries "
    "WHERE id > ?1 ORDER BY id";
constexpr std::string_view kNextEntriesOfTypeSql =
    "SELECT id, url, entry_type, hit_rate, entry_values FROM url_cache_entries "
    "WHERE id > ?1 AND (entry_type & ?2) = ?2 ORDER BY id";

// The upsert leaves id and hit_rate alone: a replaced entry keeps its place
// in the walk and its hits.
constexpr std::string_view kCommitSql =
    "INSERT INTO url_cache_entries (url, entry_type, entry_values) VALUES (?1, ?2, ?3) "
    "ON CONFLICT (url) DO UPDATE SET entry_type = excluded.entry_type, "
    "entry_values = excluded.entry_values";

constexpr std::string_view kDeleteSql = "DELETE FROM url_cache_entries WHERE url = ?1";
constexpr std::string_view kHitRateSql =
    "UPDATE url_cache_entries SET hit_rate = ?2 WHERE url = ?1";

// Resets a cached statement when the caller is done with it, so that no read
// transaction stays open between calls (it would pin an old snapshot).
class StatementUse {
public:
    explicit StatementUse(Statement& statement) : statement_(statement) {}
    ~StatementUse() { statement_.Reset(); }
    StatementUse(const StatementUse&) = delete;
    StatementUse& operator=(const StatementUse&) = delete;
    Statement& operator*() const { return statement_; }
    Statement* operator->() const { return &statement_; }

private:
    Statement& statement_;
};

thread_local std::unique_ptr<UrlCacheStore> threadStore;
thread_local std::unordered_map<HANDLE, UrlCacheStore::EndedWalk> endedWalks;

}  // namespace

UrlCacheStore::UrlCacheStore(std::unique_ptr<Database> db, std::string directory)
    : db_(std::move(db)), directory_(std::move(directory)), changes_(db_->Path()) {}

UrlCacheStore& UrlCacheStore::ForThread() {
    std::string directory = DataDirectory();
    if (threadStore) {
        std::string_view gone;
        if (threadStore->directory_ != directory) {
            gone = "the data directory changed during the walk";
        } else if (!threadStore->db_->StillAtPath()) {
            gone = "its file was deleted or replaced during the walk";
        }
        if (!gone.empty()) {
            const StoreError ended{
                ERROR_FILE_INVALID,
                StoreMessage(kStoreName, threadStore->db_->Path(), "read", gone)};
            for (HANDLE handle : threadStore->walks_.Handles())
                endedWalks[handle] = EndedWalk{ended};
        }
        // Closed before the store is opened again: two connections to
        // different files at one path would share its journal files.
        if (!gone.empty() || (threadStore->db_->ReadOnly() && threadStore->walks_.Empty()))
            threadStore.reset();
    }
    if (!threadStore) {
        auto db = Database::Open(kStoreName, kFileName, kSchema);
        threadStore.reset(new UrlCacheStore(std::move(db), std::move(directory)));
    }
    return *threadStore;
}

UrlCacheStore* UrlCacheStore::Existing() {
    return threadStore.get();
}

UrlCacheStore::EndedWalk* UrlCacheStore::FindEnded(HANDLE handle) {
    const auto found = endedWalks.find(handle);
    return found == endedWalks.end() ? nullptr : &found->second;
}

bool UrlCacheStore::ForgetEnded(HANDLE handle) {
    return endedWalks.erase(handle) > 0;
}

std::unique_ptr<Statement> UrlCacheStore::WalkQuery(DWORD typeMask) {
    return std::make_unique<Statement>(*db_, typeMask ? kNextEntriesOfTypeSql : kNextEntriesSql);
}

void UrlCacheStore::StartWalk(Statement& query, std::int64_t id, DWORD typeMask) {
    query.Reset().Bind(1, id);
    if (typeMask)
        query.Bind(2, std::int64_t{typeMask});
}

std::optional<EntryColumns> UrlCacheStore::NextEntry(Statement& query) {
    if (!query.Step())
        return std::nullopt;
    const EntryColumns entry{query.Int(0), query.Bytes(1), static_cast<DWORD>(query.Int(2)),
                             static_cast<DWORD>(query.Int(3)), query.Bytes(4)};
    if (!EntryValuesIntact(entry.packed)) {
        throw StoreError{
            ERROR_FILE_CORRUPT,
            StoreMessage(kStoreName, db_->Path(), "read",
                         "the values of the entry " + std::to_string(entry.id) + " are damaged")};
    }
    return entry;
}

bool UrlCacheStore::Delete(std::string_view url) {
    walks_.StopAll();
    StatementUse use(db_->Prepare(kDeleteSql));
    use->BindBlob(1, url).Run();
    return sqlite3_changes(db_->Handle()) > 0;
}

void UrlCacheStore::Commit(std::string_view url, const CACHE_ENTRY_VALUES& values) {
    // A header given without its size is a zero-terminated text.
    const std::size_t headerSize = values.dwHeaderInfoSize || !values.lpHeaderInfo
                                       ? values.dwHeaderInfoSize
                                       : std::strlen(values.lpHeaderInfo);
    walks_.StopAll();
    StatementUse use(db_->Prepare(kCommitSql));
    use->BindBlob(1, url)
        .Bind(2, std::int64_t{values.CacheEntryType})
        .BindBlob(3, PackEntryValues(values, headerSize))
        .Run();
}

bool UrlCacheStore::SetHitRate(std::string_view url, DWORD hitRate) {
    walks_.StopAll();
    StatementUse use(db_->Prepare(kHitRateSql));
    use->BindBlob(1, url).Bind(2, std::int64_t{hitRate}).Run();
    return sqlite3_changes(db_->Handle()) > 0;
}

}  // namespace store
