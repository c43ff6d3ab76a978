// The history store under faults: damaged files, a read-only directory,
// another process holding the store, the file deleted while an object has it
// open, a full disk. Each failure names the store and the cause in its
// message, and no entry goes that was not asked to go.
#include <filesystem>
#include <functional>

#include "ComFixture.h"
#include "StoreFaults.h"
#include "StorePeer.h"
#include "platform/codepage.h"
#include "platform/comobj.h"

namespace {

using Urls = std::vector<std::string>;

// `count` http addresses long enough to fill a good number of pages, added in
// one call.
Urls PutMany(int count, const std::string& host = "page") {
    std::vector<std::u16string> wide;
    Urls urls;
    for (int i = 0; i < count; ++i) {
        urls.push_back("http://" + host + std::to_string(i) + ".example/" +
                       std::string(150, static_cast<char>('a' + i % 26)));
        wide.emplace_back(urls.back().begin(), urls.back().end());
    }
    std::vector<URLHISTORY_ENTRY> entries(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        entries[i].pwcsUrl = wide[i].c_str();
        entries[i].pwcsTitle = u"Title";
    }
    EXPECT_EQ(AddUrlHistoryEntries(entries.data(), static_cast<ULONG>(entries.size())), S_OK);
    return urls;
}

class HistoryFaults : public ComTest {
protected:
    std::string StoreNamed() const { return "The URL history store \"" + StorePath() + "\""; }

    // Expects `result` to be `code` with a message naming the store, the
    // action and `cause`.
    void ExpectFailure(HRESULT result, DWORD code, const std::string& action,
                       const std::string& cause) {
        EXPECT_EQ(result, HRESULT_FROM_WIN32(code));
        const std::string message = OleErrorMessage(result);
        EXPECT_NE(message.find(StoreNamed() + " cannot be " + action + ": "), std::string::npos)
            << message;
        EXPECT_NE(message.find(cause), std::string::npos) << message;
    }

    HRESULT Create(ComPtr<IUnknown>& object) {
        return CoCreateInstance(CLSID_CUrlHistory, nullptr,
                                CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                object.PutVoid());
    }
};

// --- Files that are not a whole store ---------------------------------------

TEST_F(HistoryFaults, FilesThatAreNotAWholeStoreFailCreationAndStayAsTheyAre) {
    const std::string good = [&] {
        PutMany(40);
        return ReadBytes(StorePath());
    }();
    const std::pair<std::string, std::string> files[] = {
        {std::string(4096, 'x'), "not a database"},
        {good.substr(0, 16), "not a database"},
        {good.substr(0, good.size() / 2), "malformed"},
    };
    for (const auto& [bytes, cause] : files) {
        std::filesystem::remove(StorePath());
        WriteBytes(StorePath(), bytes);
        ComPtr<IUnknown> object;
        ExpectFailure(Create(object), ERROR_FILE_CORRUPT, "opened", cause);
        EXPECT_FALSE(object);
        URLHISTORY_ENTRY entry;
        entry.pwcsUrl = u"http://new.example/";
        EXPECT_EQ(AddUrlHistoryEntry(entry), HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT));
        EXPECT_TRUE(ReadBytes(StorePath()) == bytes) << "a damaged store was written to";
    }
}

TEST_F(HistoryFaults, DamageInTheMiddleStopsTheListingAndEveryChange) {
    const Urls urls = PutMany(120);
    const RowRange damaged = DamageMiddlePageOf(StorePath(), "history");
    const std::string bytes = ReadBytes(StorePath());

    ComPtr<IUrlHistoryStg2> history = OpenHistory();
    ASSERT_TRUE(history);
    // The clearing reaches the damage before any listing has.
    ExpectFailure(history->ClearHistory(), ERROR_FILE_CORRUPT, "changed", "malformed");
    ComPtr<IEnumSTATURL> walk;
    ASSERT_EQ(history->EnumUrls(walk.PutRef()), S_OK);
    HRESULT result = S_OK;
    const Urls listed = RemainingUrls(walk.Get(), &result);
    ExpectFailure(result, ERROR_FILE_CORRUPT, "read", "malformed");
    // The listing stops at the damage; what came before it is the store's own.
    EXPECT_LE(listed.size(), static_cast<std::size_t>(damaged.first));
    EXPECT_EQ(listed, Urls(urls.begin(), urls.begin() + listed.size()));

    ExpectFailure(history->ClearHistory(), ERROR_FILE_CORRUPT, "changed", "malformed");
    walk = nullptr;
    history = nullptr;
    EXPECT_TRUE(ReadBytes(StorePath()) == bytes) << "a damaged store was written to";
}

// Made by another program: the entries are in a table of its own, and
// "history" is a view of it that cannot be changed.
TEST_F(HistoryFaults, ClearingAStoreThatIsAViewSaysTheChangeFailed) {
    std::filesystem::create_directories(dataDir_.StoreDir());
    Elsewhere(StorePath(),
              "CREATE TABLE pages (id INTEGER PRIMARY KEY, url TEXT, title TEXT,"
              " last_visited INTEGER, last_updated INTEGER, expires INTEGER, flags INTEGER);"
              "INSERT INTO pages VALUES (1, 'http://a.example/', 'A', 1, 2, 3, 0);"
              "CREATE VIEW history AS SELECT * FROM pages");

    ComPtr<IUrlHistoryStg2> history = OpenHistory();
    ASSERT_TRUE(history);
    const HRESULT result = history->ClearHistory();
    EXPECT_TRUE(FAILED(result));
    EXPECT_NE(OleErrorMessage(result).find(StoreNamed() + " cannot be changed: "),
              std::string::npos)
        << OleErrorMessage(result);
    EXPECT_EQ(Listed(), Urls{"http://a.example/"});
}

