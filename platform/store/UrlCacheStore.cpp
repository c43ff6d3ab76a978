#include "store/UrlCacheStore.h"

#include <cstring>
#include <unordered_map>

namespace store {
namespace {

constexpr std::string_view kStoreName = "URL cache";
constexpr std::string_view kFileName = "urlcache.sqlite";

// AUTOINCREMENT: an id is never handed out again, so an entry added after the
// last one was deleted cannot take the id a walk has already passed.
// FILETIMEs are kept as their 64 bits in a signed INTEGER.
constexpr std::string_view kSchema = R"sql(
CREATE TABLE IF NOT EXISTS url_cache_entries (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    url BLOB NOT NULL UNIQUE,
    entry_type INTEGER NOT NULL,
    use_count INTEGER NOT NULL DEFAULT 0,
    hit_rate INTEGER NOT NULL DEFAULT 0,
    size_low INTEGER NOT NULL DEFAULT 0,
    size_high INTEGER NOT NULL DEFAULT 0,
    last_modified INTEGER NOT NULL DEFAULT 0,
    expires INTEGER NOT NULL DEFAULT 0,
    last_access INTEGER NOT NULL DEFAULT 0,
    last_sync INTEGER NOT NULL DEFAULT 0,
    local_file BLOB,
    header_info BLOB,
    file_extension BLOB
);
)sql";

constexpr std::string_view kNextEntriesSql =
    "SELECT id, url, entry_type, use_count, hit_rate, size_low, size_high, last_modified, "
    "expires, last_access, last_sync, local_file, header_info, file_extension "
    "FROM url_cache_entries WHERE id > ?1 AND (entry_type & ?2) = ?2 ORDER BY id LIMIT ?3";

// The upsert leaves id and hit_rate alone: a replaced entry keeps its place
// in the walk and its hits.
constexpr std::string_view kCommitSql =
    "INSERT INTO url_cache_entries (url, entry_type, use_count, size_low, size_high, "
    "last_modified, expires, last_access, last_sync, local_file, header_info, file_extension) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12) "
    "ON CONFLICT (url) DO UPDATE SET entry_type = excluded.entry_type, "
    "use_count = excluded.use_count, size_low = excluded.size_low, "
    "size_high = excluded.size_high, last_modified = excluded.last_modified, "
    "expires = excluded.expires, last_access = excluded.last_access, "
    "last_sync = excluded.last_sync, local_file = excluded.local_file, "
    "header_info = excluded.header_info, file_extension = excluded.file_extension";

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

std::int64_t TimeValue(FILETIME time) {
    return static_cast<std::int64_t>(FileTimeToQuad(time));
}
FILETIME TimeAt(const Statement& row, int column) {
    return QuadToFileTime(static_cast<std::uint64_t>(row.Int(column)));
}
DWORD DwordAt(const Statement& row, int column) {
    return static_cast<DWORD>(row.Int(column));
}

// assign() rather than a new string: a walk reuses its entries' buffers for
// every entry it reads.
void ReadOptional(const Statement& row, int column, std::optional<std::string>& text) {
    if (row.IsNull(column)) {
        text.reset();
    } else if (text) {
        const std::string_view bytes = row.Bytes(column);
        text->assign(bytes.data(), bytes.size());
    } else {
        text.emplace(row.Bytes(column));
    }
}

void ReadEntry(const Statement& row, CacheEntry& entry) {
    entry.id = row.Int(0);
    const std::string_view url = row.Bytes(1);
    entry.url.assign(url.data(), url.size());
    entry.type = DwordAt(row, 2);
    entry.useCount = DwordAt(row, 3);
    entry.hitRate = DwordAt(row, 4);
    entry.sizeLow = DwordAt(row, 5);
    entry.sizeHigh = DwordAt(row, 6);
    entry.lastModified = TimeAt(row, 7);
    entry.expires = TimeAt(row, 8);
    entry.lastAccess = TimeAt(row, 9);
    entry.lastSync = TimeAt(row, 10);
    ReadOptional(row, 11, entry.localFileName);
    ReadOptional(row, 12, entry.headerInfo);
    ReadOptional(row, 13, entry.fileExtension);
}

void BindOptional(Statement& statement, int index, LPCSTR text, std::size_t size) {
    if (text) {
        statement.BindBlob(index, std::string_view(text, size));
    } else {
        statement.BindNull(index);
    }
}

std::size_t Length(LPCSTR text) {
    return text ? std::strlen(text) : 0;
}

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

void UrlCacheStore::ReadEntriesAfter(std::int64_t id, DWORD typeMask,
                                     std::vector<CacheEntry>& entries, std::size_t& count) {
    count = 0;
    StatementUse use(db_->Prepare(kNextEntriesSql));
    Statement& row = *use;
    row.Bind(1, id)
        .Bind(2, std::int64_t{typeMask})
        .Bind(3, static_cast<std::int64_t>(entries.size()));
    while (count < entries.size() && row.Step()) {
        ReadEntry(row, entries[count]);
        ++count;
    }
}

bool UrlCacheStore::Delete(std::string_view url) {
    StatementUse use(db_->Prepare(kDeleteSql));
    use->BindBlob(1, url).Run();
    return sqlite3_changes(db_->Handle()) > 0;
}

void UrlCacheStore::Commit(std::string_view url, const CACHE_ENTRY_VALUES& values) {
    // A header given without its size is a zero-terminated text.
    const std::size_t headerSize =
        values.dwHeaderInfoSize ? values.dwHeaderInfoSize : Length(values.lpHeaderInfo);
    StatementUse use(db_->Prepare(kCommitSql));
    Statement& upsert = *use;
    upsert.BindBlob(1, url)
        .Bind(2, std::int64_t{values.CacheEntryType})
        .Bind(3, std::int64_t{values.dwUseCount})
        .Bind(4, std::int64_t{values.dwSizeLow})
        .Bind(5, std::int64_t{values.dwSizeHigh})
        .Bind(6, TimeValue(values.LastModifiedTime))
        .Bind(7, TimeValue(values.ExpireTime))
        .Bind(8, TimeValue(values.LastAccessTime))
        .Bind(9, TimeValue(values.LastSyncTime));
    BindOptional(upsert, 10, values.lpszLocalFileName, Length(values.lpszLocalFileName));
    BindOptional(upsert, 11, values.lpHeaderInfo, headerSize);
    BindOptional(upsert, 12, values.lpszFileExtension, Length(values.lpszFileExtension));
    upsert.Run();
}

bool UrlCacheStore::SetHitRate(std::string_view url, DWORD hitRate) {
    StatementUse use(db_->Prepare(kHitRateSql));
    use->BindBlob(1, url).Bind(2, std::int64_t{hitRate}).Run();
    return sqlite3_changes(db_->Handle()) > 0;
}

}  // namespace store
