#include "store/Database.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>

namespace store {
namespace {

// How long a change waits for another process that holds the store.
constexpr int kBusyTimeoutMs = 2000;

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return ".";
}

// Creates every missing directory of `path`, owner-only.
bool MakeDirectories(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string prefix = path.substr(0, slash);
        if (mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

}  // namespace

std::string DataDirectory() {
    // XDG: a relative XDG_DATA_HOME is invalid and ignored.
    const char* xdg = std::getenv("XDG_DATA_HOME");
    std::string base = (xdg && xdg[0] == '/') ? xdg : HomeDirectory() + "/.local/share";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/orvalla";
}

DWORD ErrorCodeFor(int sqliteCode) {
    switch (sqliteCode & 0xff) {
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            return ERROR_FILE_CORRUPT;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return ERROR_LOCK_VIOLATION;
        case SQLITE_CANTOPEN:
            return ERROR_OPEN_FAILED;
        case SQLITE_PERM:
        case SQLITE_AUTH:
        case SQLITE_READONLY:
            return ERROR_ACCESS_DENIED;
        case SQLITE_FULL:
            return ERROR_DISK_FULL;
        case SQLITE_NOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case SQLITE_IOERR:
            return ERROR_READ_FAULT;
        default:
            return ERROR_INVALID_DATA;
    }
}

struct Database::Cache {
    std::map<std::string, std::unique_ptr<Statement>, std::less<>> statements;
};

Database::Database(sqlite3* db, std::string path, std::string storeName)
    : db_(db),
      path_(std::move(path)),
      storeName_(std::move(storeName)),
      statements_(std::make_unique<Cache>()) {
    struct stat st {};
    if (stat(path_.c_str(), &st) == 0) {
        device_ = st.st_dev;
        inode_ = st.st_ino;
    }
}

Database::~Database() {
    statements_.reset();  // statements must be finalized before the connection closes
    sqlite3_close_v2(db_);
}

std::unique_ptr<Database> Database::Open(std::string_view storeName, std::string_view fileName,
                                         std::string_view schema) {
    const std::string directory = DataDirectory();
    const std::string path = directory + "/" + std::string(fileName);
    const std::string name(storeName);
    auto fail = [&](DWORD code, const std::string& cause) {
        return StoreError{code,
                          "The " + name + " store \"" + path + "\" cannot be opened: " + cause};
    };

    if (!MakeDirectories(directory))
        throw fail(ErrorCodeFor(SQLITE_CANTOPEN), std::strerror(errno));
    // Create the file ourselves so that it is owner-only from the start;
    // SQLite gives its journal files the same permissions.
    if (int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); fd >= 0) {
        ::close(fd);
    }

    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        const std::string cause = raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc);
        sqlite3_close_v2(raw);
        throw fail(ErrorCodeFor(rc), cause);
    }
    std::unique_ptr<Database> db(new Database(raw, path, name));
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    try {
        // WAL lets the browser write while we read; NORMAL synchronous keeps
        // each single-entry transaction cheap without risking corruption.
        db->Exec("PRAGMA journal_mode=WAL");
        db->Exec("PRAGMA synchronous=NORMAL");
        Transaction transaction(*db);
        db->Exec(schema);
        transaction.Commit();
    } catch (StoreError& error) {
        // Keep the cause only; it follows the path, which may itself hold ": ".
        const std::string prefix = "The " + name + " store \"" + path + "\" cannot be ";
        const std::size_t colon = error.message.find(": ", prefix.size());
        throw fail(error.code,
                   colon == std::string::npos ? error.message : error.message.substr(colon + 2));
    }
    return db;
}

bool Database::StillAtPath() const {
    struct stat st {};
    return stat(path_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_;
}

StoreError Database::Failure(int sqliteCode, std::string_view action) const {
    return StoreError{ErrorCodeFor(sqliteCode), "The " + storeName_ + " store \"" + path_ +
                                                    "\" cannot be " + std::string(action) + ": " +
                                                    sqlite3_errmsg(db_)};
}

void Database::Exec(std::string_view sql) {
    const std::string text(sql);
    const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw Failure(rc, "used");
}

Statement& Database::Prepare(std::string_view sql) {
    auto found = statements_->statements.find(sql);
    if (found == statements_->statements.end()) {
        found = statements_->statements
                    .emplace(std::string(sql), std::make_unique<Statement>(*this, sql))
                    .first;
    }
    return found->second->Reset();
}

Statement::Statement(Database& db, std::string_view sql) : db_(db) {
    const int rc = sqlite3_prepare_v3(db.Handle(), sql.data(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    if (rc != SQLITE_OK)
        throw db.Failure(rc, "read");
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement& Statement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    return *this;
}

Statement& Statement::Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement& Statement::Bind(int index, std::string_view text) {
    sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    return *this;
}

Statement& Statement::BindBlob(int index, std::string_view bytes) {
    // A zero-length blob must still be a blob, not NULL.
    sqlite3_bind_blob64(stmt_, index, bytes.empty() ? "" : bytes.data(), bytes.size(),
                        SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::BindNull(int index) {
    sqlite3_bind_null(stmt_, index);
    return *this;
}

bool Statement::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    StoreError error = db_.Failure(rc, sqlite3_stmt_readonly(stmt_) ? "read" : "changed");
    sqlite3_reset(stmt_);
    throw error;
}

void Statement::Run() {
    while (Step()) {
    }
}

std::int64_t Statement::Int(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

std::string_view Statement::Bytes(int column) const {
    const void* data = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    return data ? std::string_view(static_cast<const char*>(data), size) : std::string_view();
}

bool Statement::IsNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

Transaction::Transaction(Database& db, bool immediate) : db_(db) {
    db_.Exec(immediate ? "BEGIN IMMEDIATE" : "BEGIN");
}

Transaction::~Transaction() {
    if (open_)
        sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
    db_.Exec("COMMIT");
    open_ = false;
}

}  // namespace store
