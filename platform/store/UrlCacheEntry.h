// One URL cache entry as the store keeps it, and its record in the caller's
// INTERNET_CACHE_ENTRY_INFOA buffer.
//
// The store keeps an entry's address, type and hit rate in columns of their
// own, as they are searched and changed alone, and its other values packed
// into one blob, the form the stores already written hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/urlcache.h"

namespace store {

// The values of an entry other than its address, type and hit rate, packed.
// `headerSize` is the number of bytes of the header info.
std::string PackEntryValues(const CACHE_ENTRY_VALUES& values, std::size_t headerSize);

// An entry as a row of the store hands it over; the texts are the row's and
// last as long as the statement stands on it.
struct EntryColumns {
    std::int64_t id = 0;  // the entry's place in the walk order
    std::string_view url;
    DWORD type = 0;
    DWORD hitRate = 0;
    std::string_view packed;       // the other values, intact (EntryRecordSize)
    std::uint64_t recordSize = 0;  // EntryRecordSize, taken once for both calls
};

// Bytes the entry's record and its texts take together; 0 when `packed` is
// not what PackEntryValues makes: a store file damaged in a way SQLite cannot
// see must not send a walk reading past the blob.
std::uint64_t EntryRecordSize(const EntryColumns& entry);

// Writes the entry's record followed by its texts into `buffer`, which holds
// at least EntryRecordSize(entry) bytes, and points the record at the texts.
void FillEntryRecord(const EntryColumns& entry, void* buffer);

}  // namespace store
