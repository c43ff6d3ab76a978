// One URL cache entry as read from the store, and its packing into the
// caller's INTERNET_CACHE_ENTRY_INFOA buffer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/wininet.h"

namespace store {

struct CacheEntry {
    std::int64_t id = 0;  // the entry's place in the walk order
    std::string url;      // the exact bytes the entry was committed with
    DWORD type = NORMAL_CACHE_ENTRY;
    DWORD useCount = 0;
    DWORD hitRate = 0;
    DWORD sizeLow = 0;
    DWORD sizeHigh = 0;
    FILETIME lastModified{};
    FILETIME expires{};
    FILETIME lastAccess{};
    FILETIME lastSync{};
    std::optional<std::string> localFileName;
    std::optional<std::string> headerInfo;
    std::optional<std::string> fileExtension;
};

// Bytes the record and its texts take together. 64-bit so that an entry too
// large for a DWORD size can be told apart.
std::uint64_t EntryRecordSize(const CacheEntry& entry);

// Writes the record followed by its zero-terminated texts into `buffer`,
// which holds at least EntryRecordSize(entry) bytes. Absent texts get null
// pointers; the source address is always there.
void FillEntryRecord(const CacheEntry& entry, void* buffer);

}  // namespace store
