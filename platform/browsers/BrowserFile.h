// A browser's own SQLite database, opened as the browser left it: no journal
// mode, schema or setting is changed and no table is made, and the
// connection lives only for one call of a Profile.
#pragma once

#include <sqlite3.h>

#include <QTemporaryDir>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace browsers {

class BrowserFile {
public:
    // Opens the file at `path` (never creating it); `who` names the browser
    // and profile in every message ("Chromium (Default)"). Throws
    // store::StoreError.
    BrowserFile(std::string path, std::string who);
    ~BrowserFile();
    BrowserFile(const BrowserFile&) = delete;
    BrowserFile& operator=(const BrowserFile&) = delete;

    sqlite3* Handle() const { return db_; }

    bool HasTable(std::string_view table);
    bool HasColumn(std::string_view table, std::string_view column);
    // Runs SQL text without results; throws store::StoreError saying the
    // file cannot be `action`.
    void Exec(std::string_view sql, std::string_view action);
    // "Chromium (Default): the store "PATH" cannot be ACTION: CAUSE".
    [[noreturn]] void Fail(int sqliteCode, std::string_view action) const;

private:
    sqlite3* db_ = nullptr;
    const std::string path_;
    const std::string who_;
};

// A prepared statement, finalized with the object.
class Query {
public:
    Query(BrowserFile& file, std::string_view sql, std::string_view action);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    Query& Bind(int index, std::int64_t value);
    Query& Bind(int index, std::string_view text);
    // True while a row is there; throws store::StoreError.
    bool Step();
    void Run() {
        while (Step()) {
        }
    }

    std::int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    std::string Text(int column) const;
    std::optional<std::string> OptionalText(int column) const;

private:
    BrowserFile& file_;
    sqlite3_stmt* stmt_ = nullptr;
    const std::string action_;
};

// One write transaction, rolled back unless committed.
class WriteTransaction {
public:
    explicit WriteTransaction(BrowserFile& file);
    ~WriteTransaction();
    WriteTransaction(const WriteTransaction&) = delete;
    WriteTransaction& operator=(const WriteTransaction&) = delete;
    void Commit();

private:
    BrowserFile& file_;
    bool open_ = true;
};

// A private copy of a running browser's database and its -journal or -wal,
// in an owner-only temporary directory removed with the object.
class PrivateCopy {
public:
    PrivateCopy(const std::string& path, std::string_view who);  // throws store::StoreError
    const std::string& Path() const { return path_; }

private:
    QTemporaryDir dir_;
    std::string path_;
};

// Runs `read` on the store at `path`: on the live file while the browser is
// closed, on a private copy while it runs (it locks and changes the file).
template <typename Read>
auto ReadBrowserStore(bool running, const std::string& path, const std::string& who, Read read) {
    std::unique_ptr<PrivateCopy> copy;
    if (running)
        copy = std::make_unique<PrivateCopy>(path, who);
    BrowserFile file(copy ? copy->Path() : path, who);
    return read(file);
}

// Whether anything is at `path` (a file that cannot be looked at is not).
bool FileExists(const std::string& path);

// FILETIME ticks from a count of microseconds since 1601 (0 stays 0; a
// negative one, which no browser writes, reads as 0).
inline std::uint64_t FileTimeFrom1601Micros(std::int64_t micros) {
    return micros > 0 ? static_cast<std::uint64_t>(micros) * 10 : 0;
}

}  // namespace browsers
