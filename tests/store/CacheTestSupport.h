// Writing URL cache entries and walking them with the two-call protocol, as
// the window does, for the store tests.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "CacheWalk.h"
#include "StoreFaults.h"
#include "TempDataDir.h"
#include "platform/sysutils.h"
#include "platform/wininet.h"

using Urls = std::vector<std::string>;

// An empty data directory for each test, and the store file it will hold.
class CacheStoreTest : public ::testing::Test {
protected:
    std::string StorePath() const { return dataDir.StoreDir() + "/urlcache.sqlite"; }
    std::string StoreNamed() const { return "The URL cache store \"" + StorePath() + "\""; }

    TempDataDir dataDir;
};

inline unsigned ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

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

// One step of a walk, FindFirst while `walk` is null; nullopt when the sizing
// call asked for no buffer.
inline std::optional<WalkedEntry> Step(HANDLE& walk) {
    DWORD size = 0;
    EXPECT_FALSE(WalkCall(walk, nullptr, size));
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return std::nullopt;
    EntryBuffer buffer(size);
    if (!WalkCall(walk, buffer.Record(), size)) {
        ADD_FAILURE() << "the size asked for was refused: " << GetLastError();
        return std::nullopt;
    }
    return Unpack(buffer);
}

inline std::optional<WalkedEntry> FindFirst(HANDLE& walk) {
    walk = nullptr;
    return Step(walk);
}

inline std::optional<WalkedEntry> FindNext(HANDLE walk) {
    EXPECT_NE(walk, nullptr) << "a step of no walk starts one";
    return Step(walk);
}

// The whole walk; it must end with ERROR_NO_MORE_ITEMS, every entry filled.
inline std::vector<WalkedEntry> WalkAll() {
    std::vector<WalkedEntry> entries;
    const WalkOutcome walked =
        WalkCache([&](const EntryBuffer& entry) { entries.push_back(Unpack(entry)); });
    EXPECT_EQ(walked.end, ERROR_NO_MORE_ITEMS) << walked.detail;
    EXPECT_EQ(walked.refused, 0);
    EXPECT_TRUE(walked.closed);
    return entries;
}

inline Urls WalkUrls() {
    Urls urls;
    for (const WalkedEntry& entry : WalkAll())
        urls.push_back(entry.url);
    return urls;
}

// What a walk as the window makes it gave, and the status it ended with; a
// filling call that fails leaves its entry out.
struct WalkResult {
    Urls urls;
    DWORD end = ERROR_SUCCESS;
    std::string detail;
};

// `between` runs after each entry, with the walk still open.
inline WalkResult Walk(const std::function<void(const std::string&)>& between = {}) {
    WalkResult result;
    const WalkOutcome walked = WalkCache([&](const EntryBuffer& entry) {
        result.urls.push_back(entry.Record()->lpszSourceUrlName);
        if (between)
            between(result.urls.back());
    });
    EXPECT_TRUE(walked.closed);
    result.end = walked.end;
    result.detail = walked.detail;
    return result;
}
