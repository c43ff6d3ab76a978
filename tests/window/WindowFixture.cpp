#include "WindowFixture.h"

#include "CacheWalk.h"
#include "TimeStamps.h"

#include <QApplication>
#include <QTest>

#include "platform/objbase.h"
#include "platform/regional.h"
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
        texts.push_back(column == 0 ? item.Caption() : item.SubItem(column - 1));
    }
    return texts;
}
