#include <string>

#include "ComFixture.h"
#include "StoreFaults.h"
#include "platform/codepage.h"

namespace {

std::u16string Numbered(int n) {
    return AnsiToWide("http://site/" + std::to_string(n));
}

std::vector<std::string> NumberedUrls(int from, int to) {
    std::vector<std::string> urls;
    for (int n = from; n <= to; ++n)
        urls.push_back("http://site/" + std::to_string(n));
    return urls;
}

}  // namespace

class EnumeratorTest : public ComTest {
protected:
    void SetUp() override {
        ComTest::SetUp();
        history_ = OpenHistory();
        ASSERT_TRUE(history_);
        ASSERT_EQ(history_->EnumUrls(walk_.PutRef()), S_OK);
    }
    void TearDown() override {
        walk_ = nullptr;
        history_ = nullptr;
        ComTest::TearDown();
    }
    void PutNumbered(int from, int to) {
        std::vector<std::u16string> urls;
        for (int n = from; n <= to; ++n)
            urls.push_back(Numbered(n));
        std::vector<URLHISTORY_ENTRY> entries(urls.size());
        for (std::size_t i = 0; i < urls.size(); ++i)
            entries[i].pwcsUrl = urls[i].c_str();
        ASSERT_EQ(AddUrlHistoryEntries(entries.data(), static_cast<ULONG>(entries.size())), S_OK);
    }

    ComPtr<IUrlHistoryStg2> history_;
    ComPtr<IEnumSTATURL> walk_;
};

TEST_F(EnumeratorTest, HttpFilterLeavesOtherSchemesOutInOrderFirstAdded) {
    PutEntry(u"http://b.example/", u"B");
    PutEntry(u"https://secure.example/", u"S");
    PutEntry(u"file:///home/alice/page.html", u"F");
    PutEntry(u"http://a.example/", u"A");
    PutEntry(u"http:/not-quite.example/", u"N");
    PutEntry(u"http://b.example/", u"B again");  // keeps its place

    ASSERT_EQ(walk_->SetFilter(u"http://", 0), S_OK);
    EXPECT_EQ(RemainingUrls(walk_.Get()),
              (std::vector<std::string>{"http://b.example/", "http://a.example/"}));
    ASSERT_EQ(history_->EnumUrls(walk_.PutRef()), S_OK);
    EXPECT_EQ(RemainingUrls(walk_.Get()).size(), 5u);
}

// As a program that writes the store through a blob binding would leave it.
TEST_F(EnumeratorTest, AnAddressStoredAsABlobIsListedAsItsText) {
    PutEntry(u"http://text.example/", u"T");
    Elsewhere(StorePath(),
              "INSERT INTO history (url, last_visited, last_updated, expires)"
              " VALUES (CAST('http://blob.example/' AS BLOB), 1, 2, 3),"
              " (CAST('https://blob.example/' AS BLOB), 1, 2, 3)");

    ASSERT_EQ(walk_->SetFilter(u"http://", 0), S_OK);
    EXPECT_EQ(RemainingUrls(walk_.Get()),
              (std::vector<std::string>{"http://text.example/", "http://blob.example/"}));
}

TEST_F(EnumeratorTest, NextReportsTheEnd) {
    STATURL records[3]{};
    ULONG fetched = 99;
    EXPECT_EQ(walk_->Next(1, records, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);

    PutNumbered(1, 2);
    EXPECT_EQ(walk_->Next(3, records, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(std::u16string(records[1].pwcsUrl), Numbered(2));
    for (ULONG i = 0; i < fetched; ++i) {
        CoTaskMemFree(records[i].pwcsUrl);
        CoTaskMemFree(records[i].pwcsTitle);
    }
    EXPECT_EQ(walk_->Next(1, records, nullptr), S_FALSE);
    EXPECT_EQ(walk_->Next(2, records, nullptr), E_INVALIDARG);
    EXPECT_EQ(walk_->Next(1, nullptr, &fetched), E_POINTER);
}

TEST_F(EnumeratorTest, AfterAClearingThroughItsObjectTheWalkGoesOnInTheStoreAsItIs) {
    PutNumbered(1, 4);
    STATURL record{};
    ASSERT_EQ(walk_->Next(1, &record, nullptr), S_OK);
    CoTaskMemFree(record.pwcsUrl);

    ASSERT_EQ(history_->ClearHistory(), S_OK);
    PutNumbered(5, 6);
    EXPECT_EQ(RemainingUrls(walk_.Get()), NumberedUrls(5, 6));
}

TEST_F(EnumeratorTest, AWalkEndedOrLeftHoldsNoReadTransaction) {
    PutNumbered(1, 3);
    // A reader holding a transaction keeps the log from being emptied.
    const auto logEmptied = [this] {
        return Elsewhere(StorePath(), "PRAGMA wal_checkpoint(TRUNCATE)") == "0";
    };

    STATURL record{};
    ASSERT_EQ(walk_->Next(1, &record, nullptr), S_OK);
    CoTaskMemFree(record.pwcsUrl);
    EXPECT_FALSE(logEmptied()) << "a walk under way goes unseen";
    EXPECT_EQ(RemainingUrls(walk_.Get()), NumberedUrls(2, 3));
    EXPECT_TRUE(logEmptied());

    PutNumbered(4, 5);
    ASSERT_EQ(history_->EnumUrls(walk_.PutRef()), S_OK);
    ASSERT_EQ(walk_->Next(1, &record, nullptr), S_OK);
    CoTaskMemFree(record.pwcsUrl);
    walk_ = nullptr;
    EXPECT_TRUE(logEmptied());
}
