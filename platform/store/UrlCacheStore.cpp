#include "store/UrlCacheStore.h"

#include <atomic>
#include <cstring>
#include <unordered_map>
#include <utility>

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

constexpr std::string_view kWalkSql =
    "SELECT id, url, entry_type, hit_rate, entry_values FROM url_cache_entries "
    "WHERE id > ?1 ORDER BY id";

// The upsert leaves id and hit_rate alone: a replaced entry keeps its place
// in the walk and its hits.
constexpr std::string_view kCommitSql =
    "INSERT INTO url_cache_entries (url, entry_type, entry_values) VALUES (?1, ?2, ?3) "
    "ON CONFLICT (url) DO UPDATE SET entry_type = excluded.entry_type, "
    "entry_values = excluded.entry_values";

// A BLOB never equals a TEXT, so the address is looked up as both; the
// unique index serves each.
constexpr std::string_view kHasSql =
    "SELECT 1 FROM url_cache_entries WHERE url IN (?1, CAST(?1 AS TEXT))";
constexpr std::string_view kDeleteSql =
    "DELETE FROM url_cache_entries WHERE url IN (?1, CAST(?1 AS TEXT))";
constexpr std::string_view kHitRateSql =
    "UPDATE url_cache_entries SET hit_rate = ?2 WHERE url IN (?1, CAST(?1 AS TEXT))";

// The walks are declared after the store, so that their statements are
// finalized before its connection closes.
struct ThreadCache {
    std::unique_ptr<UrlCacheStore> store;
    std::unordered_map<std::uintptr_t, std::unique_ptr<Walk>> walks;
};
thread_local ThreadCache thread;

std::atomic<std::uintptr_t> nextHandle{1};

std::uintptr_t KeyOf(HANDLE handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

}  // namespace

UrlCacheStore::UrlCacheStore(std::unique_ptr<Database> db, std::string directory)
    : db_(std::move(db)), directory_(std::move(directory)) {}

UrlCacheStore& UrlCacheStore::ForThread() {
    std::string directory = DataDirectory();
    if (UrlCacheStore* const store = thread.store.get()) {
        const char* const gone =
            store->directory_ != directory ? "the data directory changed during the walk"
            : !store->db_->StillAtPath()   ? "its file was deleted or replaced during the walk"
                                           : "";
        bool walking = false;
        for (const auto& walk : thread.walks)
            walking = walking || walk.second->query;
        if (*gone || (store->db_->ReadOnly() && !walking)) {
            for (const auto& [key, walk] : thread.walks) {
                if (walk->query) {
                    walk->pending.reset();
                    walk->query.reset();
                    walk->ending =
                        StoreError{ERROR_FILE_INVALID,
                                   StoreMessage(kStoreName, store->db_->Path(), "read", gone)};
                }
            }
            // Closed before the store is opened again: two connections to
            // different files at one path would share its journal files.
            thread.store.reset();
        }
    }
    if (!thread.store) {
        auto db = Database::Open(kStoreName, kFileName, kSchema);
        thread.store.reset(new UrlCacheStore(std::move(db), std::move(directory)));
    }
    return *thread.store;
}

UrlCacheStore* UrlCacheStore::Existing() {
    return thread.store.get();
}

std::unique_ptr<Walk> UrlCacheStore::NewWalk(std::unique_ptr<WalkTail> tail) const {
    auto walk = std::make_unique<Walk>();
    walk->tail = std::move(tail);
    walk->query = std::make_unique<Statement>(*db_, kWalkSql);
    return walk;
}

HANDLE UrlCacheStore::AddWalk(std::unique_ptr<Walk> walk) {
    const std::uintptr_t key = nextHandle.fetch_add(1, std::memory_order_relaxed);
    thread.walks.emplace(key, std::move(walk));
    return reinterpret_cast<HANDLE>(key);
}

Walk* UrlCacheStore::FindWalk(HANDLE handle) {
    const auto found = thread.walks.find(KeyOf(handle));
    return found == thread.walks.end() ? nullptr : found->second.get();
}

bool UrlCacheStore::CloseWalk(HANDLE handle) {
    return thread.walks.erase(KeyOf(handle)) > 0;
}

const EntryColumns* UrlCacheStore::Pending(Walk& walk) {
    if (walk.pending)
        return &*walk.pending;
    // Past the store's own entries only the tail is read, until it too
    // runs out; then the store may have more.
    if (walk.inTail) {
        if (const EntryColumns* entry = walk.tail->Pending())
            return entry;
        walk.inTail = false;
    }
    Statement& query = *walk.query;
    if (!query.Running())
        query.Reset().Bind(1, walk.lastId);
    if (!query.Step()) {
        query.Reset();
        walk.inTail = walk.tail != nullptr;
        return walk.tail ? walk.tail->Pending() : nullptr;
    }
    EntryColumns entry{query.Int(0), query.Bytes(1), static_cast<DWORD>(query.Int(2)),
                       static_cast<DWORD>(query.Int(3)), query.Bytes(4)};
    entry.recordSize = EntryRecordSize(entry);
    if (entry.recordSize == 0) {
        query.Reset();
        throw StoreError{
            ERROR_FILE_CORRUPT,
            StoreMessage(kStoreName, db_->Path(), "read",
                         "the values of the entry " + std::to_string(entry.id) + " are damaged")};
    }
    return &walk.pending.emplace(entry);
}

void Walk::Pass() {
    if (inTail) {
        tail->Pass();
    } else {
        lastId = pending->id;
        pending.reset();
    }
}

int UrlCacheStore::Change(Statement& statement) {
    for (const auto& [key, walk] : thread.walks) {
        if (walk->query) {
            walk->pending.reset();
            walk->query->Reset();
        }
    }
    statement.Run();
    return sqlite3_changes(db_->Handle());
}

bool UrlCacheStore::Has(std::string_view url) {
    Statement& found = db_->Prepare(kHasSql);
    const bool has = found.BindBlob(1, url).Step();
    found.Reset();
    return has;
}

bool UrlCacheStore::Delete(std::string_view url) {
    return Change(db_->PrepareChange(kDeleteSql).BindBlob(1, url)) > 0;
}

void UrlCacheStore::Commit(std::string_view url, const CACHE_ENTRY_VALUES& values) {
    // A header given without its size is a zero-terminated text.
    const std::size_t headerSize = values.dwHeaderInfoSize || !values.lpHeaderInfo
                                       ? values.dwHeaderInfoSize
                                       : std::strlen(values.lpHeaderInfo);
    Change(db_->PrepareChange(kCommitSql)
               .BindBlob(1, url)
               .Bind(2, std::int64_t{values.CacheEntryType})
               .BindBlob(3, PackEntryValues(values, headerSize)));
}

bool UrlCacheStore::SetHitRate(std::string_view url, DWORD hitRate) {
    return Change(db_->PrepareChange(kHitRateSql).BindBlob(1, url).Bind(2, std::int64_t{hitRate})) >
           0;
}

}  // namespace store
