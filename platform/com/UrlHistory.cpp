#include "UrlHistory.h"

#include "StatUrlEnumerator.h"
#include "failure.h"
#include "platform/winbase.h"

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
        *ppEnum = MakeComObject<StatUrlEnumerator>(store_).Detach();
        return S_OK;
    });
}

HRESULT UrlHistory::ClearHistory() {
    return Guarded([&] {
        store_->Clear();
        return S_OK;
    });
}

}  // namespace com
