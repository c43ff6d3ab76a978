#include "store/Database.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>

namespace store {
namespace {

bool IsDamage(int sqliteCode) {
    const int primary = sqliteCode & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// Whether the failure came from the system, so that its error tells more.
bool HasSystemCause(int sqliteCode) {
    const int primary = sqliteCode & 0xff;
    return primary == SQLITE_IOERR || primary == SQLITE_CANTOPEN || primary == SQLITE_FULL;
}

}  // namespace

DWORD ErrorCodeFor(int sqliteCode, int systemError) {
    if (systemError == ENOSPC || systemError == EDQUOT || systemError == EFBIG)
        return ERROR_DISK_FULL;
    if (systemError == EACCES || systemError == EPERM || systemError == EROFS)
        return ERROR_ACCESS_DENIED;
    for (const int writing : {SQLITE_IOERR_WRITE, SQLITE_IOERR_FSYNC, SQLITE_IOERR_DIR_FSYNC,
                              SQLITE_IOERR_TRUNCATE, SQLITE_IOERR_SHMSIZE, SQLITE_IOERR_DELETE}) {
        if (sqliteCode == writing)
            return ERROR_WRITE_FAULT;
    }
    static const std::map<int, DWORD> kByPrimaryCode = {
        {SQLITE_NOTADB, ERROR_FILE_CORRUPT},  {SQLITE_CORRUPT, ERROR_FILE_CORRUPT},
        {SQLITE_BUSY, ERROR_LOCK_VIOLATION},  {SQLITE_LOCKED, ERROR_LOCK_VIOLATION},
        {SQLITE_CANTOPEN, ERROR_OPEN_FAILED}, {SQLITE_PERM, ERROR_ACCESS_DENIED},
        {SQLITE_AUTH, ERROR_ACCESS_DENIED},   {SQLITE_READONLY, ERROR_ACCESS_DENIED},
        {SQLITE_FULL, ERROR_DISK_FULL},       {SQLITE_NOMEM, ERROR_NOT_ENOUGH_MEMORY},
        {SQLITE_IOERR, ERROR_READ_FAULT}};
    const auto found = kByPrimaryCode.find(sqliteCode & 0xff);
    return found == kByPrimaryCode.end() ? ERROR_INVALID_DATA : found->second;
}

int SystemErrorOf(sqlite3* db, int sqliteCode) {
    if (!db || !HasSystemCause(sqliteCode))
        return 0;
    if (const int error = sqlite3_system_errno(db))
        return error;
    // A failed commit leaves its error with the file it wrote (in WAL mode
    // the log), not with the connection.
    int error = 0;
    sqlite3_file* journal = nullptr;
    if (sqlite3_file_control(db, "main", SQLITE_FCNTL_JOURNAL_POINTER, &journal) == SQLITE_OK &&
        journal && journal->pMethods) {
        journal->pMethods->xFileControl(journal, SQLITE_FCNTL_LAST_ERRNO, &error);
    }
    if (!error)
        sqlite3_file_control(db, "main", SQLITE_FCNTL_LAST_ERRNO, &error);
    return error;
}

std::string CauseOf(sqlite3* db, int sqliteCode) {
    std::string cause = db ? sqlite3_errmsg(db) : sqlite3_errstr(sqliteCode);
    if (const int error = SystemErrorOf(db, sqliteCode))
        cause += " (" + std::string(std::strerror(error)) + ")";
    return cause;
}

std::string StoreMessage(std::string_view storeName, std::string_view path, std::string_view action,
                         std::string_view cause) {
    std::string message = "The ";
    message.append(storeName).append(" store \"").append(path).append("\" cannot be ");
    message.append(action).append(": ").append(cause);
    return message;
}

Database::Database(sqlite3* db, std::string path, std::string_view storeName, std::string refusal)
    : db_(db), path_(std::move(path)), storeName_(storeName), refusal_(std::move(refusal)) {
    struct stat st {};
    if (stat(path_.c_str(), &st) == 0) {
        device_ = st.st_dev;
        inode_ = st.st_ino;
    }
}

Database::~Database() {
    statements_.clear();  // statements must be finalized before the connection closes
    sqlite3_close_v2(db_);
}

bool Database::StillAtPath() const {
    struct stat st {};
    return stat(path_.c_str(), &st) == 0 && st.st_dev == device_ && st.st_ino == inode_;
}

std::string AsItIsMessage(std::string_view who, std::string_view path, std::string_view action,
                          std::string_view cause) {
    std::string message(who);
    message.append(": the store \"").append(path).append("\" cannot be ");
    message.append(action).append(": ").append(cause);
    return message;
}

std::string Database::Message(std::string_view action, std::string_view cause) const {
    return asItIs_ ? AsItIsMessage(storeName_, path_, action, cause)
                   : StoreMessage(storeName_, path_, action, cause);
}

void Database::CheckChangeable() const {
    if (ReadOnly())
        throw StoreError{ERROR_ACCESS_DENIED, Message("changed", refusal_)};
    if (!damage_.empty())
        throw StoreError{ERROR_FILE_CORRUPT, Message("changed", damage_)};
}

StoreError Database::Failure(int sqliteCode, std::string_view action) const {
    const std::string cause = CauseOf(db_, sqliteCode);
    if (IsDamage(sqliteCode) && damage_.empty())
        damage_ = cause;
    return StoreError{ErrorCodeFor(sqliteCode, SystemErrorOf(db_, sqliteCode)),
                      Message(action, cause)};
}

void Database::Exec(std::string_view sql, std::string_view action) {
    const std::string text(sql);
    const int rc = sqlite3_exec(db_, text.c_str(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw Failure(rc, action);
}

Statement& Database::Kept(std::string_view sql, bool change) {
    auto found = statements_.find(sql);
    if (found == statements_.end())
        found = statements_.emplace(sql, std::make_unique<Statement>(*this, sql, change)).first;
    return found->second->Reset();
}

Statement& Database::Prepare(std::string_view sql) {
    return Kept(sql, false);
}

Statement& Database::PrepareChange(std::string_view sql) {
    // A store this program does not know may not even take the statement.
    CheckChangeable();
    return Kept(sql, true);
}

Statement::Statement(Database& db, std::string_view sql, bool change) : db_(db) {
    const int rc = sqlite3_prepare_v3(db.Handle(), sql.data(), static_cast<int>(sql.size()),
                                      SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr);
    // SQLite tells what a statement does only once it is made, so one that
    // cannot be made is taken for a change when it was made for one or within
    // a write transaction.
    if (rc != SQLITE_OK) {
        change = change || sqlite3_txn_state(db.Handle(), nullptr) == SQLITE_TXN_WRITE;
        throw db.Failure(rc, change ? "changed" : "read");
    }
    changes_ = !sqlite3_stmt_readonly(stmt_);
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement& Statement::Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    return *this;
}

Statement& Statement::Bound(int rc) {
    // A value too big for the store, or one SQLite had no memory to copy.
    if (rc != SQLITE_OK)
        throw db_.Failure(rc, changes_ ? "changed" : "read");
    return *this;
}

Statement& Statement::Bind(int index, std::int64_t value) {
    return Bound(sqlite3_bind_int64(stmt_, index, value));
}

Statement& Statement::Bind(int index, std::string_view text) {
    return Bound(
        sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
}

Statement& Statement::BindBlob(int index, std::string_view bytes) {
    // A zero-length blob must still be a blob, not NULL.
    return Bound(sqlite3_bind_blob64(stmt_, index, bytes.empty() ? "" : bytes.data(), bytes.size(),
                                     SQLITE_TRANSIENT));
}

Statement& Statement::BindNull(int index) {
    return Bound(sqlite3_bind_null(stmt_, index));
}

bool Statement::Step() {
    if (changes_)
        db_.CheckChangeable();
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    StoreError error = db_.Failure(rc, changes_ ? "changed" : "read");
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

Transaction::Transaction(Database& db) : db_(db) {
    db_.CheckChangeable();
    db_.Exec("BEGIN IMMEDIATE", "changed");
}

Transaction::~Transaction() {
    if (open_)
        sqlite3_exec(db_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
    db_.Exec("COMMIT", "changed");
    open_ = false;
}

}  // namespace store
