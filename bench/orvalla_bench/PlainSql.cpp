#include "PlainSql.h"

#include <stdexcept>

PlainDatabase::PlainDatabase(const std::string& path, const char* settings) {
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
    db_.reset(db);
    if (opened != SQLITE_OK)
        Fail("open " + path);
    sqlite3_busy_timeout(db, 2000);
    if (settings)
        Exec(settings);
}

void PlainDatabase::Exec(const std::string& sql) {
    if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        Fail(sql);
}

sqlite3_stmt* PlainDatabase::Prepare(const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_.get(), sql, -1, &statement, nullptr) != SQLITE_OK)
        Fail(sql);
    statements_.emplace_back(statement, sqlite3_finalize);
    return statement;
}

bool PlainDatabase::Step(sqlite3_stmt* statement) {
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        Fail("step");
    return rc == SQLITE_ROW;
}

void PlainDatabase::Fail(const std::string& what) {
    throw std::runtime_error("plain SQLite: " + what + ": " + sqlite3_errmsg(db_.get()));
}

void AssignColumn(sqlite3_stmt* statement, int column, std::string& text) {
    const void* data = sqlite3_column_blob(statement, column);
    text.assign(data ? static_cast<const char*>(data) : "",
                static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}
