#include <filesystem>
#include <fstream>

#include "ComFixture.h"
#include "StoreFaults.h"
#include "platform/codepage.h"
#include "platform/comobj.h"

namespace {

// The first entry a new walk gives, with its texts copied out and freed.
struct Entry {
    std::u16string url, title;
    STATURL record{};
};
Entry FirstEntry(IUrlHistoryStg* history) {
    Entry entry;
    ComPtr<IEnumSTATURL> walk;
    EXPECT_EQ(history->EnumUrls(walk.PutRef()), S_OK);
    EXPECT_EQ(walk->Next(1, &entry.record, nullptr), S_OK);
    if (entry.record.pwcsUrl)
        entry.url = entry.record.pwcsUrl;
    if (entry.record.pwcsTitle)
        entry.title = entry.record.pwcsTitle;
    CoTaskMemFree(entry.record.pwcsUrl);
    CoTaskMemFree(entry.record.pwcsTitle);
    return entry;
}

}  // namespace

using HistoryStoreTest = ComTest;

TEST_F(HistoryStoreTest, OffersItsInterfacesAsOneObject) {
    ComPtr<IUrlHistoryStg2> history = OpenHistory();
    ASSERT_TRUE(history);

    ComPtr<IUnknown> identity;
    ComPtr<IUrlHistoryStg> stg;
    ASSERT_EQ(history.QueryInterface(identity), S_OK);
    ASSERT_EQ(identity.QueryInterface(stg), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(stg.Get()), identity.Get());
    EXPECT_EQ(history->AddRef(), 4u);
    EXPECT_EQ(history->Release(), 3u);

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(history->QueryInterface(IID_IEnumSTATURL, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);

    ComPtr<IEnumSTATURL> walk;
    ASSERT_EQ(history->EnumUrls(walk.PutRef()), S_OK);
    EXPECT_EQ(walk->QueryInterface(IID_IUrlHistoryStg, &none), E_NOINTERFACE);
    ASSERT_EQ(walk.QueryInterface(identity), S_OK);

    // The enumerator keeps the store open after the object that made it goes.
    PutEntry(u"http://a/", u"A");
    history = nullptr;
    stg = nullptr;
    identity = nullptr;
    EXPECT_EQ(RemainingUrls(walk.Get()), std::vector<std::string>{"http://a/"});
}

TEST_F(HistoryStoreTest, WideTextsAndAllTimesRoundTrip) {
    const std::u16string url = u"http://example.com/caf\u00e9/\u6771\u4eac?q=\U0001F600";
    const std::u16string titles[] = {u"Caf\u00e9 Z\u00fcrich",
                                     u"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac"};
    constexpr std::uint64_t kTopBitSet = 0xFFFF'FFFF'FFFF'FFF0u;
    PutEntry(url.c_str(), titles[0].c_str(), 130'000'000'000'000'000u, kTopBitSet, 7,
             STATURLFLAG_ISTOPLEVEL);
    PutEntry(u"http://g/", titles[1].c_str());
    ComPtr<IUrlHistoryStg2> history = OpenHistory();
    ASSERT_TRUE(history);

    const Entry first = FirstEntry(history.Get());
    EXPECT_EQ(first.url, url);
    EXPECT_EQ(first.title, titles[0]);
    EXPECT_EQ(FileTimeToQuad(first.record.ftLastVisited), 130'000'000'000'000'000u);
    EXPECT_EQ(FileTimeToQuad(first.record.ftLastUpdated), kTopBitSet);
    EXPECT_EQ(FileTimeToQuad(first.record.ftExpires), 7u);
    EXPECT_EQ(first.record.dwFlags, STATURLFLAG_ISTOPLEVEL);
    EXPECT_EQ(first.record.cbSize, sizeof(STATURL));
    ComPtr<IEnumSTATURL> walk;
    ASSERT_EQ(history->EnumUrls(walk.PutRef()), S_OK);
    ASSERT_EQ(walk->SetFilter(u"http://g", 0), S_OK);
    STATURL record{};
    ASSERT_EQ(walk->Next(1, &record, nullptr), S_OK);
    EXPECT_EQ(std::u16string(record.pwcsTitle), titles[1]);
    CoTaskMemFree(record.pwcsUrl);
    CoTaskMemFree(record.pwcsTitle);

    // Kept as UTF-8 text, so other readers of the file see the same address.
    EXPECT_EQ(Elsewhere(StorePath(), "SELECT url FROM history ORDER BY id"), WideToAnsi(url));
}

TEST_F(HistoryStoreTest, ClearHistoryEmptiesTheStoreForEveryReader) {
    ComPtr<IUrlHistoryStg2> history = OpenHistory();
    ComPtr<IUrlHistoryStg2> other = OpenHistory();
    ASSERT_TRUE(history && other);
    PutEntry(u"http://a/", u"A");
    PutEntry(u"https://b/", u"B");
    ASSERT_EQ(history->ClearHistory(), S_OK);

    EXPECT_TRUE(Listed(other.Get()).empty());
    PutEntry(u"http://after/", u"After");
    EXPECT_EQ(Listed(other.Get()), std::vector<std::string>{"http://after/"});
}

TEST_F(HistoryStoreTest, StoreThatIsNotADatabaseFailsCreationNamingTheStore) {
    ASSERT_TRUE(std::filesystem::create_directories(dataDir_.StoreDir()));
    std::ofstream(StorePath()) << "these are not the pages you visited\n";

    void* object = reinterpret_cast<void*>(1);
    const HRESULT result =
        CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object);
    EXPECT_EQ(result, HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT));
    EXPECT_EQ(object, nullptr);
    const std::string text = OleErrorMessage(result);
    EXPECT_EQ(text, "The URL history store \"" + StorePath() +
                        "\" cannot be opened: file is not a database");
    try {
        OleCheck(result);
        FAIL() << "no error raised";
    } catch (const EOleSysError& error) {
        EXPECT_EQ(error.Message(), text);
    }
    // The detail belongs to that failure only.
    ComPtr<IUnknown> none;
    EXPECT_EQ(CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                               none.PutVoid()),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(OleErrorMessage(result), "The file or directory is corrupted and unreadable");
}

