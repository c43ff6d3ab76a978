#include "UrlHistory.h"

#include <utility>

#include "Failure.h"
#include "StatUrlEnumerator.h"
#include "browsers/Sources.h"
#include "platform/winbase.h"

namespace com {

HRESULT CreateUrlHistory(IUnknown* outer, REFIID riid, void** ppv) {
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return Guarded([&] {
        return MakeComObject<UrlHistory>(store::HistoryStore::Open())->QueryInterface(riid, ppv);
    });
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
        *ppEnum = MakeComObject<StatUrlEnumerator>(store_, browsers::ReadHistories()).Detach();
        return S_OK;
    });
}

// Every source is cleared even when one refuses; the answer names each
// refusal.
HRESULT UrlHistory::ClearHistory() {
    return Guarded([&] {
        browsers::Failures failures;
        try {
            store_->Clear();
        } catch (const store::StoreError& error) {
            failures.push_back(error);
        }
        for (store::StoreError& failure : browsers::ClearHistories())
            failures.push_back(std::move(failure));
        if (auto failure = browsers::OneError(failures))
            throw std::move(*failure);
        return S_OK;
    });
}

}  // namespace com
