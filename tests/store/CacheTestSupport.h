// Writing URL cache entries and walking them with the two-call protocol, as
// the window does, for the store tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/wininet.h"

struct WalkedEntry {
    std::string url;
    DWORD type = 0;
    DWORD hits = 0;
    std::uint64_t modified = 0;
    std::uint64_t expires = 0;
    std::optional<std::string> localFile;
    std::optional<std::string> header;
    std::optional<std::string> extension;
};

// A buffer of exactly the size the cache asked for, so that the sanitizer
// sees any write past it.
class EntryBuffer {
public:
    explicit EntryBuffer(DWORD size) : size_(size), bytes_(new char[size]) {}
    LPINTERNET_CACHE_ENTRY_INFOA Record() const {
        return reinterpret_cast<LPINTERNET_CACHE_ENTRY_INFOA>(bytes_.get());
    }
    DWORD Size() const { return size_; }
    bool Holds(const char* text, std::size_t length) const {
        return text >= bytes_.get() && text + length < bytes_.get() + size_;
    }

private:
    DWORD size_;
    std::unique_ptr<char[]> bytes_;
};

inline void AddEntry(const std::string& url, DWORD type = NORMAL_CACHE_ENTRY,
                     std::uint64_t modified = 0, std::uint64_t expires = 0) {
    CACHE_ENTRY_VALUES values;
    values.CacheEntryType = type;
    values.LastModifiedTime = QuadToFileTime(modified);
    values.ExpireTime = QuadToFileTime(expires);
    ASSERT_TRUE(CommitUrlCacheEntryValues(url.c_str(), &values)) << GetLastError();
}

// Checks the record the cache filled in and copies it out.
inline WalkedEntry Unpack(const EntryBuffer& buffer) {
    const INTERNET_CACHE_ENTRY_INFOA& record = *buffer.Record();
    EXPECT_EQ(record.dwStructSize, sizeof(INTERNET_CACHE_ENTRY_INFOA));
    WalkedEntry entry;
    auto text = [&](const char* at) -> std::optional<std::string> {
        if (!at)
            return std::nullopt;
        const std::string copy(at);
        EXPECT_TRUE(buffer.Holds(at, copy.size())) << "text outside the entry buffer";
        return copy;
    };
    entry.url = text(record.lpszSourceUrlName).value_or("<null>");
    entry.type = record.CacheEntryType;
    entry.hits = record.dwHitRate;
    entry.modified = FileTimeToQuad(record.LastModifiedTime);
    entry.expires = FileTimeToQuad(record.ExpireTime);
    entry.localFile = text(record.lpszLocalFileName);
    if (record.lpHeaderInfo) {
        EXPECT_TRUE(buffer.Holds(record.lpHeaderInfo, record.dwHeaderInfoSize));
        entry.header = std::string(record.lpHeaderInfo, record.dwHeaderInfoSize);
    }
    entry.extension = text(record.lpszFileExtension);
    return entry;
}

// FindFirst with a sizing call first; nullopt (and no handle) when the
// sizing call did not ask for a buffer.
inline std::optional<WalkedEntry> FindFirst(HANDLE& walk, LPCSTR pattern = nullptr) {
    DWORD size = 0;
    walk = FindFirstUrlCacheEntryA(pattern, nullptr, &size);
    EXPECT_EQ(walk, nullptr);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return std::nullopt;
    EntryBuffer buffer(size);
    walk = FindFirstUrlCacheEntryA(pattern, buffer.Record(), &size);
    EXPECT_NE(walk, nullptr) << GetLastError();
    if (!walk)
        return std::nullopt;
    return Unpack(buffer);
}

inline std::optional<WalkedEntry> FindNext(HANDLE walk) {
    DWORD size = 0;
    EXPECT_FALSE(FindNextUrlCacheEntryA(walk, nullptr, &size));
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return std::nullopt;
    EntryBuffer buffer(size);
    EXPECT_TRUE(FindNextUrlCacheEntryA(walk, buffer.Record(), &size)) << GetLastError();
    return Unpack(buffer);
}

// The whole walk; the walk must end with ERROR_NO_MORE_ITEMS.
inline std::vector<WalkedEntry> WalkAll(LPCSTR pattern = nullptr) {
    std::vector<WalkedEntry> entries;
    HANDLE walk = nullptr;
    auto entry = FindFirst(walk, pattern);
    if (!entry) {
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
        return entries;
    }
    for (; entry; entry = FindNext(walk))
        entries.push_back(*entry);
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_TRUE(FindCloseUrlCache(walk));
    return entries;
}

inline std::vector<std::string> WalkUrls(LPCSTR pattern = nullptr) {
    std::vector<std::string> urls;
    for (const WalkedEntry& entry : WalkAll(pattern))
        urls.push_back(entry.url);
    return urls;
}
