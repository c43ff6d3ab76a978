// One URL cache entry as read from the store, and its packing into the
// caller's INTERNET_CACHE_ENTRY_INFOA buffer.
//
// The store keeps an entry's address, type and hit rate in columns of their
// own, as they are searched and changed alone, and its other values packed
// into one blob. A walk reads every value of every entry in the cache, and
// SQLite hands over one blob for a fraction of what a dozen columns cost.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/wininet.h"

namespace store {

// The values of an entry other than its address, type and hit rate, packed.
// `headerSize` is the number of bytes of the header info.
std::string PackEntryValues(const CACHE_ENTRY_VALUES& values, std::size_t headerSize);

// Whether `packed` is what PackEntryValues makes: a store file damaged in a
// way SQLite cannot see must not send a walk reading past the blob.
bool EntryValuesIntact(std::string_view packed);

// Entries read by one query, each kept as the image of its record followed
// by its texts, so that filling the caller's buffer is one copy. The images
// lie one after another in one buffer, reused from run to run: written and
// then read in order, they stay in the processor's caches wherever the heap
// would have put entries of their own.
class EntryRun {
public:
    void Clear();
    // Appends the entry with these columns; `packed` is intact.
    void Add(std::int64_t id, std::string_view url, DWORD type, DWORD hitRate,
             std::string_view packed);

    std::size_t Count() const { return entries_.size(); }
    // The entry's place in the walk order.
    std::int64_t Id(std::size_t index) const { return entries_[index].id; }
    // Bytes the record and its texts take together.
    std::uint64_t RecordSize(std::size_t index) const { return entries_[index].size; }
    // Writes the record followed by its texts into `buffer`, which holds at
    // least RecordSize(index) bytes, and points the record at the texts.
    void FillRecord(std::size_t index, void* buffer) const;

private:
    struct Entry {
        std::int64_t id = 0;
        std::size_t at = 0;  // where the image starts in bytes_
        std::size_t size = 0;
        // Where each text starts within the image (source address, local
        // file name, header info, file extension), 0 for a text it lacks.
        std::array<std::uint32_t, 4> textAt{};
    };
    char* Reserve(std::size_t size);

    std::vector<Entry> entries_;
    std::unique_ptr<char[]> bytes_;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
};

}  // namespace store
