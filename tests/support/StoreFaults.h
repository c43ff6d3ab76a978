// Faults a store can meet, made real for the tests: a directory that may not
// be written, a disk that takes no more bytes, a file copied, cut or damaged
// on purpose, and another program's SQL.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// Drops, for the calling thread, the capabilities that let root pass over
// file permissions (capabilities are per thread on Linux), so that the
// permissions count as they do for any user; they come back at the end.
class UserPermissions {
public:
    UserPermissions();
    ~UserPermissions();
    UserPermissions(const UserPermissions&) = delete;
    UserPermissions& operator=(const UserPermissions&) = delete;

private:
    unsigned effective_[2] = {};
};

// Gives a file or directory other permission bits while it lives.
class ScopedMode {
public:
    ScopedMode(std::string path, unsigned mode);
    ~ScopedMode();
    ScopedMode(const ScopedMode&) = delete;
    ScopedMode& operator=(const ScopedMode&) = delete;

private:
    std::string path_;
    unsigned previous_ = 0;
};

// Lets no write take a file of this process to `bytes` or beyond: the kernel
// refuses it as a full disk refuses to allocate. The SIGXFSZ that comes with
// such a refusal is ignored meanwhile (a full disk sends none).
class FileSizeLimit {
public:
    explicit FileSizeLimit(off_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    unsigned long long previous_ = 0;
    void (*previousHandler_)(int) = nullptr;
};

// The size of a file, or -1 when it is not there.
off_t FileSize(const std::string& path);

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

// The rows of a table that lay on a page, by their place in key order.
struct RowRange {
    int first = 0;
    int count = 0;
};

// Overwrites, with a fixed pattern, the middle leaf page (in key order) of
// `table` in the SQLite file at `path`, which no connection may have open;
// every other page stays good. Returns the rows that page held.
RowRange DamageMiddlePageOf(const std::string& path, const std::string& table);

// `count` cookie addresses long enough that their entries fill a good number
// of pages.
std::vector<std::string> CookieAddresses(int count);

// Removes a store file with its WAL files, as a browser starting afresh does.
void RemoveStoreFiles(const std::string& path);

// Runs SQL on a connection of its own, as another program would, and
// returns the first value it gave that is not empty.
std::string Elsewhere(const std::string& path, const std::string& sql);
