// RAII ownership of SQLite connections and statements, and the way every
// store of this layer is opened.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/windef.h"
#include "store/Folders.h"

namespace store {

// A failed SQLite call, with the platform error code it maps to and a
// message naming the store and the cause.
struct StoreError {
    DWORD code = ERROR_SUCCESS;
    std::string message;
};

// Maps an SQLite result code (extended codes too), and the system error
// behind it when there is one, to the platform's error code.
DWORD ErrorCodeFor(int sqliteCode, int systemError = 0);

// The system error behind the connection's last failure `sqliteCode`, 0 when
// the failure did not come from the system or the error is not known.
int SystemErrorOf(sqlite3* db, int sqliteCode);

// SQLite's text for the connection's last failure, followed by the system's
// text for the error behind it when there is one ("disk I/O error (File too
// large)").
std::string CauseOf(sqlite3* db, int sqliteCode);

// "The URL cache store "PATH" cannot be ACTION: CAUSE".
std::string StoreMessage(std::string_view storeName, std::string_view path, std::string_view action,
                         std::string_view cause);
// "WHO: the store "PATH" cannot be ACTION: CAUSE", for another program's store.
std::string AsItIsMessage(std::string_view who, std::string_view path, std::string_view action,
                          std::string_view cause);

class Statement;

class Database {
public:
    // Opens (creating on first use, owner-only) the store file `fileName` in
    // the user's data directory, in WAL mode with a busy timeout, and runs
    // `schema` (CREATE ... IF NOT EXISTS statements only) in one transaction.
    // `storeName` names it in messages ("URL cache"). When the file may be
    // read but this process cannot write it, or it comes from a newer version
    // of this program (a higher user_version, or tables, views, columns or
    // triggers that `schema` does not make), the store is only read and every
    // change is refused. Nothing is written to a file that is not a database
    // or that has shown damage; a file that comes in another journal mode is
    // checked whole before WAL is turned on in it. Throws StoreError.
    static std::unique_ptr<Database> Open(std::string_view storeName, std::string_view fileName,
                                          std::string_view schema);
    // Opens another program's store file at `path` as it is, never creating
    // it: no schema, journal mode, setting or version is touched. `who` begins
    // every message ("Firefox (default-esr): the store "PATH" cannot be
    // read: CAUSE"). `unchanging` reads a file that nothing writes meanwhile
    // without locks or journal files, so that nothing at all is written
    // beside it. Messages name `shownPath` when given (the file a copy was
    // made of). Throws StoreError.
    static std::unique_ptr<Database> OpenAsItIs(const std::string& path, std::string_view who,
                                                bool unchanging, const std::string& shownPath = "");

    // Whether another process holds the store at `path` locked against
    // readers, as a browser that keeps its store in exclusive locking mode
    // does while it runs. Opens only a regular file, and creates and writes
    // nothing (the store must not be in WAL mode, whose readers make an index
    // file). False when nothing is there; nullopt when what is there cannot
    // be asked (not a regular file, not a store, no access).
    static std::optional<bool> LockedAgainstReaders(const std::string& path);

    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    sqlite3* Handle() const { return db_; }
    const std::string& Path() const { return path_; }

    // True while the file this connection opened is still the file at Path()
    // (it may have been deleted or replaced by another process).
    bool StillAtPath() const;
    // True when every change is refused from the start (see Open).
    bool ReadOnly() const { return !refusal_.empty(); }

    // Throws the StoreError that any change meets now: the store is only
    // read, or it has shown damage (after which nothing more is written to
    // it, lest the damage spread).
    void CheckChangeable() const;

    // Runs SQL text with no results; throws StoreError saying the store
    // cannot be `action`.
    void Exec(std::string_view sql, std::string_view action = "used");

    // A StoreError for the connection's last failure ("The URL cache
    // "PATH" cannot be read: CAUSE"). Notes damage that the failure shows.
    StoreError Failure(int sqliteCode, std::string_view action) const;

    // A prepared statement kept for the connection's lifetime.
    Statement& Prepare(std::string_view sql);
    // The same for a statement that changes the store, which throws the
    // StoreError any change meets now (see CheckChangeable) before it is made.
    Statement& PrepareChange(std::string_view sql);

private:
    Database(sqlite3* db, std::string path, std::string_view storeName, std::string refusal);
    std::string Message(std::string_view action, std::string_view cause) const;
    Statement& Kept(std::string_view sql, bool change);

    sqlite3* db_;
    std::string path_;
    std::string storeName_;  // "URL cache"; for another program's store, who has it
    bool asItIs_ = false;
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
    const std::string refusal_;   // why no change may be made, "" when they may
    mutable std::string damage_;  // the first failure that showed damage
    std::map<std::string, std::unique_ptr<Statement>, std::less<>> statements_;
};

// A prepared statement. Reset on every Run so it can be reused.
class Statement {
public:
    // `change` says the statement is made to change the store, for the
    // message when it cannot be made. Throws StoreError.
    Statement(Database& db, std::string_view sql, bool change = false);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Reset();
    // Each throws StoreError when SQLite refuses the value (one too big).
    Statement& Bind(int index, std::int64_t value);
    Statement& Bind(int index, std::string_view text);       // as TEXT
    Statement& BindBlob(int index, std::string_view bytes);  // as BLOB
    Statement& BindNull(int index);

    // Steps once: true while a row is there. A statement that changes the
    // store first checks that it may. Throws StoreError.
    bool Step();
    // True while the statement stands on a row, and so holds the
    // connection's read transaction open.
    bool Running() const { return sqlite3_stmt_busy(stmt_) != 0; }
    // Steps to the end (for statements without rows). Throws StoreError.
    void Run();

    std::int64_t Int(int column) const;
    // The column's bytes (TEXT or BLOB), valid until the next Step or Reset.
    std::string_view Bytes(int column) const;
    bool IsNull(int column) const;

    sqlite3_stmt* Handle() const { return stmt_; }

private:
    // Throws the StoreError of a value SQLite refused to bind.
    Statement& Bound(int rc);

    Database& db_;
    sqlite3_stmt* stmt_ = nullptr;
    bool changes_ = false;
};

// A write transaction that rolls back unless committed.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    void Commit();

private:
    Database& db_;
    bool open_ = true;
};

}  // namespace store
