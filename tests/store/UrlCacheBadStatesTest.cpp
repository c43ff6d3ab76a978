// The modes a new store gets, and stores as other programs and earlier runs
// may leave them: a journal of a writer that crashed, journal files a reader
// made read-only, an empty file made by someone else, a newer version's
// store, addresses kept as TEXT.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "CacheTestSupport.h"
#include "StoreFaults.h"
#include "StorePeer.h"
#include "ThreadStore.h"

namespace {

// Entry values with no texts, as the store keeps them, in SQL.
const std::string kNoValues = "x'" + std::string(88, '0') + std::string(24, 'F') + "'";

class UrlCacheBadStates : public CacheStoreTest {
protected:
    void Elsewhere(const std::string& sql) { ::Elsewhere(StorePath(), sql); }

    // Stores `urls`, and lets this thread's calls let go of the store.
    Urls Stored(int count) {
        const Urls urls = CookieAddresses(count);
        for (const std::string& url : urls)
            AddEntry(url, COOKIE_CACHE_ENTRY);
        CloseThreadStore();
        return urls;
    }

    void ExpectRefused(const std::string& url, DWORD code, const std::string& cause) {
        EXPECT_FALSE(DeleteUrlCacheEntry(url.c_str()));
        EXPECT_EQ(GetLastError(), code);
        const std::string detail = LastErrorDetail();
        EXPECT_NE(detail.find(StorePath() + "\" cannot be changed: "), std::string::npos) << detail;
        EXPECT_NE(detail.find(cause), std::string::npos) << detail;
    }
};

TEST_F(UrlCacheBadStates, NewStoreIsOwnerOnly) {
    AddEntry("http://a.example/");
    EXPECT_EQ(ModeOf(dataDir.StoreDir()), 0700u);
    EXPECT_EQ(ModeOf(StorePath()), 0600u);
    // The connection stays open, and with it the WAL files.
    EXPECT_EQ(ModeOf(StorePath() + "-wal"), 0600u);
    EXPECT_EQ(ModeOf(StorePath() + "-shm"), 0600u);
}

TEST_F(UrlCacheBadStates, CrashedWritersChangesAreNotListedWithoutWriteAccess) {
    const Urls urls = Stored(5);
    Elsewhere("PRAGMA journal_mode=DELETE");
    StorePeer writer({"crash", StorePath(),
                      "PRAGMA cache_size=1; BEGIN; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL "
                      "SELECT i + 1 FROM n WHERE i < 2000) INSERT INTO url_cache_entries "
                      "(url, entry_type, entry_values) SELECT CAST('Cookie:u@never' || i || "
                      "'.example/' || printf('%.200c', 'x') AS BLOB), 1048576, " +
                          kNoValues + " FROM n"});
    ASSERT_TRUE(writer.Ready()) << writer.FirstReport();
    writer.Stop();
    ASSERT_GT(FileSize(StorePath() + "-journal"), 0);
    {
        UserPermissions asUser;
        ScopedMode readOnly(StorePath(), 0400);
        const WalkResult walk = Walk();
        EXPECT_EQ(walk.urls, Urls{});
        EXPECT_EQ(walk.end, ERROR_ACCESS_DENIED);
        EXPECT_NE(walk.detail.find("needs write access"), std::string::npos) << walk.detail;
    }
    // With write access the unfinished change is undone.
    EXPECT_EQ(Walk().urls, urls);
}

TEST_F(UrlCacheBadStates, JournalFilesLeftReadOnlyByAReaderAreMadeWritable) {
    const Urls urls = Stored(3);
    UserPermissions asUser;
    {
        ScopedMode readOnly(StorePath(), 0400);
        EXPECT_EQ(Walk().urls, urls);
        CloseThreadStore();  // the reader lets go of the store
    }
    ASSERT_EQ(ModeOf(StorePath() + "-wal"), 0400u);
    EXPECT_TRUE(DeleteUrlCacheEntry(urls[1].c_str())) << LastErrorDetail();
    EXPECT_EQ(Walk().urls, (Urls{urls[0], urls[2]}));
    EXPECT_EQ(ModeOf(StorePath() + "-wal"), 0600u);
}

TEST_F(UrlCacheBadStates, EmptyFileOrItsSymlinkIsMadeOwnerOnlyBeforeItIsFilled) {
    std::filesystem::create_directories(dataDir.StoreDir());
    std::ofstream(StorePath()).close();
    chmod(StorePath().c_str(), 0644);
    AddEntry("http://a.example/");
    EXPECT_EQ(ModeOf(StorePath()), 0600u);

    TempDataDir linked;
    const std::string target = dataDir.StoreDir() + "/target.sqlite";
    std::ofstream(target).close();
    chmod(target.c_str(), 0644);
    std::filesystem::create_directories(linked.StoreDir());
    std::filesystem::create_symlink(target, linked.StoreDir() + "/urlcache.sqlite");
    AddEntry("http://b.example/");
    EXPECT_EQ(ModeOf(target), 0600u);
    EXPECT_EQ(WalkUrls(), Urls{"http://b.example/"});
}

TEST_F(UrlCacheBadStates, NewerStoreIsReadAndNeverChanged) {
    const Urls urls = Stored(3);
    for (const char* newer : {"PRAGMA user_version=2",
                              "PRAGMA user_version=1; CREATE TRIGGER keep BEFORE DELETE ON "
                              "url_cache_entries BEGIN SELECT RAISE(IGNORE); END"}) {
        SCOPED_TRACE(newer);
        Elsewhere(newer);
        EXPECT_EQ(Walk().urls, urls);
        ExpectRefused(urls[0], ERROR_ACCESS_DENIED, "this program");
        EXPECT_EQ(Walk().urls, urls);
    }
}

TEST_F(UrlCacheBadStates, UnknownViewIsNotChangedAndTheMessageSaysSo) {
    const Urls urls = Stored(3);
    Elsewhere(
        "ALTER TABLE url_cache_entries RENAME TO kept; "
        "CREATE VIEW url_cache_entries AS SELECT * FROM kept");
    EXPECT_EQ(Walk().urls, urls);
    ExpectRefused(urls[0], ERROR_ACCESS_DENIED, "that this program does not know");
}

TEST_F(UrlCacheBadStates, AddressKeptAsTextIsDeletedAsListed) {
    const Urls urls = Stored(2);
    const std::string text = "Cookie:u@text.example/\xc3\xa9";
    Elsewhere("INSERT INTO url_cache_entries (url, entry_type, entry_values) VALUES ('" + text +
              "', 1048576, " + kNoValues + ")");
    EXPECT_EQ(Walk().urls, (Urls{urls[0], urls[1], text}));
    EXPECT_TRUE(DeleteUrlCacheEntry(text.c_str())) << LastErrorDetail();
    EXPECT_EQ(Walk().urls, urls);
}

}  // namespace
