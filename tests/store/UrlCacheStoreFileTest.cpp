// The store file: where it lives, who may read it, and what happens when it
// cannot be used.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "CacheTestSupport.h"
#include "TempDataDir.h"
#include "ThreadStore.h"
#include "platform/sysutils.h"
#include "platform/wininet.h"

namespace {

class UrlCacheStoreFile : public ::testing::Test {
protected:
    std::string StorePath() const { return dataDir.StoreDir() + "/urlcache.sqlite"; }

    TempDataDir dataDir;
};

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(UrlCacheStoreFile, IsCreatedOwnerOnly) {
    AddEntry("http://a.example/");
    EXPECT_EQ(ModeOf(dataDir.StoreDir()), 0700u);
    EXPECT_EQ(ModeOf(StorePath()), 0600u);
    // The connection stays open, and with it the WAL files.
    EXPECT_EQ(ModeOf(StorePath() + "-wal"), 0600u);
    EXPECT_EQ(ModeOf(StorePath() + "-shm"), 0600u);
}

TEST_F(UrlCacheStoreFile, FileThatIsNotADatabaseIsReportedAndLeftAlone) {
    std::filesystem::create_directories(dataDir.StoreDir());
    const std::string content = "These are not the pages you are looking for.\n";
    std::ofstream(StorePath(), std::ios::binary) << content;

    DWORD size = 0;
    EXPECT_EQ(FindFirstUrlCacheEntryA(nullptr, nullptr, &size), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_CORRUPT);
    const std::string detail = LastErrorDetail();
    EXPECT_NE(detail.find("URL cache"), std::string::npos) << detail;
    EXPECT_NE(detail.find(StorePath()), std::string::npos) << detail;
    EXPECT_NE(detail.find("not a database"), std::string::npos) << detail;

    EXPECT_FALSE(DeleteUrlCacheEntry("http://a.example/"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_CORRUPT);
    const CACHE_ENTRY_VALUES values;
    EXPECT_FALSE(CommitUrlCacheEntryValues("http://a.example/", &values));
    EXPECT_EQ(GetLastError(), ERROR_FILE_CORRUPT);
    EXPECT_EQ(LastErrorDetail(), detail);

    EXPECT_EQ(ReadFile(StorePath()), content);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dataDir.StoreDir()), {}), 1);
}

// Another connection holding a lock on the store: the write lock, or in
// exclusive locking mode a lock that keeps out readers too (which it can only
// take while no other connection has the store open).
class OtherConnectionLock {
public:
    OtherConnectionLock(const std::string& path, bool exclusive) {
        EXPECT_EQ(sqlite3_open(path.c_str(), &db_), SQLITE_OK);
        const char* sql = exclusive ? "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; "
                                      "DELETE FROM url_cache_entries WHERE id < 0;"
                                    : "BEGIN IMMEDIATE;";
        EXPECT_EQ(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), SQLITE_OK)
            << sqlite3_errmsg(db_);
    }
    ~OtherConnectionLock() { sqlite3_close(db_); }
    OtherConnectionLock(const OtherConnectionLock&) = delete;
    OtherConnectionLock& operator=(const OtherConnectionLock&) = delete;

private:
    sqlite3* db_ = nullptr;
};

TEST_F(UrlCacheStoreFile, ChangeFailsAfterTheBusyTimeoutWhileAnotherWrites) {
    AddEntry("http://a.example/");
    AddEntry("http://b.example/");
    HANDLE walk = nullptr;
    ASSERT_TRUE(FindFirst(walk));
    {
        OtherConnectionLock lock(StorePath(), false);
        EXPECT_FALSE(DeleteUrlCacheEntry("http://b.example/"));
        EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
        EXPECT_NE(LastErrorDetail().find(StorePath()), std::string::npos) << LastErrorDetail();
        // Reading goes on beside the writer.
        EXPECT_EQ(FindNext(walk)->url, "http://b.example/");
    }
    EXPECT_TRUE(FindCloseUrlCache(walk));
    EXPECT_TRUE(DeleteUrlCacheEntry("http://b.example/"));
}

TEST_F(UrlCacheStoreFile, ExclusivelyLockedStoreCannotBeOpened) {
    AddEntry("http://a.example/");
    CloseThreadStore();
    OtherConnectionLock lock(StorePath(), true);
    DWORD size = 0;
    EXPECT_EQ(FindFirstUrlCacheEntryA(nullptr, nullptr, &size), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_LOCK_VIOLATION);
    EXPECT_NE(LastErrorDetail().find("URL cache store \"" + StorePath() + "\" cannot be opened"),
              std::string::npos)
        << LastErrorDetail();
}

TEST_F(UrlCacheStoreFile, WalkEndsAfterTheStoreFailsUnderIt) {
    AddEntry("http://a.example/");
    AddEntry("http://b.example/");
    HANDLE walk = nullptr;
    ASSERT_TRUE(FindFirst(walk));
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(StorePath().c_str(), &other), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(other, "DROP TABLE url_cache_entries", nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    // A change of this thread's makes the walk read the store afresh.
    EXPECT_FALSE(DeleteUrlCacheEntry("http://a.example/"));

    DWORD size = 0;
    EXPECT_FALSE(FindNextUrlCacheEntryA(walk, nullptr, &size));
    EXPECT_NE(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_NE(GetLastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_NE(LastErrorDetail().find("URL cache store \"" + StorePath() + "\""), std::string::npos)
        << LastErrorDetail();
    // The failure is reported once; then the walk is over.
    EXPECT_FALSE(FindNextUrlCacheEntryA(walk, nullptr, &size));
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_ITEMS);
    EXPECT_TRUE(FindCloseUrlCache(walk));
}

}  // namespace
