#include "WindowFixture.h"

#include "CacheWalk.h"
#include "TimeStamps.h"

#include <QApplication>
#include <QTest>

#include "platform/codepage.h"
#include "platform/objbase.h"
#include "platform/regional.h"
#include "platform/urlhist.h"
#include "platform/vcl/Application.h"

WindowFixture::WindowFixture() {
    CoInitialize(nullptr);
    RefreshFormatSettings();
    Application.Title = "Veltrane  - Orvalla";
}

WindowFixture::~WindowFixture() {
    form_.reset();
    UrlHistory = nullptr;
    CoUninitialize();
    RefreshFormatSettings();
}

FILETIME WindowFixture::Utc(int year, int month, int day, int hour, int minute, int second) {
    return UtcFileTime(year, month, day, hour, minute, second);
}

void WindowFixture::AddEntry(const std::string& address, DWORD type, DWORD hits, FILETIME modified,
                             FILETIME expires) {
    CACHE_ENTRY_VALUES values;
    values.CacheEntryType = type;
    values.LastModifiedTime = modified;
    values.ExpireTime = expires;
    ASSERT_TRUE(CommitUrlCacheEntryValues(address.c_str(), &values)) << GetLastError();
    if (hits) {
        ASSERT_TRUE(SetUrlCacheEntryHitRate(address.c_str(), hits));
    }
}

void WindowFixture::Visit(const std::string& url, const std::string& title, FILETIME visited) {
    const std::u16string wideUrl = AnsiToWide(url);
    const std::u16string wideTitle = AnsiToWide(title);
    URLHISTORY_ENTRY entry;
    entry.pwcsUrl = wideUrl.c_str();
    entry.pwcsTitle = wideTitle.c_str();
    entry.ftLastVisited = visited;
    entry.ftLastUpdated = Utc(2026, 3, 3, 10, 0, 0);
    entry.ftExpires = Utc(2026, 4, 1);
    ASSERT_EQ(AddUrlHistoryEntry(entry), S_OK);
}

bool WindowFixture::CacheHas(const std::string& address) {
    bool found = false;
    WalkCache([&](const EntryBuffer& entry) {
        found = found || address == entry.Record()->lpszSourceUrlName;
    });
    return found;
}

TMainForm& WindowFixture::Create() {
    form_ = std::make_unique<TMainForm>();
    return *form_;
}

void WindowFixture::ShowAndActivate() {
    form_->show();
    QApplication::setActiveWindow(form_.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(form_.get()));
}

std::vector<std::string> WindowFixture::Captions(int column) const {
    std::vector<std::string> texts;
    for (int i = 0; i < form_->lvCookies->Count(); ++i) {
        const TListItem item = form_->lvCookies->Items(i);
        texts.emplace_back(column == 0 ? item.Caption() : item.SubItem(column - 1));
    }
    return texts;
}
