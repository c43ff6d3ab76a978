#include "PlainSql.h"

#include <algorithm>
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

void PlainDatabase::Exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
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

void PlainDatabase::Run(sqlite3_stmt* statement) {
    Step(statement);
    sqlite3_reset(statement);
}

void PlainDatabase::Fail(const std::string& what) {
    throw std::runtime_error("floor: " + what + ": " + sqlite3_errmsg(db_));
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

void RequireSameTexts(const std::string& floor, const std::vector<RowTexts>& made,
                      const std::vector<RowTexts>& shown) {
    for (std::size_t i = 0; i < std::max(made.size(), shown.size()); ++i) {
        if (i >= made.size() || i >= shown.size() || made[i] != shown[i])
            throw std::runtime_error(
                floor + " floor: row " + std::to_string(i) + " reads \"" +
                (i < made.size() ? made[i].join('|').toStdString() : "(none)") +
                "\", the window shows \"" +
                (i < shown.size() ? shown[i].join('|').toStdString() : "(none)") + "\"");
    }
}
