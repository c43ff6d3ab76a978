// The URL cache under faults: damaged files, a read-only directory, another
// process holding the store, the file deleted under a running program, a
// full disk. Each call fails with a detail naming the store and the cause,
// and no entry goes that was not asked to go.
#include <filesystem>
#include <iterator>

#include "CacheTestSupport.h"
#include "StoreFaults.h"
#include "StorePeer.h"
#include "ThreadStore.h"

namespace {

void AddAll(const Urls& urls) {
    for (const std::string& url : urls)
        AddEntry(url, COOKIE_CACHE_ENTRY);
}

class UrlCacheFaults : public CacheStoreTest {
protected:
    // A good store of `urls`, written whole into its file and closed.
    std::string GoodStoreBytes(const Urls& urls) {
        AddAll(urls);
        CloseThreadStore();
        return ReadBytes(StorePath());
    }

    // Expects that no change goes through, each failing with `code` and a
    // detail naming the store and `cause`.
    void ExpectChangesRefused(const std::string& url, DWORD code, const std::string& cause) {
        EXPECT_FALSE(DeleteUrlCacheEntry(url.c_str()));
        EXPECT_EQ(GetLastError(), code);
        EXPECT_NE(LastErrorDetail().find(StoreNamed() + " cannot be"), std::string::npos)
            << LastErrorDetail();
        EXPECT_NE(LastErrorDetail().find(cause), std::string::npos) << LastErrorDetail();
        const CACHE_ENTRY_VALUES values;
        EXPECT_FALSE(CommitUrlCacheEntryValues("http://new.example/", &values));
        EXPECT_EQ(GetLastError(), code);
        EXPECT_FALSE(SetUrlCacheEntryHitRate(url.c_str(), 7));
        EXPECT_EQ(GetLastError(), code);
    }
};

// --- Files that are not a whole store ---------------------------------------

// Spoils the good store file at `path` in place.
struct BadFile {
    const char* name;
    std::function<void(const std::string& path)> spoil;
    const char* cause;
};

void PrintTo(const BadFile& file, std::ostream* out) {
    *out << file.name;
}

void Truncate(const std::string& path, std::size_t size) {
    WriteBytes(path, ReadBytes(path).substr(0, size));
}

class UrlCacheBadFile : public UrlCacheFaults, public ::testing::WithParamInterface<BadFile> {};

TEST_P(UrlCacheBadFile, IsReportedNamingStoreAndCauseAndNeverWritten) {
    const Urls urls = CookieAddresses(120);
    WriteBytes(StorePath(), GoodStoreBytes(urls));
    GetParam().spoil(StorePath());
    const std::string bytes = ReadBytes(StorePath());

    const WalkResult walk = Walk();
    EXPECT_EQ(walk.end, ERROR_FILE_CORRUPT);
    EXPECT_NE(walk.detail.find(StoreNamed() + " cannot be"), std::string::npos) << walk.detail;
    EXPECT_NE(walk.detail.find(GetParam().cause), std::string::npos) << walk.detail;
    // What was read before the damage is the store's own, in its order.
    ASSERT_LE(walk.urls.size(), urls.size());
    EXPECT_EQ(walk.urls, Urls(urls.begin(), urls.begin() + walk.urls.size()));

    ExpectChangesRefused(urls.front(), ERROR_FILE_CORRUPT, GetParam().cause);
    EXPECT_EQ(Walk().urls, walk.urls);
    CloseThreadStore();
    EXPECT_TRUE(ReadBytes(StorePath()) == bytes) << "a damaged store was written to";
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dataDir.StoreDir()), {}), 1)
        << "files were left beside a damaged store";
}

