// Opening a store file: created owner-only on first use, in WAL mode with a
// busy timeout; opened for reading only when this process may read the file
// but not write beside it; never written to while it is not a whole database.
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "store/Database.h"

namespace store {
namespace {

// How long a call waits for another process that holds the store.
constexpr int kBusyTimeoutMs = 2000;

// The most a connection keeps of its store in memory, in KiB. The window reads
// every entry of the URL cache at each refresh and after each deletion; a
// cache that holds a store of 100,000 entries (some 25 MiB) serves those
// walks without asking the system for a page again. Pages are kept only as
// they are read, so a small store takes little.
constexpr int kPageCacheKiB = 32 * 1024;

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

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return ".";
}

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

// SQLite's lock bytes in a database file: taken together for writing they
// are its exclusive lock, which keeps every other connection out.
constexpr off_t kSqliteLockStart = 0x40000000;
constexpr off_t kSqliteLockLength = 512;

// Creates the store file unless it is there, so that it is owner-only from
// the start (SQLite gives its journal files the same permissions). Journal
// files left beside a missing store belong to a database that is gone: the
// new store must not take them for its own, nor share their locks with a
// connection still open on the old file. They go under SQLite's exclusive
// lock on the new file, so no other process can be taking them up meanwhile.
// Returns the error that kept the file from being made, 0 when it is there.
int CreateIfMissing(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno == EEXIST ? 0 : errno;
    struct flock exclusive {};
    exclusive.l_type = F_WRLCK;
    exclusive.l_whence = SEEK_SET;
    exclusive.l_start = kSqliteLockStart;
    exclusive.l_len = kSqliteLockLength;
    if (fcntl(fd, F_SETLK, &exclusive) == 0) {
        unlink((path + "-wal").c_str());
        unlink((path + "-shm").c_str());
    }
    ::close(fd);  // and with it the lock
    return 0;
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
    Run(raw, "PRAGMA cache_size=-" + std::to_string(kPageCacheKiB));
    return db;
}

std::string FirstText(sqlite3* db, const char* sql) {
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(raw);
    if (rc == SQLITE_ROW) {
        const unsigned char* text = sqlite3_column_text(raw, 0);
        return text ? reinterpret_cast<const char*>(text) : "";
    }
    if (rc != SQLITE_DONE)
        throw FailureOf(db, rc);
    return {};
}

void RunInTransaction(sqlite3* db, const char* begin, const std::string& schema) {
    Run(db, begin);
    try {
        Run(db, schema);
        Run(db, "COMMIT");
    } catch (const OpenFailure&) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

// Readies a connection that may write: WAL mode, the schema.
void PrepareForWriting(sqlite3* db, const std::string& schema) {
    if (sqlite3_db_readonly(db, "main") == 1)
        throw OpenFailure{SQLITE_READONLY, EACCES, "attempt to write a readonly database"};
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
    // Deleting thousands of entries, one transaction each, writes two or
    // three log pages per entry, and copying the log back into the file costs
    // two disk syncs each time. Every 10000 pages (a log of up to 40 MiB,
    // gone when the store is closed) rather than SQLite's 1000 makes that a
    // tenth as often, while pages are still quick to look up in the log.
    Run(db, "PRAGMA wal_autocheckpoint=10000");
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
    switch (failure.sqliteCode & 0xff) {
        case SQLITE_READONLY:
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
        case SQLITE_IOERR:
        case SQLITE_FULL:
            return true;
        default:
            return false;
    }
}

// Why a store that can be read cannot be written, as far as the file system
// tells.
std::string WhyNotWritable(const std::string& path, const OpenFailure& failure) {
    const std::string directory = path.substr(0, path.rfind('/'));
    if (faccessat(AT_FDCWD, directory.c_str(), W_OK, AT_EACCESS) != 0)
        return "its directory cannot be written (" + std::string(std::strerror(errno)) + ")";
    if (faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return "the file cannot be written (" + std::string(std::strerror(errno)) + ")";
    return "it cannot be written (" + failure.cause + ")";
}

std::string ImmutableUri(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const unsigned char c : path) {
        if (std::isalnum(c) || std::strchr("/-._~", c)) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 15];
        }
    }
    return uri + "?immutable=1";
}

// A connection that only reads, or none. Reading a WAL store takes its -shm
// file; where that can be neither opened nor made, the file is read as
// immutable: what another process writes meanwhile may not show, but nothing
// here writes to it.
Connection ConnectForReading(const std::string& path) {
    const std::pair<std::string, int> ways[] = {
        {path, SQLITE_OPEN_READONLY},
        {ImmutableUri(path), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI},
    };
    for (const auto& [name, flags] : ways) {
        try {
            Connection db = Connect(name, flags);
            FirstText(db.get(), "SELECT count(*) FROM sqlite_master");
            return db;
        } catch (const OpenFailure&) {
        }
    }
    return nullptr;
}

}  // namespace

std::string DataDirectory() {
    // XDG: a relative XDG_DATA_HOME is invalid and ignored.
    const char* xdg = std::getenv("XDG_DATA_HOME");
    std::string base = (xdg && xdg[0] == '/') ? xdg : HomeDirectory() + "/.local/share";
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/orvalla";
}

std::unique_ptr<Database> Database::Open(std::string_view storeName, std::string_view fileName,
                                         std::string_view schema) {
    const std::string directory = DataDirectory();
    const std::string path = directory + "/" + std::string(fileName);
    try {
        if (!MakeDirectories(directory))
            throw SystemFailure(errno, "its directory cannot be created");
        if (const int error = CreateIfMissing(path))
            throw SystemFailure(error, "the file cannot be created");
        try {
            Connection db = Connect(path, SQLITE_OPEN_READWRITE);
            PrepareForWriting(db.get(), std::string(schema));
            std::unique_ptr<Database> writer(new Database(db.get(), path, std::string(storeName)));
            db.release();  // the Database owns it now
            return writer;
        } catch (const OpenFailure& failure) {
            if (!MayReadInstead(failure))
                throw;
            Connection db = ConnectForReading(path);
            if (!db)
                throw;
            std::unique_ptr<Database> reader(new Database(db.get(), path, std::string(storeName)));
            db.release();
            reader->readOnlyCause_ = WhyNotWritable(path, failure);
            return reader;
        }
    } catch (const OpenFailure& failure) {
        throw StoreError{ErrorCodeFor(failure.sqliteCode, failure.systemError),
                         StoreMessage(storeName, path, "opened", failure.cause)};
    }
}

}  // namespace store
