// The SQLite file behind the URL history object, in the terms of the store:
// UTF-8 texts and FILETIME quads.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/windef.h"
#include "store/ChangeWatch.h"
#include "store/Database.h"

namespace com {

struct HistoryRow {
    std::int64_t id = 0;  // grows with the order entries were first added
    std::string url;
    std::optional<std::string> title;
    std::uint64_t lastVisited = 0;
    std::uint64_t lastUpdated = 0;
    std::uint64_t expires = 0;
    DWORD flags = 0;
};

struct HistoryFilter {
    std::string prefix;       // "" for every address
    DWORD requiredFlags = 0;  // entries must have all of these
};

// Equal stamps mean no change committed in between, by anyone.
struct ChangeStamp {
    std::uint64_t connection = 0;  // which of the store's connections it was taken on
    // None when the store's changes could not be watched: such a stamp
    // equals no other.
    std::optional<store::ChangeWatch::Mark> mark;

    friend bool operator==(const ChangeStamp& a, const ChangeStamp& b) {
        return a.mark && b.mark && a.connection == b.connection && *a.mark == *b.mark;
    }
};

// Every call throws store::StoreError when the store fails. Changes are each
// one transaction. The store follows its file: when the file at its path is
// no longer the one it had open (deleted, or replaced by another process),
// the next call opens the file now there, creating it if need be, so that a
// change never lands in a file that is gone.
class HistoryStore {
public:
    // Opens (creating on first use) history.sqlite in the data directory.
    static std::shared_ptr<HistoryStore> Open();

    explicit HistoryStore(std::unique_ptr<store::Database> db);

    // A visit at `now`: see IUrlHistoryStg::AddUrl.
    void Visit(std::string_view url, const std::optional<std::string>& title, std::uint64_t now);
    // Adds the rows or replaces every value of those already there.
    void Put(const std::vector<HistoryRow>& rows);
    // False when the address is not there.
    bool Remove(std::string_view url);
    std::optional<HistoryRow> Find(std::string_view url);
    void Clear();

    // Up to `limit` rows after entry `afterId` that pass the filter, in order.
    std::vector<HistoryRow> Fetch(std::int64_t afterId, const HistoryFilter& filter, int limit);

    // Cheap: neither reads the store nor looks at the file (Follow does).
    ChangeStamp Stamp() const;

    // Opens the store afresh if its file was deleted or replaced, and returns
    // how many times that has happened to this store. Readers that keep a
    // place by entry id compare it, since ids of another file mean nothing.
    std::uint64_t Follow();
    // The store's path, for messages.
    const std::string& Path() const { return path_; }

private:
    // The connection, reopened first as Follow says; for a change also when
    // the store could be opened for reading only before (it may be writable
    // by now).
    store::Database& Current(bool forChange = false);

    // Takes the connection, with a watch on its changes.
    void Connect(std::unique_ptr<store::Database> db);

    std::unique_ptr<store::Database> db_;  // none after a reopening failed
    std::unique_ptr<store::ChangeWatch> watch_;
    std::uint64_t connections_ = 0;
    std::string path_;
    std::uint64_t files_ = 0;  // files followed to after the first
};

// The current time as a FILETIME quad.
std::uint64_t NowAsFileTime();

}  // namespace com
