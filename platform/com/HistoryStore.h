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
using ChangeStamp = std::pair<std::int64_t, std::uint64_t>;

// Every call throws store::StoreError when the store fails. Changes are each
// one transaction.
class HistoryStore {
public:
    // Opens (creating on first use) history.sqlite in the data directory.
    static std::shared_ptr<HistoryStore> Open();

    explicit HistoryStore(std::unique_ptr<store::Database> db) : db_(std::move(db)) {}

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

    ChangeStamp Stamp();

private:
    std::unique_ptr<store::Database> db_;
    std::uint64_t ownChanges_ = 0;  // commits through this connection
};

// The current time as a FILETIME quad.
std::uint64_t NowAsFileTime();

}  // namespace com
