#include "UrlHistory.h"

#include <optional>
#include <utility>

#include "StatUrlEnumerator.h"
#include "failure.h"
#include "platform/winbase.h"
#include "store/BrowserSources.h"

namespace com {

HRESULT CreateUrlHistory(IUnknown* outer, REFIID riid, void** ppv) {
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

HRESULT UrlHistory::EnumUrls(IEnumSTATURL** ppEnum) {
    if (!ppEnum)
        return E_POINTER;
    *ppEnum = nullptr;
    // The entries of a listing are shown in the time zone as it is when the listing starts.
    TakeUpTimeZone();
    return Guarded([&] {
        *ppEnum = MakeComObject<StatUrlEnumerator>(store_, store::ReadBrowserHistories()).Detach();
        return S_OK;
    });
}

// Every source is cleared even when one refuses; the first refusal is the
// answer.
HRESULT UrlHistory::ClearHistory() {
    return Guarded([&] {
        std::optional<store::StoreError> failure;
        try {
            store_->Clear();
        } catch (const store::StoreError& error) {
            failure = error;
        }
        if (std::optional<store::StoreError> browsers = store::ClearBrowserHistories(); !failure)
            failure = std::move(browsers);
        if (failure)
            throw std::move(*failure);
        return S_OK;
    });
}

}  // namespace com
