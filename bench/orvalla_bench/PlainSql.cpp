#include "PlainSql.h"

#include <stdexcept>

PlainDatabase::PlainDatabase(const std::string& path, const char* settings) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        Fail("open " + path);
    sqlite3_busy_timeout(db_, 2000);
    if (settings)
        Exec(settings);
}

PlainDatabase::~PlainDatabase() {
    for (sqlite3_stmt* statement : statements_)
        sqlite3_finalize(statement);
    sqlite3_close_v2(db_);
}

void PlainDatabase::Exec(const std::string& sql) {
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        Fail(sql);
}

sqlite3_stmt* PlainDatabase::Prepare(const char* sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK)
        Fail(sql);
    statements_.push_back(statement);
    return statement;
}

bool PlainDatabase::Step(sqlite3_stmt* statement) {
    const int rc = sqlite3_step(statement);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        Fail("step");
    return rc == SQLITE_ROW;
}

void PlainDatabase::Fail(const std::string& what) {
    throw std::runtime_error("plain SQLite: " + what + ": " + sqlite3_errmsg(db_));
}

void AssignColumn(sqlite3_stmt* statement, int column, std::string& text) {
    const void* data = sqlite3_column_blob(statement, column);
    text.assign(data ? static_cast<const char*>(data) : "",
                static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
}

std::string ColumnText(sqlite3_stmt* statement, int column) {
    std::string text;
    AssignColumn(statement, column, text);
    return text;
}
