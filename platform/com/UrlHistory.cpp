#include "UrlHistory.h"

#include "StatUrl.h"
#include "StatUrlEnumerator.h"
#include "failure.h"

namespace com {
namespace {

bool IsAddress(LPCOLESTR url) {
    return url && *url;
}

constexpr HRESULT kNotThere = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

}  // namespace

HRESULT CreateUrlHistory(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return Guarded(
        [&] { return MakeComObject<UrlHistory>(HistoryStore::Open())->QueryInterface(riid, ppv); });
}

void* UrlHistory::InterfaceFor(REFIID riid) {
    if (riid == IID_IUnknown || riid == IID_IUrlHistoryStg || riid == IID_IUrlHistoryStg2) {
        return static_cast<IUrlHistoryStg2*>(this);
    }
    return nullptr;
}

HRESULT UrlHistory::AddUrl(LPCOLESTR pocsUrl, LPCOLESTR pocsTitle, DWORD /*dwFlags*/) {
    if (!IsAddress(pocsUrl))
        return E_INVALIDARG;
    return Guarded([&] {
        store_->Visit(*Utf8From(pocsUrl), Utf8From(pocsTitle), NowAsFileTime());
        return S_OK;
    });
}

HRESULT UrlHistory::DeleteUrl(LPCOLESTR pocsUrl, DWORD /*dwFlags*/) {
    if (!IsAddress(pocsUrl))
        return E_INVALIDARG;
    return Guarded([&] { return store_->Remove(*Utf8From(pocsUrl)) ? S_OK : kNotThere; });
}

HRESULT UrlHistory::QueryUrl(LPCOLESTR pocsUrl, DWORD dwFlags, LPSTATURL lpSTATURL) {
    if (!IsAddress(pocsUrl))
        return E_INVALIDARG;
    return Guarded([&] {
        const std::optional<HistoryRow> row = store_->Find(*Utf8From(pocsUrl));
        if (!row)
            return kNotThere;
        if (lpSTATURL)
            FillStatUrl(*row, dwFlags, *lpSTATURL);
        return S_OK;
    });
}

HRESULT UrlHistory::BindToObject(LPCOLESTR /*pocsUrl*/, REFIID /*riid*/, void** ppvOut) {
    if (ppvOut)
        *ppvOut = nullptr;
    return E_NOTIMPL;
}

HRESULT UrlHistory::EnumUrls(IEnumSTATURL** ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    return Guarded([&] {
        *ppEnum = MakeComObject<StatUrlEnumerator>(store_).Detach();
        return S_OK;
    });
}

HRESULT UrlHistory::AddUrlAndNotify(LPCOLESTR, LPCOLESTR, DWORD, BOOL, IOleCommandTarget*,
                                    IUnknown*) {
    return E_NOTIMPL;
}

HRESULT UrlHistory::ClearHistory() {
    return Guarded([&] {
        store_->Clear();
        return S_OK;
    });
}

}  // namespace com
