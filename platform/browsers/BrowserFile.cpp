#include "browsers/BrowserFile.h"

#include <QFile>

#include <filesystem>

#include "store/Database.h"

namespace browsers {

bool FileExists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

BrowserFile::BrowserFile(std::string path, std::string who)
    : path_(std::move(path)), who_(std::move(who)) {
    // Read and write without creating: a browser closed after a crash leaves
    // a hot journal, which only a writing connection can roll back.
    const int rc = sqlite3_open_v2(path_.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK)
        Fail(rc, "opened");
    // The browser may be starting meanwhile; wait for it a little.
    sqlite3_busy_timeout(db_, 2000);
}

BrowserFile::~BrowserFile() {
    sqlite3_close_v2(db_);
}

void BrowserFile::Fail(int sqliteCode, std::string_view action) const {
    const int systemError = store::SystemErrorOf(db_, sqliteCode);
    throw store::StoreError{store::ErrorCodeFor(sqliteCode, systemError),
                            who_ + ": the store \"" + path_ + "\" cannot be " +
                                std::string(action) + ": " + store::CauseOf(db_, sqliteCode)};
}

bool BrowserFile::HasTable(std::string_view table) {
    Query query(*this, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?", "read");
    return query.Bind(1, table).Step();
}

bool BrowserFile::HasColumn(std::string_view table, std::string_view column) {
    Query query(*this, "SELECT 1 FROM pragma_table_info(?) WHERE name = ?", "read");
    return query.Bind(1, table).Bind(2, column).Step();
}

void BrowserFile::Exec(std::string_view sql, std::string_view action) {
    Query(*this, sql, action).Run();
}

Query::Query(BrowserFile& file, std::string_view sql, std::string_view action)
    : file_(file), action_(action) {
    const int rc = sqlite3_prepare_v2(file.Handle(), sql.data(), static_cast<int>(sql.size()),
                                      &stmt_, nullptr);
    if (rc != SQLITE_OK)
        file_.Fail(rc, action_);
}

Query::~Query() {
    sqlite3_finalize(stmt_);
}

Query& Query::Bind(int index, std::int64_t value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Query& Query::Bind(int index, std::string_view text) {
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

bool Query::Step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    sqlite3_reset(stmt_);
    if (rc != SQLITE_DONE)
        file_.Fail(rc, action_);
    return false;
}

std::string Query::Text(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return text ? std::string(text, sqlite3_column_bytes(stmt_, column)) : std::string();
}

std::optional<std::string> Query::OptionalText(int column) const {
    if (sqlite3_column_type(stmt_, column) == SQLITE_NULL)
        return std::nullopt;
    return Text(column);
}

WriteTransaction::WriteTransaction(BrowserFile& file) : file_(file) {
    file_.Exec("BEGIN IMMEDIATE", "changed");
}

WriteTransaction::~WriteTransaction() {
    if (open_)
        sqlite3_exec(file_.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void WriteTransaction::Commit() {
    file_.Exec("COMMIT", "changed");
    open_ = false;
}

PrivateCopy::PrivateCopy(const std::string& path, std::string_view who) {
    const QString source = QString::fromStdString(path);
    const QString copy = dir_.filePath(QStringLiteral("store"));
    path_ = copy.toStdString();
    // The one place where this program opens a store's files without
    // SQLite: closing a descriptor drops every POSIX lock the process holds
    // on the file, but no SQLite connection of this process ever has a
    // running browser's files open. The journal goes first, so that a
    // change caught halfway in the database copy has its old pages there.
    bool copied = dir_.isValid();
    for (const char* suffix : {"-journal", "", "-wal"}) {
        if (copied && (QFile::exists(source + suffix) || !*suffix))
            copied = QFile::copy(source + suffix, copy + suffix);
    }
    if (!copied) {
        throw store::StoreError{ERROR_READ_FAULT, std::string(who) + ": the store \"" + path +
                                                      "\" cannot be copied to be read"};
    }
}

}  // namespace browsers
