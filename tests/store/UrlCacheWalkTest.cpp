// The two-call walk: sizes, error codes, order and handles.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "CacheTestSupport.h"

namespace {

using UrlCacheWalk = CacheStoreTest;

TEST_F(UrlCacheWalk, EmptyCacheEndsAtOnce) {
    DWORD size = 0;
    EXPECT_EQ(FindFirstUrlCacheEntryA(nullptr, nullptr, &size), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_TRUE(WalkAll().empty());
}

TEST_F(UrlCacheWalk, SizingCallAsksForRecordAndTexts) {
    AddEntry("http://a.example/");
    DWORD size = 0;
    EXPECT_EQ(FindFirstUrlCacheEntryA(nullptr, nullptr, &size), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, sizeof(INTERNET_CACHE_ENTRY_INFOA) + std::strlen("http://a.example/") + 1);

    // One byte short: asked again for the same size, and the walk stays put.
    EntryBuffer small(size - 1);
    DWORD smallSize = small.Size();
    EXPECT_EQ(FindFirstUrlCacheEntryA(nullptr, small.Record(), &smallSize), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(smallSize, size);

    EntryBuffer exact(size);
    HANDLE walk = FindFirstUrlCacheEntryA(nullptr, exact.Record(), &size);
    ASSERT_NE(walk, nullptr);
    EXPECT_EQ(Unpack(exact).url, "http://a.example/");
    EXPECT_FALSE(Unpack(exact).localFile);

    EXPECT_FALSE(FindNextUrlCacheEntryA(walk, nullptr, &size));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_TRUE(FindCloseUrlCache(walk));
}

TEST_F(UrlCacheWalk, TooSmallBufferDoesNotAdvance) {
    AddEntry("http://first.example/");
    AddEntry("http://second.example/a-longer-address");
    HANDLE walk = nullptr;
    ASSERT_TRUE(FindFirst(walk));
    DWORD size = 0;
    ASSERT_FALSE(FindNextUrlCacheEntryA(walk, nullptr, &size));
    const DWORD needed = size;
    EntryBuffer small(needed - 1);
    size = small.Size();
    EXPECT_FALSE(FindNextUrlCacheEntryA(walk, small.Record(), &size));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, needed);
    // A larger buffer than needed is fine too.
    EntryBuffer large(needed + 64);
    size = large.Size();
    ASSERT_TRUE(FindNextUrlCacheEntryA(walk, large.Record(), &size));
    EXPECT_EQ(Unpack(large).url, "http://second.example/a-longer-address");
    EXPECT_FALSE(FindNext(walk));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    FindCloseUrlCache(walk);
}

TEST_F(UrlCacheWalk, YieldsEntriesInTheOrderFirstAdded) {
    AddEntry("http://c.example/");
    AddEntry("http://a.example/");
    AddEntry("http://b.example/");
    AddEntry("http://a.example/", COOKIE_CACHE_ENTRY);  // replaced, keeps its place
    EXPECT_EQ(WalkUrls(), (Urls{"http://c.example/", "http://a.example/", "http://b.example/"}));
    EXPECT_EQ(WalkAll()[1].type, COOKIE_CACHE_ENTRY);
}

TEST_F(UrlCacheWalk, OptionalTextsLieInsideTheBuffer) {
    const std::string header("HTTP/1.1 200 OK\r\n\0tail", 23);
    CACHE_ENTRY_VALUES values;
    values.lpszLocalFileName = "page[1].htm";
    values.lpHeaderInfo = header.data();
    values.dwHeaderInfoSize = static_cast<DWORD>(header.size());
    values.lpszFileExtension = "htm";
    ASSERT_TRUE(CommitUrlCacheEntryValues("http://texts.example/page", &values));
    const auto entries = WalkAll();  // Unpack checks every text lies inside the buffer
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].localFile, "page[1].htm");
    EXPECT_EQ(entries[0].header, header);
    EXPECT_EQ(entries[0].extension, "htm");
}

