// Opening a store file: owner-only, in WAL mode with a busy timeout; only
// read when this process may read the file but not write it, or when it
// comes from a newer version of the program; never written to while it is
// not a whole database.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>

#include "store/Database.h"

namespace store {
namespace {

// How long a call waits for another process that holds the store.
constexpr int kBusyTimeoutMs = 2000;

// The version this program gives its stores (PRAGMA user_version). A store
// of a higher one may hold what this program would break by changing it.
constexpr long kStoreVersion = 1;

// A step of opening that failed, and what SQLite or the system said.
struct OpenFailure {
    int sqliteCode = SQLITE_CANTOPEN;
    int systemError = 0;
    std::string cause;
};

OpenFailure FailureOf(sqlite3* db, int rc) {
    return {rc, SystemErrorOf(db, rc), CauseOf(db, rc)};
}

OpenFailure SystemFailure(int error, const std::string& what) {
    return {SQLITE_CANTOPEN, error, what + " (" + std::strerror(error) + ")"};
}

struct CloseConnection {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, CloseConnection>;

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

bool Writable(const std::string& path) {
    return faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// SQLite makes a store file with the usual mode and its journal files with
// the file's mode. So a file about to be filled becomes owner-only first (a
// symlink's target with it). A reader of a store file that could not be
// written leaves journal files that cannot be written either; once the file
// may be written again, every change would fail on them.
void MakeOwnerOnly(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return;
    if (st.st_size == 0 && (st.st_mode & 0777) != 0600 && chmod(path.c_str(), 0600) != 0)
        throw SystemFailure(errno, "the file cannot be made owner-only");
    if (st.st_uid != geteuid() || !Writable(path))
        return;
    for (const char* suffix : {"-wal", "-shm"}) {
        const std::string journal = path + suffix;
        struct stat js {};
        if (lstat(journal.c_str(), &js) == 0 && S_ISREG(js.st_mode) && js.st_uid == geteuid() &&
            (js.st_mode & 0600) != 0600) {
            chmod(journal.c_str(), 0600);
        }
    }
}

void Run(sqlite3* db, const std::string& sql) {
    if (const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr); rc != SQLITE_OK)
        throw FailureOf(db, rc);
}

Connection Connect(const std::string& name, int flags) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(name.c_str(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    Connection db(raw);
    if (rc != SQLITE_OK)
        throw FailureOf(raw, rc);
    sqlite3_extended_result_codes(raw, 1);
    sqlite3_busy_timeout(raw, kBusyTimeoutMs);
    return db;
}

// Every row of `sql`, its columns joined by spaces.
std::set<std::string> Rows(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    std::set<std::string> rows;
    while (rc == SQLITE_OK && (rc = sqlite3_step(raw)) == SQLITE_ROW) {
        rc = SQLITE_OK;
        std::string row;
        for (int i = 0; i < sqlite3_column_count(raw); ++i) {
            if (const unsigned char* text = sqlite3_column_text(raw, i); text && *text)
                row.append(row.empty() ? "" : " ").append(reinterpret_cast<const char*>(text));
        }
        rows.insert(row);
    }
    if (rc != SQLITE_DONE)
        throw FailureOf(db, rc);
    return rows;
}

std::string FirstText(sqlite3* db, const char* sql) {
    const std::set<std::string> rows = Rows(db, sql);
    return rows.empty() ? std::string() : *rows.begin();
}

// Why this program must not change the store, "" when it may.
std::string WhyUnknown(sqlite3* db, const std::string& schema) {
    const std::string version = FirstText(db, "PRAGMA user_version");
    long number = 0;
    std::from_chars(version.data(), version.data() + version.size(), number);
    if (number > kStoreVersion)
        return "it comes from a newer version of this program (store version " + version + ")";
    // Tables, views and triggers with their columns, as the schema makes them
    // and as the store has them.
    static constexpr char kShape[] =
        "SELECT m.type, m.name, ifnull(c.name, '') FROM sqlite_master m "
        "LEFT JOIN pragma_table_info(m.name) c "
        "WHERE m.type <> 'index' AND m.name NOT LIKE 'sqlite!_%' ESCAPE '!'";
    const Connection known = Connect(":memory:", SQLITE_OPEN_READWRITE);
    Run(known.get(), schema);
    const std::set<std::string> ours = Rows(known.get(), kShape);
    for (const std::string& part : Rows(db, kShape)) {
        if (!ours.count(part))
            return "it holds a part that this program does not know (" + part + ")";
    }
    return {};
}

void RunInTransaction(sqlite3* db, const char* begin, const std::string& schema) {
    Run(db, begin);
    try {
        // A new store takes this program's version. One made before stores
        // had a version keeps 0, as writing it would wait for other writers.
        const bool fresh = FirstText(db, "SELECT count(*) FROM sqlite_master") == "0";
        Run(db, schema);
        if (fresh)
            Run(db, "PRAGMA user_version=" + std::to_string(kStoreVersion));
        Run(db, "COMMIT");
    } catch (const OpenFailure&) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

// Readies a connection that may write: WAL mode, the schema.
void PrepareForWriting(sqlite3* db, const std::string& schema) {
    // Turning on WAL writes the file's header, so a file that comes in another
    // mode is checked whole first and left as it is when damaged. Files this
    // layer made are in WAL mode already and pay nothing.
    if (FirstText(db, "PRAGMA journal_mode") != "wal") {
        if (const std::string check = FirstText(db, "PRAGMA quick_check(1)"); check != "ok")
            throw OpenFailure{SQLITE_CORRUPT, 0, "database disk image is malformed: " + check};
        // WAL lets the browser write while we read.
        if (FirstText(db, "PRAGMA journal_mode=WAL") != "wal")
            throw OpenFailure{SQLITE_READONLY, 0, "its write-ahead log cannot be made"};
    }
    // NORMAL keeps each single-entry transaction cheap without risking
    // corruption in WAL mode.
    Run(db, "PRAGMA synchronous=NORMAL");
    // Deferred, the schema takes no write lock while its tables are there, so
    // opening goes on while another process writes. Only a first creation
    // that lost a race with another writer has to wait for the lock.
    try {
        RunInTransaction(db, "BEGIN", schema);
    } catch (const OpenFailure& failure) {
        if ((failure.sqliteCode & 0xff) != SQLITE_BUSY)
            throw;
        RunInTransaction(db, "BEGIN IMMEDIATE", schema);
    }
}

// Failures that leave the file possibly readable: the process may not write
// it, its journal files cannot be made, or the disk is full.
bool MayReadInstead(const OpenFailure& failure) {
    const int primary = failure.sqliteCode & 0xff;
    return primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN || primary == SQLITE_PERM ||
           primary == SQLITE_IOERR || primary == SQLITE_FULL;
}

// Why a store that can be read cannot be written, as far as the file system
// tells.
std::string WhyNotWritable(const std::string& path, const OpenFailure& failure) {
    const std::string directory = path.substr(0, path.rfind('/'));
    if (!Writable(directory))
        return "its directory cannot be written (" + std::string(std::strerror(errno)) + ")";
    if (!Writable(path))
        return "the file cannot be written (" + std::string(std::strerror(errno)) + ")";
    return "it cannot be written (" + failure.cause + ")";
}

// The store read as a file that nothing changes: no locks, no journal.
std::string ImmutableUri(const std::string& path) {
    std::string uri = "file:";
    for (const char c : path)
        uri += c == '%' ? "%25" : c == '?' ? "%3F" : c == '#' ? "%23" : std::string(1, c);
    return uri + "?immutable=1";
}

// A connection that only reads. A read takes the store's journal files, and
// making them, or undoing a change that a writer left unfinished in them,
// needs write access: without it the store is not read, lest the read show
// what was never committed. A store in WAL mode needs its index file even
// with nothing in its log: when the directory cannot take one and no journal
// lies beside the store, no writer can change it, so the file alone is read
// as it is.
Connection ConnectForReading(const std::string& path, const OpenFailure& writeFailure) {
    try {
        Connection db = Connect(path, SQLITE_OPEN_READONLY);
        FirstText(db.get(), "SELECT count(*) FROM sqlite_master");
        return db;
    } catch (const OpenFailure& failure) {
        if ((failure.sqliteCode & 0xff) != SQLITE_READONLY)
            throw writeFailure;
        const std::string why = WhyNotWritable(path, failure);
        if (failure.sqliteCode == SQLITE_READONLY_DIRECTORY && !Present(path + "-wal") &&
            !Present(path + "-journal")) {
            Connection db = Connect(ImmutableUri(path), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
            FirstText(db.get(), "SELECT count(*) FROM sqlite_master");
            return db;
        }
        throw OpenFailure{
            failure.sqliteCode, failure.systemError,
            "a consistent read needs write access (" + failure.cause + "), and " + why};
    }
}

}  // namespace

std::unique_ptr<Database> Database::Open(std::string_view storeName, std::string_view fileName,
                                         std::string_view schema) {
    const std::string directory = DataDirectory();
    const std::string path = directory + "/" + std::string(fileName);
    try {
        if (!MakeDirectories(directory))
            throw SystemFailure(errno, "its directory cannot be created");
        if (!Present(path) && !Writable(directory))
            throw SystemFailure(errno, "the file cannot be created");
        std::string refusal;
        Connection db;
        try {
            db = Connect(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            MakeOwnerOnly(path);
            if (sqlite3_db_readonly(db.get(), "main") == 1)
                throw OpenFailure{SQLITE_READONLY, EACCES, "attempt to write a readonly database"};
            refusal = WhyUnknown(db.get(), std::string(schema));
            if (refusal.empty())
                PrepareForWriting(db.get(), std::string(schema));
        } catch (const OpenFailure& failure) {
            if (!MayReadInstead(failure))
                throw;
            db.reset();
            db = ConnectForReading(path, failure);
            refusal = "it is open for reading only, as " + WhyNotWritable(path, failure);
        }
        std::unique_ptr<Database> opened(new Database(db.get(), path, storeName, refusal));
        db.release();  // the Database owns it now
        return opened;
    } catch (const OpenFailure& failure) {
        throw StoreError{ErrorCodeFor(failure.sqliteCode, failure.systemError),
                         StoreMessage(storeName, path, "opened", failure.cause)};
    }
}

std::unique_ptr<Database> Database::OpenAsItIs(const std::string& path, std::string_view who,
                                               bool unchanging, const std::string& shownPath) {
    const std::string& shown = shownPath.empty() ? path : shownPath;
    try {
        Connection db = unchanging
                            ? Connect(ImmutableUri(path), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI)
                            : Connect(path, SQLITE_OPEN_READWRITE);
        std::unique_ptr<Database> opened(new Database(db.get(), shown, who, ""));
        db.release();  // the Database owns it now
        opened->asItIs_ = true;
        return opened;
    } catch (const OpenFailure& failure) {
        throw StoreError{ErrorCodeFor(failure.sqliteCode, failure.systemError),
                         AsItIsMessage(who, shown, "opened", failure.cause)};
    }
}

std::optional<bool> Database::LockedAgainstReaders(const std::string& path) {
    // Opening anything else (a FIFO) could wait for ever.
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? std::optional<bool>(false) : std::nullopt;
    if (!S_ISREG(st.st_mode))
        return std::nullopt;
    try {
        Connection db = Connect(path, SQLITE_OPEN_READONLY);
        sqlite3_busy_timeout(db.get(), 0);
        FirstText(db.get(), "SELECT count(*) FROM sqlite_master");
        return false;
    } catch (const OpenFailure& failure) {
        if ((failure.sqliteCode & 0xff) == SQLITE_BUSY)
            return true;
        return std::nullopt;
    }
}

}  // namespace store
