// Plain SQLite, as any user of the library would open a store file: what
// the floors read and change the stores with, and what fills the browsers'
// profiles.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

// A connection of its own to an existing file. `settings` (SQL) is run
// first: a store's own connection settings, or nothing for a file opened as
// it is. Its statements live as long as it does. Every failure throws.
class PlainDatabase {
public:
    explicit PlainDatabase(const std::string& path, const char* settings = nullptr);

    void Exec(const std::string& sql);
    sqlite3_stmt* Prepare(const char* sql);
    // True for a row, false when done.
    bool Step(sqlite3_stmt* statement);
    // Binds the values to ?1, ?2 ... in turn (numbers, texts, optional
    // texts), runs the statement, which returns no rows, and makes it ready
    // to run again.
    template <typename... Values>
    void Run(sqlite3_stmt* statement, const Values&... values) {
        int index = 0;
        (Bind(statement, ++index, values), ...);
        Step(statement);
        sqlite3_reset(statement);
    }
    std::int64_t LastInsertId() const { return sqlite3_last_insert_rowid(db_.get()); }
    // For what the wrapper does not offer (a function of the floor's own).
    sqlite3* Handle() const { return db_.get(); }

private:
    template <typename Value>
    static void Bind(sqlite3_stmt* statement, int index, const Value& value) {
        if constexpr (std::is_arithmetic_v<Value>)
            sqlite3_bind_int64(statement, index, static_cast<std::int64_t>(value));
        else if constexpr (std::is_same_v<Value, std::optional<std::string>>)
            value ? Bind(statement, index, *value) : (void)sqlite3_bind_null(statement, index);
        else
            Bind(statement, index, std::string_view(value));
    }
    static void Bind(sqlite3_stmt* statement, int index, std::string_view text) {
        sqlite3_bind_text64(statement, index, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8);
    }
    [[noreturn]] void Fail(const std::string& what);

    // Its statements are finalized before it closes.
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db_{nullptr, sqlite3_close_v2};
    std::vector<std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>> statements_;
};

// The column's bytes, into `text`'s own buffer.
void AssignColumn(sqlite3_stmt* statement, int column, std::string& text);