TEST_F(UrlCacheWalk, EveryValueComesBackAsCommitted) {
    CACHE_ENTRY_VALUES values;
    values.CacheEntryType = NORMAL_CACHE_ENTRY | STICKY_CACHE_ENTRY;
    values.dwUseCount = 0xFFFFFFFF;
    values.dwSizeLow = 0x80000001;
    values.dwSizeHigh = 7;
    values.LastModifiedTime = QuadToFileTime(1);
    values.ExpireTime = QuadToFileTime(UINT64_MAX);
    values.LastAccessTime = QuadToFileTime(0x0123456789ABCDEF);
    values.LastSyncTime = QuadToFileTime(1ULL << 63);
    values.lpszLocalFileName = "";  // there, and empty: not the same as absent
    values.lpHeaderInfo = "Content-Type: text/plain\r\n";
    ASSERT_TRUE(CommitUrlCacheEntryValues("http://all.example/", &values));

    DWORD size = 0;
    ASSERT_EQ(FindFirstUrlCacheEntryA(nullptr, nullptr, &size), nullptr);
    EntryBuffer buffer(size);
    HANDLE walk = FindFirstUrlCacheEntryA(nullptr, buffer.Record(), &size);
    ASSERT_NE(walk, nullptr);
    const INTERNET_CACHE_ENTRY_INFOA& record = *buffer.Record();
    EXPECT_EQ(record.CacheEntryType, values.CacheEntryType);
    EXPECT_EQ(record.dwUseCount, values.dwUseCount);
    EXPECT_EQ(record.dwSizeLow, values.dwSizeLow);
    EXPECT_EQ(record.dwSizeHigh, values.dwSizeHigh);
    EXPECT_EQ(FileTimeToQuad(record.LastModifiedTime), 1u);
    EXPECT_EQ(FileTimeToQuad(record.ExpireTime), UINT64_MAX);
    EXPECT_EQ(FileTimeToQuad(record.LastAccessTime), 0x0123456789ABCDEFu);
    EXPECT_EQ(FileTimeToQuad(record.LastSyncTime), 1ULL << 63);
    ASSERT_NE(record.lpszLocalFileName, nullptr);
    EXPECT_STREQ(record.lpszLocalFileName, "");
    // A header given without its size is taken up to its terminator.
    EXPECT_EQ(std::string(record.lpHeaderInfo, record.dwHeaderInfoSize),
              "Content-Type: text/plain\r\n");
    EXPECT_EQ(record.lpszFileExtension, nullptr);
    EXPECT_EQ(size, sizeof(INTERNET_CACHE_ENTRY_INFOA) + sizeof("http://all.example/") + 1 +
                        sizeof("Content-Type: text/plain\r\n"));
    EXPECT_TRUE(FindCloseUrlCache(walk));
}

TEST_F(UrlCacheWalk, BadHandlesAndArgumentsAreRejected) {
    AddEntry("http://a.example/");
    AddEntry("http://b.example/");
    EXPECT_EQ(FindFirstUrlCacheEntryA(nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    auto expectInvalid = [](HANDLE handle) {
        DWORD size = 0;
        EXPECT_FALSE(FindNextUrlCacheEntryA(handle, nullptr, &size));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
        EXPECT_FALSE(FindCloseUrlCache(handle));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    };
    expectInvalid(nullptr);
    int notAWalk = 0;
    expectInvalid(&notAWalk);
    expectInvalid(reinterpret_cast<HANDLE>(0xdeadbeef));

    HANDLE walk = nullptr;
    ASSERT_TRUE(FindFirst(walk));
    EXPECT_FALSE(FindNextUrlCacheEntryA(walk, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(FindCloseUrlCache(walk));
    expectInvalid(walk);

    EXPECT_FALSE(DeleteUrlCacheEntry(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    const CACHE_ENTRY_VALUES values;
    EXPECT_FALSE(CommitUrlCacheEntryValues(nullptr, &values));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(CommitUrlCacheEntryValues("http://a.example/", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(UrlCacheWalk, HandlesBelongToTheirThread) {
    AddEntry("http://a.example/");
    AddEntry("http://b.example/");
    HANDLE walk = nullptr;
    ASSERT_TRUE(FindFirst(walk));
    DWORD error = ERROR_SUCCESS;
    std::thread([&] {
        DWORD size = 0;
        FindNextUrlCacheEntryA(walk, nullptr, &size);
        error = GetLastError();
        // A walk left open here is freed with the thread's store.
        HANDLE abandoned = nullptr;
        FindFirst(abandoned);
    }).join();
    EXPECT_EQ(error, ERROR_INVALID_PARAMETER);
    EXPECT_EQ(FindNext(walk)->url, "http://b.example/");
    FindCloseUrlCache(walk);
}

TEST_F(UrlCacheWalk, WalksOfAStoreLeftBehindEndSayingWhy) {
    AddEntry("http://a.example/");
    AddEntry("http://b.example/");
    HANDLE abandoned = nullptr;
    ASSERT_TRUE(FindFirst(abandoned));
    {
        TempDataDir other;
        AddEntry("http://other.example/");
        // Not the end of the walk that ERROR_INVALID_PARAMETER would suggest.
        DWORD size = 0;
        EXPECT_FALSE(FindNextUrlCacheEntryA(abandoned, nullptr, &size));
        EXPECT_EQ(GetLastError(), ERROR_FILE_INVALID);
        EXPECT_NE(LastErrorDetail().find("data directory changed"), std::string::npos)
            << LastErrorDetail();
        EXPECT_FALSE(FindNextUrlCacheEntryA(abandoned, nullptr, &size));
        EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
        EXPECT_TRUE(FindCloseUrlCache(abandoned));
        EXPECT_FALSE(FindCloseUrlCache(abandoned));
        EXPECT_EQ(WalkUrls(), (Urls{"http://other.example/"}));
    }
    EXPECT_EQ(WalkUrls(), (Urls{"http://a.example/", "http://b.example/"}));
}

}  // namespace
