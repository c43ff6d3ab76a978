#include "PlatformStores.h"

#include <gtest/gtest.h>

#include <QString>

#include "CacheWalk.h"
#include "platform/objbase.h"
#include "platform/sysutils.h"

std::map<std::string, CacheCookie> WalkCookies(DWORD* end) {
    std::map<std::string, CacheCookie> cookies;
    const WalkOutcome walked = WalkCache([&](const EntryBuffer& buffer) {
        const INTERNET_CACHE_ENTRY_INFOA& entry = *buffer.Record();
        if (entry.CacheEntryType & COOKIE_CACHE_ENTRY) {
            cookies[entry.lpszSourceUrlName] = {entry.dwHitRate,
                                                FileTimeToQuad(entry.LastModifiedTime),
                                                FileTimeToQuad(entry.ExpireTime)};
        }
    });
    EXPECT_EQ(walked.refused, 0);
    if (end)
        *end = walked.end;
    else
        EXPECT_EQ(walked.end, DWORD{ERROR_NO_MORE_ITEMS}) << walked.detail;
    return cookies;
}

ComPtr<IUrlHistoryStg2> OpenHistory() {
    ComPtr<IUrlHistoryStg2> history;
    EXPECT_EQ(CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IUrlHistoryStg2, history.PutVoid()),
              S_OK);
    return history;
}

std::map<std::string, HistoryPage> ListHistory(HRESULT* end) {
    std::map<std::string, HistoryPage> pages;
    ComPtr<IEnumSTATURL> entries;
    const ComPtr<IUrlHistoryStg2> history = OpenHistory();
    if (!history || history->EnumUrls(entries.PutRef()) != S_OK)
        return pages;
    entries->SetFilter(u"http://", 0);
    STATURL record{};
    HRESULT result;
    while ((result = entries->Next(1, &record, nullptr)) == S_OK) {
        auto narrow = [](const char16_t* text) {
            return text ? QString::fromStdU16String(text).toStdString() : std::string();
        };
        pages[narrow(record.pwcsUrl)] = {
            narrow(record.pwcsTitle), FileTimeToQuad(record.ftLastVisited),
            FileTimeToQuad(record.ftLastUpdated), FileTimeToQuad(record.ftExpires)};
        CoTaskMemFree(record.pwcsUrl);
        CoTaskMemFree(record.pwcsTitle);
    }
    if (end)
        *end = result;
    else
        EXPECT_EQ(result, S_FALSE);
    return pages;
}
