#include "UrlHistory.h"

#include <unordered_set>
#include <utility>

#include "Failure.h"
#include "StatUrl.h"
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

void DeleteEntries(store::HistoryStore* store, std::vector<std::string> urls,
                   const std::vector<std::string>& sources) {
    // Each address once, in the order given, so that a second mention finds
    // what the first found.
    std::unordered_set<std::string> seen;
    std::erase_if(urls, [&](const std::string& url) { return !seen.insert(url).second; });
    std::vector<bool> found(urls.size());
    browsers::Failures failures;
    if (store) {
        try {
            store->Delete(urls, found);
        } catch (const store::StoreError& error) {
            failures.push_back(error);
        }
    }
    for (store::StoreError& failure : browsers::DeleteHistories(urls, sources, found))
        failures.push_back(std::move(failure));
    // A source that refused may hold the addresses not found elsewhere.
    if (failures.empty()) {
        for (std::size_t i = 0; i < urls.size(); ++i) {
            if (!found[i])
                failures.push_back({ERROR_FILE_NOT_FOUND, "\"" + urls[i] + "\" is in no history"});
        }
    }
    if (auto failure = browsers::OneError(failures))
        throw std::move(*failure);
}

HRESULT UrlHistory::DeleteUrl(LPCOLESTR pocsUrl, DWORD /*dwFlags*/) {
    if (!pocsUrl)
        return E_POINTER;
    return Guarded([&] {
        DeleteEntries(store_.get(), {*Utf8From(pocsUrl)}, {});
        return S_OK;
    });
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

void ClearEntries(store::HistoryStore* store, const std::vector<std::string>& sources) {
    browsers::Failures failures;
    if (store) {
        try {
            store->Clear();
        } catch (const store::StoreError& error) {
            failures.push_back(error);
        }
    }
    for (store::StoreError& failure : browsers::ClearHistories(sources))
        failures.push_back(std::move(failure));
    if (auto failure = browsers::OneError(failures))
        throw std::move(*failure);
}

// Every source is cleared even when one refuses; the answer names each
// refusal.
HRESULT UrlHistory::ClearHistory() {
    return Guarded([&] {
        ClearEntries(store_.get(), {});
        return S_OK;
    });
}

}  // namespace com
