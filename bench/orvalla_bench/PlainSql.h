// Plain SQLite, as any user of the library would open a store file: what
// the floors read and change the stores with, and what fills the browsers'
// profiles.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "BareControls.h"

// A connection of its own to an existing file. `settings` (SQL) is run
// first: a store's own connection settings, or nothing for a file opened as
// it is. Its statements live as long as it does.
class PlainDatabase {
public:
    explicit PlainDatabase(const std::string& path, const char* settings = nullptr);
    ~PlainDatabase();
    PlainDatabase(const PlainDatabase&) = delete;
    PlainDatabase& operator=(const PlainDatabase&) = delete;

    void Exec(const char* sql);
    sqlite3_stmt* Prepare(const char* sql);
    // True for a row, false when done; throws on a failure.
    bool Step(sqlite3_stmt* statement);
    // Runs a statement that returns no rows and makes it ready to run again.
    void Run(sqlite3_stmt* statement);

private:
    [[noreturn]] void Fail(const std::string& what);

    sqlite3* db_ = nullptr;
    std::vector<sqlite3_stmt*> statements_;
};

void AssignColumn(sqlite3_stmt* statement, int column, std::string& text);
std::string ColumnText(sqlite3_stmt* statement, int column);

// Throws unless the floor made exactly the texts the window shows, row by
// row.
void RequireSameTexts(const std::string& floor, const std::vector<RowTexts>& made,
                      const std::vector<RowTexts>& shown);
