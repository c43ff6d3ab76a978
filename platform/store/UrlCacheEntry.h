// One URL cache entry as read from the store, and its packing into the
// caller's INTERNET_CACHE_ENTRY_INFOA buffer.
//
// The store keeps an entry's address, type and hit rate in columns of their
// own, as they are searched and changed alone, and its other values packed
// into one blob. A walk reads every value of every entry in the cache, and
// SQLite hands over one blob for a fraction of what a dozen columns cost.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/wininet.h"

namespace store {

// An entry as the walk hands it out: the image of its record followed by its
// texts, made once when the entry is read, so that filling the caller's
// buffer is one copy.
struct CacheEntry {
    std::int64_t id = 0;  // the entry's place in the walk order
    // INTERNET_CACHE_ENTRY_INFOA with null text pointers, then the texts,
    // each zero-terminated; textAt holds where each text starts (source
    // address, local file name, header info, file extension), 0 for a text
    // the entry lacks.
    std::string record;
    std::array<std::uint32_t, 4> textAt{};
};

// The values of an entry other than its address, type and hit rate, packed.
// `headerSize` is the number of bytes of the header info.
std::string PackEntryValues(const CACHE_ENTRY_VALUES& values, std::size_t headerSize);

// Whether `packed` is what PackEntryValues makes: a store file damaged in a
// way SQLite cannot see must not send a walk reading past the blob.
bool EntryValuesIntact(std::string_view packed);

// Makes `entry` the entry with these columns; `packed` is intact. Reuses the
// entry's buffer.
void SetCacheEntry(CacheEntry& entry, std::int64_t id, std::string_view url, DWORD type,
                   DWORD hitRate, std::string_view packed);

// Bytes the record and its texts take together.
inline std::uint64_t EntryRecordSize(const CacheEntry& entry) {
    return entry.record.size();
}

// Writes the record followed by its texts into `buffer`, which holds at
// least EntryRecordSize(entry) bytes, and points the record at the texts.
void FillEntryRecord(const CacheEntry& entry, void* buffer);

}  // namespace store
