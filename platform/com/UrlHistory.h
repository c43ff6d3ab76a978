// The URL history object, class CLSID_CUrlHistory.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/comobject.h"
#include "platform/urlhist.h"
#include "store/HistoryStore.h"

namespace com {

// Makes the object for CoCreateInstance; fails when the store cannot be
// opened, with the store's message recorded for OleErrorMessage.
HRESULT CreateUrlHistory(IUnknown* outer, REFIID riid, void** ppv);

// Deletes the entries with these addresses from `store` (none: the store is
// not chosen) and from the history of every browser profile among
// `sources` (all when empty); throws the StoreError that names each
// refusal, and each address no history held when nothing refused.
void DeleteEntries(store::HistoryStore* store, std::vector<std::string> urls,
                   const std::vector<std::string>& sources);
// Clears `store` (none: the store is not chosen) and the history of every
// browser profile among `sources` (all when empty), going on past a
// refusal; throws the StoreError that names each.
void ClearEntries(store::HistoryStore* store, const std::vector<std::string>& sources);

// One connection to the store per object, shared with its enumerators. One
// thread at a time.
class UrlHistory final : public ComObject<IUrlHistoryStg2> {
public:
    explicit UrlHistory(std::shared_ptr<store::HistoryStore> store) : store_(std::move(store)) {}

    HRESULT DeleteUrl(LPCOLESTR pocsUrl, DWORD dwFlags) override;
    HRESULT EnumUrls(IEnumSTATURL** ppEnum) override;
    HRESULT ClearHistory() override;

protected:
    void* InterfaceFor(REFIID riid) override;

private:
    const std::shared_ptr<store::HistoryStore> store_;
};

}  // namespace com