// --- Permissions --------------------------------------------------------------

TEST_F(HistoryFaults, ReadOnlyDirectoryListsAndRefusesToClear) {
    const Urls urls = PutMany(5);
    ComPtr<IUrlHistoryStg2> history;
    {
        UserPermissions asUser;
        ScopedMode readOnly(dataDir_.StoreDir(), 0500);
        history = OpenHistory();
        ASSERT_TRUE(history);
        ComPtr<IEnumSTATURL> walk;
        ASSERT_EQ(history->EnumUrls(walk.PutRef()), S_OK);
        EXPECT_EQ(RemainingUrls(walk.Get()), urls);
        ExpectFailure(history->ClearHistory(), ERROR_ACCESS_DENIED, "changed",
                      "for reading only, as its directory cannot be written");
        EXPECT_EQ(Listed(), urls);
    }
    // The same object may change the store once its directory may be written.
    EXPECT_EQ(history->ClearHistory(), S_OK) << OleErrorMessage(history->ClearHistory());
    EXPECT_TRUE(Listed().empty());
}

// --- Another process holding the store ---------------------------------------

TEST_F(HistoryFaults, ExclusiveLockOfAnotherProcessFailsCreationUntilReleased) {
    const Urls urls = PutMany(3);
    {
        StorePeer peer({"lock", StorePath(), "exclusive"});
        ASSERT_TRUE(peer.Ready()) << peer.FirstReport();
        ComPtr<IUnknown> object;
        ExpectFailure(Create(object), ERROR_LOCK_VIOLATION, "opened", "database is locked");
        EXPECT_EQ(peer.Stop(), "done");
    }
    EXPECT_EQ(Listed(), urls);
}

TEST_F(HistoryFaults, WriteLockOfAnotherProcessLetsListingsOnAndFailsTheClearing) {
    const Urls urls = PutMany(3);
    StorePeer peer({"lock", StorePath(), "write"});
    ASSERT_TRUE(peer.Ready()) << peer.FirstReport();
    ComPtr<IUrlHistoryStg2> history = OpenHistory();
    ASSERT_TRUE(history);
    EXPECT_EQ(Listed(), urls);
    ExpectFailure(history->ClearHistory(), ERROR_LOCK_VIOLATION, "changed", "database is locked");
    EXPECT_EQ(peer.Stop(), "done");
    EXPECT_EQ(Listed(), urls);
}

// --- The store deleted while an object has it open ---------------------------

TEST_F(HistoryFaults, ClearingAfterTheFileWasReplacedClearsTheFileNowThere) {
    PutMany(3, "old");
    ComPtr<IUrlHistoryStg2> history = OpenHistory();
    ASSERT_TRUE(history);
    EXPECT_EQ(Listed().size(), 3u);
    RemoveStoreFiles(StorePath());
    const Urls fresh = PutMany(2, "new");
    ASSERT_EQ(Listed(), fresh);

    EXPECT_EQ(history->ClearHistory(), S_OK);
    EXPECT_TRUE(Listed().empty()) << "the clearing went to a file that is gone";
}

TEST_F(HistoryFaults, ListingWhoseFileIsReplacedEndsSayingSo) {
    PutMany(3, "old");
    ComPtr<IUrlHistoryStg2> history = OpenHistory();
    ASSERT_TRUE(history);
    ComPtr<IEnumSTATURL> walk;
    ASSERT_EQ(history->EnumUrls(walk.PutRef()), S_OK);
    STATURL record{};
    ASSERT_EQ(walk->Next(1, &record, nullptr), S_OK);
    CoTaskMemFree(record.pwcsUrl);
    CoTaskMemFree(record.pwcsTitle);

    RemoveStoreFiles(StorePath());
    PutMany(3, "new");
    // The clearing goes to the file now there, and the walk must not go on
    // by ids of the file that is gone.
    ASSERT_EQ(history->ClearHistory(), S_OK);
    PutMany(3, "newer");
    HRESULT result = S_OK;
    EXPECT_TRUE(RemainingUrls(walk.Get(), &result).empty());
    ExpectFailure(result, ERROR_FILE_INVALID, "read", "deleted or replaced");
    EXPECT_EQ(Listed().size(), 3u);
}

// --- A full disk -------------------------------------------------------------------

TEST_F(HistoryFaults, FullDiskFailsTheClearingAndLosesNothing) {
    ComPtr<IUrlHistoryStg2> history = OpenHistory();
    ASSERT_TRUE(history);
    const Urls urls = PutMany(20);
    {
        // The log cannot grow: every change must add to it.
        FileSizeLimit full(FileSize(StorePath() + "-wal"));
        ExpectFailure(history->ClearHistory(), ERROR_DISK_FULL, "changed", "File too large");
        EXPECT_EQ(Listed(), urls);
    }
    EXPECT_EQ(Listed(), urls);
    EXPECT_EQ(history->ClearHistory(), S_OK);
    EXPECT_TRUE(Listed().empty());
}

}  // namespace
