#include <string>

#include "ComFixture.h"
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
    ASSERT_EQ(walk_->SetFilter(nullptr, 0), S_OK);
    ASSERT_EQ(walk_->Reset(), S_OK);
    EXPECT_EQ(RemainingUrls(walk_.Get()).size(), 5u);
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

TEST_F(EnumeratorTest, SkipResetAndCloneKeepPlaceAndFilter) {
    PutNumbered(1, 3);
    PutEntry(u"https://other/", nullptr);
    PutNumbered(4, 5);
    ASSERT_EQ(walk_->SetFilter(u"http://", 0), S_OK);

    EXPECT_EQ(walk_->Skip(2), S_OK);
    ComPtr<IEnumSTATURL> clone;
    ASSERT_EQ(walk_->Clone(clone.PutRef()), S_OK);
    EXPECT_EQ(RemainingUrls(walk_.Get()), NumberedUrls(3, 5));
    EXPECT_EQ(RemainingUrls(clone.Get()), NumberedUrls(3, 5));

    ASSERT_EQ(walk_->Reset(), S_OK);
    EXPECT_EQ(walk_->Skip(6), S_FALSE);
    EXPECT_TRUE(RemainingUrls(walk_.Get()).empty());
    ASSERT_EQ(walk_->Reset(), S_OK);
    EXPECT_EQ(RemainingUrls(walk_.Get()), NumberedUrls(1, 5));
}

TEST_F(EnumeratorTest, FilterFlagsLeaveTextsOutAndPickTopLevelPages) {
    PutEntry(u"http://frame/", u"Frame");
    PutEntry(u"http://page/", u"Page", 1, 2, 3, STATURLFLAG_ISTOPLEVEL);
    ASSERT_EQ(walk_->SetFilter(u"", STATURL_QUERYFLAG_TOPLEVEL | STATURL_QUERYFLAG_NOTITLE), S_OK);
    STATURL record{};
    ASSERT_EQ(walk_->Next(1, &record, nullptr), S_OK);
    EXPECT_EQ(std::u16string(record.pwcsUrl), u"http://page/");
    EXPECT_EQ(record.pwcsTitle, nullptr);
    CoTaskMemFree(record.pwcsUrl);
    EXPECT_EQ(walk_->Next(1, &record, nullptr), S_FALSE);
}

// Long enough that the walk reads the store in several pieces.
TEST_F(EnumeratorTest, PlaceIsKeptByEntryWhileTheStoreChanges) {
    PutNumbered(1, 600);
    ASSERT_EQ(walk_->Skip(299), S_OK);
    STATURL record{};
    ASSERT_EQ(walk_->Next(1, &record, nullptr), S_OK);
    EXPECT_EQ(std::u16string(record.pwcsUrl), Numbered(300));
    CoTaskMemFree(record.pwcsUrl);

    // Through this object: the entry just passed and the next one go.
    ASSERT_EQ(history_->DeleteUrl(Numbered(300).c_str(), 0), S_OK);
    ASSERT_EQ(history_->DeleteUrl(Numbered(301).c_str(), 0), S_OK);
    std::vector<std::string> seen;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(walk_->Next(1, &record, nullptr), S_OK);
        seen.push_back(WideToAnsi(record.pwcsUrl));
        CoTaskMemFree(record.pwcsUrl);
    }
    // Through another connection: an entry ahead goes and a new one comes.
    ComPtr<IUrlHistoryStg2> other = OpenHistory();
    ASSERT_TRUE(other);
    ASSERT_EQ(other->DeleteUrl(Numbered(304).c_str(), 0), S_OK);
    ASSERT_EQ(other->AddUrl(Numbered(601).c_str(), nullptr, 0), S_OK);

    for (const std::string& url : RemainingUrls(walk_.Get()))
        seen.push_back(url);
    std::vector<std::string> expected = NumberedUrls(302, 303);
    for (const std::string& url : NumberedUrls(305, 601))
        expected.push_back(url);
    EXPECT_EQ(seen, expected);
}
