// The SQLite file behind the URL history object, in the terms of the store:
// UTF-8 texts and FILETIME quads.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/windef.h"
#include "store/Database.h"

namespace store {

struct HistoryRow {
    std::int64_t id = 0;  // grows with the order entries were first added
    std::string url;
    std::optional<std::string> title;
    std::uint64_t lastVisited = 0;
    std::uint64_t lastUpdated = 0;
    std::uint64_t expires = 0;
    DWORD flags = 0;
};

// Every call throws StoreError when the store fails. Changes are each
// one transaction. The store follows its file: when the file at its path is
// no longer the one it had open (deleted, or replaced by another process),
// the next change or new listing query opens the file now there, creating it
// if need be, so that a change never lands in a file that is gone.
class HistoryStore {
public:
    // Opens (creating on first use) history.sqlite in the data directory.
    static std::shared_ptr<HistoryStore> Open();

    explicit HistoryStore(std::unique_ptr<Database> db);

    // Adds the rows or replaces every value of those already there.
    void Put(const std::vector<HistoryRow>& rows);
    void Clear();
    // Deletes the entries with these addresses, all or none; sets `found`
    // (one for each address) for those that were there.
    void Delete(const std::vector<std::string>& urls, std::vector<bool>& found);

    // Reads into `row` the first entry after entry `afterId` whose address
    // begins with `prefix` byte for byte; false at the end. One query runs
    // from call to call while the calls go on from the entry it gave last; any
    // other place, a change through this store or EndListing starts a new one.
    bool NextAfter(std::int64_t afterId, std::string_view prefix, HistoryRow& row);
    // Ends the running query, and with it the read transaction it holds.
    void EndListing() { query_.reset(); }

    // How many times the store has followed its file to another one. Readers
    // that keep a place by entry id compare it, since ids of another file
    // mean nothing.
    std::uint64_t FilesFollowed() const { return files_; }
    // The store's path, for messages.
    const std::string& Path() const { return path_; }

private:
    // The connection, reopened first as the class comment says; for a change
    // also when the store could be opened for reading only before (it may be
    // writable by now). Ends the running query.
    Database& Current(bool forChange = false);

    std::unique_ptr<Database> db_;  // none after a reopening failed
    // Declared after the connection, so that it is finalized first.
    std::unique_ptr<Statement> query_;
    std::int64_t queryPlace_ = 0;  // the entry the query gave last
    std::string queryPrefix_;
    std::string path_;
    std::uint64_t files_ = 0;
};

}  // namespace store
