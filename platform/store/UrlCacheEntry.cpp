#include "store/UrlCacheEntry.h"

#include <cstring>
#include <string_view>

namespace store {
namespace {

std::uint64_t TextSize(const std::optional<std::string>& text) {
    return text ? text->size() + 1 : 0;
}

}  // namespace

std::uint64_t EntryRecordSize(const CacheEntry& entry) {
    return sizeof(INTERNET_CACHE_ENTRY_INFOA) + entry.url.size() + 1 +
           TextSize(entry.localFileName) + TextSize(entry.headerInfo) +
           TextSize(entry.fileExtension);
}

void FillEntryRecord(const CacheEntry& entry, void* buffer) {
    char* const base = static_cast<char*>(buffer);
    char* next = base + sizeof(INTERNET_CACHE_ENTRY_INFOA);
    auto place = [&next](std::string_view text) {
        char* const at = next;
        std::memcpy(at, text.data(), text.size());
        at[text.size()] = '\0';
        next += text.size() + 1;
        return at;
    };
    auto placeOptional = [&place](const std::optional<std::string>& text) {
        return text ? place(*text) : nullptr;
    };

    INTERNET_CACHE_ENTRY_INFOA info{};
    info.dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOA);
    info.lpszSourceUrlName = place(entry.url);
    info.lpszLocalFileName = placeOptional(entry.localFileName);
    info.CacheEntryType = entry.type;
    info.dwUseCount = entry.useCount;
    info.dwHitRate = entry.hitRate;
    info.dwSizeLow = entry.sizeLow;
    info.dwSizeHigh = entry.sizeHigh;
    info.LastModifiedTime = entry.lastModified;
    info.ExpireTime = entry.expires;
    info.LastAccessTime = entry.lastAccess;
    info.LastSyncTime = entry.lastSync;
    info.lpHeaderInfo = placeOptional(entry.headerInfo);
    info.dwHeaderInfoSize = entry.headerInfo ? static_cast<DWORD>(entry.headerInfo->size()) : 0;
    info.lpszFileExtension = placeOptional(entry.fileExtension);
    // Copied in bytewise: the buffer is raw memory from the caller.
    std::memcpy(base, &info, sizeof info);
}

}  // namespace store
