// Changing the cache: deletion by exact bytes, changes during a walk, and
// values that must come back as they went in.
#include "CacheTestSupport.h"

namespace {

using UrlCacheChanges = CacheStoreTest;

TEST_F(UrlCacheChanges, DeletionMatchesTheExactBytes) {
    const Urls urls = {"http://a.example/", "http://a.example", "HTTP://A.EXAMPLE/",
                       "http://a.example/\xff"};
    for (const auto& url : urls)
        AddEntry(url);

    EXPECT_TRUE(DeleteUrlCacheEntry("http://a.example"));
    EXPECT_EQ(WalkUrls(), (Urls{urls[0], urls[2], urls[3]}));

    EXPECT_FALSE(DeleteUrlCacheEntry("http://a.example"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(DeleteUrlCacheEntryA("http://A.example/"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    EXPECT_TRUE(DeleteUrlCacheEntryA("http://a.example/\xff"));
    EXPECT_EQ(WalkUrls(), (Urls{urls[0], urls[2]}));
}

TEST_F(UrlCacheChanges, InvalidUtf8AndLongAddressesRoundTrip) {
    const std::string invalid = "Cookie:u@h\xc3\x28\xff\xfe.example/\x80";
    const std::string longUrl = "http://long.example/" + std::string(100 * 1024, 'x');
    AddEntry(invalid, COOKIE_CACHE_ENTRY);
    AddEntry(longUrl);
    EXPECT_EQ(WalkUrls(), (Urls{invalid, longUrl}));
    EXPECT_TRUE(DeleteUrlCacheEntry(longUrl.c_str()));
    EXPECT_TRUE(DeleteUrlCacheEntry(invalid.c_str()));
    EXPECT_TRUE(WalkAll().empty());
}

TEST_F(UrlCacheChanges, HitRatesAndTimesKeepAllTheirBits) {
    constexpr std::uint64_t kMaxTime = UINT64_MAX;
    AddEntry("http://zero.example/", NORMAL_CACHE_ENTRY, 0, kMaxTime);
    AddEntry("http://top.example/", NORMAL_CACHE_ENTRY, 1ULL << 63, (1ULL << 63) - 1);
    ASSERT_TRUE(SetUrlCacheEntryHitRate("http://zero.example/", 0xFFFFFFFFu));
    ASSERT_TRUE(SetUrlCacheEntryHitRate("http://top.example/", 0x80000000u));
    EXPECT_FALSE(SetUrlCacheEntryHitRate("http://absent.example/", 1));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    // Replacing an entry's values keeps its hits.
    AddEntry("http://top.example/", COOKIE_CACHE_ENTRY, 1ULL << 63, (1ULL << 63) - 1);

    const auto entries = WalkAll();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].hits, 0xFFFFFFFFu);
    EXPECT_EQ(entries[0].modified, 0u);
    EXPECT_EQ(entries[0].expires, kMaxTime);
    EXPECT_EQ(entries[1].hits, 0x80000000u);
    EXPECT_EQ(entries[1].type, COOKIE_CACHE_ENTRY);
    EXPECT_EQ(entries[1].modified, 1ULL << 63);
    EXPECT_EQ(entries[1].expires, (1ULL << 63) - 1);
}

TEST_F(UrlCacheChanges, WalkSurvivesDeletionsAndAdditions) {
    for (const char* url : {"http://1/", "http://2/", "http://3/", "http://4/", "http://5/"}) {
        AddEntry(url);
    }
    HANDLE walk = nullptr;
    ASSERT_EQ(FindFirst(walk)->url, "http://1/");
    ASSERT_EQ(FindNext(walk)->url, "http://2/");

    ASSERT_TRUE(DeleteUrlCacheEntry("http://3/"));  // the next one
    ASSERT_TRUE(DeleteUrlCacheEntry("http://1/"));  // one already passed
    AddEntry("http://2/", COOKIE_CACHE_ENTRY);      // a passed one, replaced
    AddEntry("http://6/");                          // a new one
    Urls rest;
    while (auto entry = FindNext(walk))
        rest.push_back(entry->url);
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(rest, (Urls{"http://4/", "http://5/", "http://6/"}));

    // An entry added after the walk reached its end still shows.
    AddEntry("http://7/");
    EXPECT_EQ(FindNext(walk)->url, "http://7/");
    EXPECT_TRUE(FindCloseUrlCache(walk));
}

TEST_F(UrlCacheChanges, EntryDeletedBetweenSizingAndFillingIsNotYielded) {
    AddEntry("http://1/");
    AddEntry("http://2/");
    AddEntry("http://3.example/with/a/longer/address");
    HANDLE walk = nullptr;
    ASSERT_TRUE(FindFirst(walk));

    DWORD size = 0;
    ASSERT_FALSE(FindNextUrlCacheEntryA(walk, nullptr, &size));  // sizes http://2/
    ASSERT_TRUE(DeleteUrlCacheEntry("http://2/"));
    EntryBuffer buffer(size);
    EXPECT_FALSE(FindNextUrlCacheEntryA(walk, buffer.Record(), &size));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);  // the next entry is larger
    EntryBuffer larger(size);
    ASSERT_TRUE(FindNextUrlCacheEntryA(walk, larger.Record(), &size));
    EXPECT_EQ(Unpack(larger).url, "http://3.example/with/a/longer/address");
    FindCloseUrlCache(walk);
}

std::string Numbered(int n) {
    return "http://" + std::to_string(n) + ".example/";
}

// The SQL that picks the entry Numbered(n).
std::string WhereNumbered(int n) {
    return " WHERE url = CAST('" + Numbered(n) + "' AS BLOB)";
}

// Entries Numbered(1) to Numbered(count), and a walk that has yielded the
// first and sized the second, so that its query stands on it.
class WalkStandingOnAnEntry : public UrlCacheChanges {
protected:
    HANDLE WalkStandingOnTheSecondOf(int count) {
        for (int n = 1; n <= count; ++n)
            AddEntry(Numbered(n));
        HANDLE walk = nullptr;
        EXPECT_EQ(FindFirst(walk)->url, Numbered(1));
        DWORD size = 0;
        EXPECT_FALSE(FindNextUrlCacheEntryA(walk, nullptr, &size));
        EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
        return walk;
    }
};

// A walk standing on an entry reads from a snapshot of the store. Changes on
// this thread must go through all the same, although another process has
// committed since the snapshot was taken, and the walk must see them.
TEST_F(WalkStandingOnAnEntry, ChangesOnThisThreadGoThrough) {
    const HANDLE walk = WalkStandingOnTheSecondOf(4);
    Elsewhere(StorePath(), "UPDATE url_cache_entries SET hit_rate = 9" + WhereNumbered(4));
    EXPECT_TRUE(DeleteUrlCacheEntry(Numbered(3).c_str())) << LastErrorDetail();
    EXPECT_TRUE(SetUrlCacheEntryHitRate(Numbered(2).c_str(), 3)) << LastErrorDetail();
    AddEntry(Numbered(5));

    std::vector<std::pair<std::string, DWORD>> rest;
    while (auto entry = FindNext(walk))
        rest.emplace_back(entry->url, entry->hits);
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(rest, (std::vector<std::pair<std::string, DWORD>>{
                        {Numbered(2), 3}, {Numbered(4), 9}, {Numbered(5), 0}}));
    EXPECT_TRUE(FindCloseUrlCache(walk));
}

// Damage SQLite cannot see: a blob of the wrong length.
TEST_F(UrlCacheChanges, DamagedEntryValuesEndTheWalkWithAnError) {
    for (int n = 1; n <= 3; ++n)
        AddEntry(Numbered(n));
    Elsewhere(StorePath(),
              "UPDATE url_cache_entries SET entry_values = x'0102'" + WhereNumbered(2));
    HANDLE walk = nullptr;
    ASSERT_EQ(FindFirst(walk)->url, Numbered(1));
    EXPECT_FALSE(FindNext(walk));
    EXPECT_EQ(GetLastError(), ERROR_FILE_CORRUPT);
    EXPECT_NE(LastErrorDetail().find(StorePath()), std::string::npos) << LastErrorDetail();
    EXPECT_NE(LastErrorDetail().find("damaged"), std::string::npos) << LastErrorDetail();
    EXPECT_TRUE(FindCloseUrlCache(walk));
    // The store stays usable.
    EXPECT_TRUE(DeleteUrlCacheEntry(Numbered(3).c_str()));
}

TEST_F(UrlCacheChanges, WalkEndsAfterTheStoreFailsUnderIt) {
    AddEntry("http://a.example/");
    AddEntry("http://b.example/");
    HANDLE walk = nullptr;
    ASSERT_TRUE(FindFirst(walk));
    Elsewhere(StorePath(), "DROP TABLE url_cache_entries");
    // A change of this thread's makes the walk read the store afresh.
    EXPECT_FALSE(DeleteUrlCacheEntry("http://a.example/"));

    DWORD size = 0;
    EXPECT_FALSE(FindNextUrlCacheEntryA(walk, nullptr, &size));
    EXPECT_NE(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_NE(GetLastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_NE(LastErrorDetail().find(StoreNamed()), std::string::npos) << LastErrorDetail();
    // The failure is reported once; then the walk is over.
    EXPECT_FALSE(FindNextUrlCacheEntryA(walk, nullptr, &size));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_TRUE(FindCloseUrlCache(walk));
}

}  // namespace