TEST_F(HistoryStoreTest, RefusedClearFailsAndKeepsEveryEntry) {
    ComPtr<IUrlHistoryStg2> history = OpenHistory();
    ASSERT_TRUE(history);
    PutEntry(u"http://a/", u"A");
    PutEntry(u"http://b/", u"B");
    Elsewhere(StorePath(),
              "CREATE TRIGGER keep_b BEFORE DELETE ON history WHEN old.url = 'http://b/'"
              " BEGIN SELECT RAISE(ABORT, 'entry is kept'); END");

    const HRESULT result = history->ClearHistory();
    EXPECT_TRUE(FAILED(result));
    EXPECT_NE(OleErrorMessage(result).find("The URL history store \"" + StorePath() + "\""),
              std::string::npos)
        << OleErrorMessage(result);
    EXPECT_EQ(Listed(history.Get()), (std::vector<std::string>{"http://a/", "http://b/"}));
}

// A walk names the own store as the source of its entries; a deletion
// restricted to other sources leaves the store alone, and one that is not
// deletes the entry, whatever its scheme, once.
TEST_F(HistoryStoreTest, WalksNameTheirSourceAndDeletionsKeepToTheirSources) {
    PutEntry(u"file:///a", u"A");
    PutEntry(u"https://b/", u"B");
    ComPtr<IEnumSTATURL> entries;
    ASSERT_EQ(OpenHistory()->EnumUrls(entries.PutRef()), S_OK);
    ComPtr<IEnumSTATURLSource> walk;
    ASSERT_EQ(entries.QueryInterface(walk), S_OK);
    ULONG source = 9;
    EXPECT_EQ(walk->GetLastSource(&source), E_UNEXPECTED);
    EXPECT_EQ(RemainingUrls(walk.Get()).size(), 2u);
    ASSERT_EQ(walk->GetLastSource(&source), S_OK);
    LPWSTR label = nullptr, browser = nullptr, profile = nullptr;
    ASSERT_EQ(walk->GetSourceNames(source, &label, &browser, &profile), S_OK);
    EXPECT_EQ(std::u16string(label) + u"|" + browser + u"|" + profile, u"orvalla|Orvalla|");
    for (LPWSTR text : {label, browser, profile})
        CoTaskMemFree(text);
    EXPECT_EQ(walk->GetSourceNames(source + 1, &label, nullptr, nullptr), E_INVALIDARG);
    EXPECT_EQ(label, nullptr);

    const LPCWSTR urls[] = {u"file:///a", u"file:///a"};
    const LPCWSTR others[] = {u"firefox"};
    EXPECT_EQ(DeleteUrlHistoryEntries(urls, 2, others, 1),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Listed().size(), 2u);
    EXPECT_EQ(DeleteUrlHistoryEntries(urls, 2), S_OK);
    EXPECT_EQ(Listed(), std::vector<std::string>{"https://b/"});
}
