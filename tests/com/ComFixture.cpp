#include "ComFixture.h"

#include "platform/codepage.h"

ComPtr<IUrlHistoryStg2> OpenHistory() {
    ComPtr<IUnknown> object;
    const HRESULT created =
        CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                         IID_IUnknown, object.PutVoid());
    EXPECT_EQ(created, S_OK);
    ComPtr<IUrlHistoryStg2> history;
    if (SUCCEEDED(created)) {
        EXPECT_EQ(object.QueryInterface(history), S_OK);
    }
    return history;
}

void PutEntry(const char16_t* url, const char16_t* title, std::uint64_t visited,
              std::uint64_t updated, std::uint64_t expires, DWORD flags) {
    URLHISTORY_ENTRY entry;
    entry.pwcsUrl = url;
    entry.pwcsTitle = title;
    entry.ftLastVisited = QuadToFileTime(visited);
    entry.ftLastUpdated = QuadToFileTime(updated);
    entry.ftExpires = QuadToFileTime(expires);
    entry.dwFlags = flags;
    ASSERT_EQ(AddUrlHistoryEntry(entry), S_OK);
}

std::vector<std::string> RemainingUrls(IEnumSTATURL* walk, HRESULT* end) {
    std::vector<std::string> urls;
    STATURL record{};
    HRESULT result;
    while ((result = walk->Next(1, &record, nullptr)) == S_OK) {
        urls.push_back(WideToAnsi(record.pwcsUrl));
        CoTaskMemFree(record.pwcsUrl);
        CoTaskMemFree(record.pwcsTitle);
    }
    if (end)
        *end = result;
    return urls;
}

std::vector<std::string> Listed(IUrlHistoryStg* history) {
    const ComPtr<IUrlHistoryStg2> fresh = history ? nullptr : OpenHistory();
    if (!history)
        history = fresh.Get();
    ComPtr<IEnumSTATURL> walk;
    if (history) {
        EXPECT_EQ(history->EnumUrls(walk.PutRef()), S_OK);
    }
    return walk ? RemainingUrls(walk.Get()) : std::vector<std::string>{};
}