INSTANTIATE_TEST_SUITE_P(
    Files, UrlCacheBadFile,
    ::testing::Values(
        BadFile{"Text", [](const std::string& path) { WriteBytes(path, std::string(4096, 'x')); },
                "not a database"},
        BadFile{"HeaderOnly", [](const std::string& path) { Truncate(path, 16); },
                "not a database"},
        BadFile{"CutInHalf", [](const std::string& path) { Truncate(path, FileSize(path) / 2); },
                "malformed"},
        BadFile{"DamagedInTheMiddle",
                [](const std::string& path) {
                    EXPECT_GT(DamageMiddlePageOf(path, "url_cache_entries").first, 0);
                },
                "malformed"},
        // Opening such a file would turn on WAL, which writes its header.
        BadFile{"DamagedInRollbackMode",
                [](const std::string& path) {
                    Elsewhere(path, "PRAGMA journal_mode=DELETE");
                    DamageMiddlePageOf(path, "url_cache_entries");
                },
                "malformed"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(UrlCacheFaults, DamageFoundByAChangeKeepsTheStoreUnwritten) {
    const Urls urls = CookieAddresses(120);
    WriteBytes(StorePath(), GoodStoreBytes(urls));
    const RowRange damaged = DamageMiddlePageOf(StorePath(), "url_cache_entries");
    const std::string bytes = ReadBytes(StorePath());

    // The deletion reaches the damaged page before any walk has; the entries
    // on good pages are not changed after that either.
    EXPECT_FALSE(DeleteUrlCacheEntry(urls[damaged.first].c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_CORRUPT);
    EXPECT_NE(LastErrorDetail().find(StoreNamed() + " cannot be changed: "), std::string::npos)
        << LastErrorDetail();
    ExpectChangesRefused(urls.front(), ERROR_FILE_CORRUPT, "malformed");
    const WalkResult walk = Walk();
    EXPECT_EQ(walk.urls, Urls(urls.begin(), urls.begin() + damaged.first));
    EXPECT_EQ(walk.end, ERROR_FILE_CORRUPT);
    CloseThreadStore();
    EXPECT_TRUE(ReadBytes(StorePath()) == bytes) << "a damaged store was written to";
}

// --- Permissions --------------------------------------------------------------

TEST_F(UrlCacheFaults, ReadOnlyDirectoryStillReadsAndRefusesChanges) {
    const Urls urls = CookieAddresses(5);
    AddAll(urls);
    CloseThreadStore();
    {
        UserPermissions asUser;
        ScopedMode readOnly(dataDir.StoreDir(), 0500);
        const WalkResult walk = Walk();
        EXPECT_EQ(walk.end, ERROR_NO_MORE_ITEMS) << walk.detail;
        EXPECT_EQ(walk.urls, urls);
        ExpectChangesRefused(urls[1], ERROR_ACCESS_DENIED, "for reading only, as its directory");
        EXPECT_EQ(Walk().urls, urls);
    }
    // Once the directory may be written again, so may the store.
    EXPECT_TRUE(DeleteUrlCacheEntry(urls[1].c_str())) << LastErrorDetail();
    EXPECT_EQ(Walk().urls, (Urls{urls[0], urls[2], urls[3], urls[4]}));
}

TEST_F(UrlCacheFaults, ReadOnlyDirectoryWithoutAStoreSaysSo) {
    std::filesystem::create_directories(dataDir.StoreDir());
    UserPermissions asUser;
    ScopedMode readOnly(dataDir.StoreDir(), 0500);
    const WalkResult walk = Walk();
    EXPECT_EQ(walk.end, ERROR_ACCESS_DENIED);
    EXPECT_NE(walk.detail.find(StoreNamed() + " cannot be"), std::string::npos) << walk.detail;
    EXPECT_NE(walk.detail.find("Permission denied"), std::string::npos) << walk.detail;
}

TEST_F(UrlCacheFaults, UnreadableFileIsReportedAndKept) {
    const std::string bytes = GoodStoreBytes(CookieAddresses(3));
    UserPermissions asUser;
    ScopedMode unreadable(StorePath(), 0);
    const WalkResult walk = Walk();
    EXPECT_TRUE(walk.urls.empty());
    EXPECT_NE(walk.end, ERROR_NO_MORE_ITEMS);
    EXPECT_NE(walk.detail.find(StoreNamed() + " cannot be opened"), std::string::npos)
        << walk.detail;
    EXPECT_NE(walk.detail.find("Permission denied"), std::string::npos) << walk.detail;
    EXPECT_EQ(FileSize(StorePath()), static_cast<off_t>(bytes.size()));
}

// A browser's file that cannot even be looked at ends the walk with the cause.
TEST_F(UrlCacheFaults, BrowserFileInALinkLoopEndsTheWalkSayingSo) {
    const std::string cookies = dataDir.Path() + "/kcookiejar/cookies";
    std::filesystem::create_directories(dataDir.Path() + "/kcookiejar");
    std::filesystem::create_symlink(cookies, cookies);
    const WalkResult walk = Walk();
    EXPECT_EQ(walk.end, ERROR_READ_FAULT);
    EXPECT_NE(walk.detail.find(cookies + "\" cannot be opened (Too many levels of symbolic links)"),
              std::string::npos)
        << walk.detail;
}

// A cookie file that is not KDE's, or holds a line that is not a cookie,
// ends the walk as damaged, listing none of its lines.
TEST_F(UrlCacheFaults, GarbageCookieFileIsReportedAsDamaged) {
    const std::string cookies = dataDir.Path() + "/kcookiejar/cookies";
    std::filesystem::create_directories(dataDir.Path() + "/kcookiejar");
    for (const std::string text : {"\xff\xfe junk \"\" \"/\" 1 0 n 0 v\n",
                                   "# KDE Cookie File v2\n\xff\xfe \"\" \"/\" 1 0 n 0 v\n"}) {
        WriteBytes(cookies, text);
        const WalkResult walk = Walk();
        EXPECT_TRUE(walk.urls.empty());
        EXPECT_EQ(walk.end, ERROR_FILE_CORRUPT);
        EXPECT_NE(walk.detail.find(cookies + "\" is damaged"), std::string::npos) << walk.detail;
    }
}

// --- Another process holding the store ---------------------------------------

TEST_F(UrlCacheFaults, ExclusiveLockOfAnotherProcessFailsTheWalkUntilReleased) {
    const Urls urls = CookieAddresses(3);
    AddAll(urls);
    CloseThreadStore();
    {
        StorePeer peer({"lock", StorePath(), "exclusive"});
        ASSERT_TRUE(peer.Ready()) << peer.FirstReport();
        // Waits out the busy timeout, then gives up.
        const WalkResult walk = Walk();
        EXPECT_TRUE(walk.urls.empty());
        EXPECT_EQ(walk.end, ERROR_LOCK_VIOLATION);
        EXPECT_NE(walk.detail.find(StoreNamed() + " cannot be opened: database is locked"),
                  std::string::npos)
            << walk.detail;
        EXPECT_EQ(peer.Stop(), "done");
    }
    EXPECT_EQ(Walk().urls, urls);
}

TEST_F(UrlCacheFaults, WriteLockOfAnotherProcessLetsReadsOnAndFailsChanges) {
    const Urls urls = CookieAddresses(3);
    AddAll(urls);
    CloseThreadStore();
    {
        StorePeer peer({"lock", StorePath(), "write"});
        ASSERT_TRUE(peer.Ready()) << peer.FirstReport();
        // The store is opened afresh while the other holds the write lock; a
        // change that waited out the busy timeout leaves the walk going on.
        const WalkResult walk = Walk([&](const std::string& url) {
            if (url != urls[0])
                return;
            EXPECT_FALSE(DeleteUrlCacheEntry(urls[1].c_str()));
            EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
            EXPECT_NE(
                LastErrorDetail().find(StoreNamed() + " cannot be changed: database is locked"),
                std::string::npos)
                << LastErrorDetail();
        });
        EXPECT_EQ(walk.end, ERROR_NO_MORE_ITEMS) << walk.detail;
        EXPECT_EQ(walk.urls, urls);
        EXPECT_EQ(peer.Stop(), "done");
    }
    EXPECT_EQ(Walk().urls, urls);
    EXPECT_TRUE(DeleteUrlCacheEntry(urls[0].c_str()));
}

// --- The store deleted while the program runs ---------------------------------

TEST_F(UrlCacheFaults, WalkOfADeletedStoreReadsItToTheEndAndTheNextFindsItGone) {
    const Urls urls = CookieAddresses(4);
    AddAll(urls);
    bool removed = false;
    const WalkResult walk = Walk([&](const std::string&) {
        if (!removed)
            RemoveStoreFiles(StorePath());
        removed = true;
    });
    EXPECT_EQ(walk.end, ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(walk.urls, urls);
    EXPECT_EQ(Walk().urls, Urls{});
    EXPECT_FALSE(DeleteUrlCacheEntry(urls[0].c_str()));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(UrlCacheFaults, ChangeAfterTheStoreWasDeletedEndsTheRunningWalkClearly) {
    const Urls urls = CookieAddresses(4);
    AddAll(urls);
    bool removed = false;
    const WalkResult walk = Walk([&](const std::string&) {
        if (removed)
            return;
        removed = true;
        RemoveStoreFiles(StorePath());
        // The deletion goes to the store now at the path, which is empty.
        EXPECT_FALSE(DeleteUrlCacheEntry(urls[2].c_str()));
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    });
    EXPECT_EQ(walk.urls, Urls{urls[0]});
    EXPECT_EQ(walk.end, ERROR_FILE_INVALID);
    EXPECT_NE(walk.detail.find(StoreNamed() + " cannot be read"), std::string::npos) << walk.detail;
    EXPECT_NE(walk.detail.find("deleted or replaced"), std::string::npos) << walk.detail;
}

TEST_F(UrlCacheFaults, StoreDeletedWithoutItsJournalStartsCleanAfresh) {
    AddAll(CookieAddresses(30));
    std::filesystem::remove(StorePath());  // the -wal and -shm stay
    const Urls fresh = {"Cookie:u@fresh.example/"};
    AddAll(fresh);
    EXPECT_EQ(Walk().urls, fresh);
    CloseThreadStore();
    EXPECT_EQ(Elsewhere(StorePath(), "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(Elsewhere(StorePath(), "SELECT count(*) FROM url_cache_entries"), "1");
}

// --- A full disk -------------------------------------------------------------------

TEST_F(UrlCacheFaults, FullDiskFailsChangesAndLosesNothing) {
    const Urls urls = CookieAddresses(20);
    AddAll(urls);
    {
        // The journal cannot grow: every change must add to it.
        FileSizeLimit full(FileSize(StorePath() + "-wal"));
        EXPECT_FALSE(DeleteUrlCacheEntry(urls[3].c_str()));
        const DWORD code = GetLastError();
        EXPECT_TRUE(code == ERROR_DISK_FULL || code == ERROR_WRITE_FAULT) << code;
        EXPECT_NE(LastErrorDetail().find(StoreNamed() + " cannot be changed"), std::string::npos)
            << LastErrorDetail();
        const CACHE_ENTRY_VALUES values;
        EXPECT_FALSE(CommitUrlCacheEntryValues("Cookie:u@new.example/", &values));
        EXPECT_EQ(Walk().urls, urls);
    }
    EXPECT_EQ(Walk().urls, urls);
    EXPECT_TRUE(DeleteUrlCacheEntry(urls[3].c_str())) << LastErrorDetail();
    CloseThreadStore();
    EXPECT_EQ(Elsewhere(StorePath(), "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(Elsewhere(StorePath(), "SELECT count(*) FROM url_cache_entries"),
              std::to_string(urls.size() - 1));
}

}  // namespace
