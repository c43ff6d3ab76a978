// What the URL cache should hold, kept beside the real store by the walk
// fuzzer: the entries in walk order with the values they were committed with.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/wininet.h"

struct ModelEntry {
    std::uint64_t order = 0;  // place in the walk: the order entries were first added
    std::string url;
    DWORD type = NORMAL_CACHE_ENTRY;
    DWORD hitRate = 0;
    FILETIME lastModified{};
    FILETIME expires{};
    std::optional<std::string> localFile;
    std::optional<std::string> header;  // may hold zero bytes
    std::optional<std::string> extension;

    // The least a record with its texts can take: the record, then every
    // text with its terminator.
    std::uint64_t LeastRecordSize() const {
        auto text = [](const std::optional<std::string>& t) { return t ? t->size() + 1 : 0; };
        return sizeof(INTERNET_CACHE_ENTRY_INFOA) + url.size() + 1 + text(localFile) +
               text(header) + text(extension);
    }
};

class CacheModel {
public:
    // A new address goes to the end of the walk; a known one keeps its place
    // and its hit rate and takes the other values.
    void Commit(ModelEntry entry) {
        if (ModelEntry* known = Find(entry.url)) {
            entry.order = known->order;
            entry.hitRate = known->hitRate;
            *known = std::move(entry);
            return;
        }
        entry.order = nextOrder_++;
        entry.hitRate = 0;
        entries_.push_back(std::move(entry));
    }

    bool Delete(const std::string& url) {
        const auto found = std::find_if(entries_.begin(), entries_.end(),
                                        [&](const ModelEntry& e) { return e.url == url; });
        if (found == entries_.end())
            return false;
        entries_.erase(found);
        return true;
    }

    ModelEntry* Find(const std::string& url) {
        const auto found = std::find_if(entries_.begin(), entries_.end(),
                                        [&](const ModelEntry& e) { return e.url == url; });
        return found == entries_.end() ? nullptr : &*found;
    }

    // The entry a walk that has passed `order` yields next, or nullptr.
    const ModelEntry* NextAfter(std::uint64_t order) const {
        for (const ModelEntry& entry : entries_)
            if (entry.order > order)
                return &entry;
        return nullptr;
    }

    const std::vector<ModelEntry>& Entries() const { return entries_; }
    // Forgets the entries, not the order: the store never hands a place out twice.
    void Clear() { entries_.clear(); }

private:
    std::vector<ModelEntry> entries_;  // in walk order
    std::uint64_t nextOrder_ = 1;
};
