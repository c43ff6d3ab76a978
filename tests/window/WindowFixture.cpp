#include "WindowFixture.h"

#include <QApplication>
#include <QTest>

#include <ctime>

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
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    const std::int64_t unixSeconds = timegm(&tm);
    return QuadToFileTime(static_cast<std::uint64_t>(unixSeconds + 11644473600LL) * 10000000ULL);
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
    std::vector<std::max_align_t> buffer;
    auto entry = [&](DWORD size) {
        buffer.assign(size / sizeof(std::max_align_t) + 1, {});
        return reinterpret_cast<LPINTERNET_CACHE_ENTRY_INFOA>(buffer.data());
    };
    DWORD size = 0;
    FindFirstUrlCacheEntryA(nullptr, nullptr, &size);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return false;
    LPINTERNET_CACHE_ENTRY_INFOA first = entry(size);
    HANDLE walk = FindFirstUrlCacheEntryA(nullptr, first, &size);
    if (!walk)
        return false;
    bool found = address == first->lpszSourceUrlName;
    for (size = 0; !FindNextUrlCacheEntryA(walk, nullptr, &size) &&
                   GetLastError() == ERROR_INSUFFICIENT_BUFFER;
         size = 0) {
        LPINTERNET_CACHE_ENTRY_INFOA info = entry(size);
        if (FindNextUrlCacheEntryA(walk, info, &size) && address == info->lpszSourceUrlName) {
            found = true;
        }
    }
    FindCloseUrlCache(walk);
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
