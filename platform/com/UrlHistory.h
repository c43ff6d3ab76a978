// The URL history object, class CLSID_CUrlHistory.
#pragma once

#include <memory>

#include "platform/comobject.h"
#include "platform/urlhist.h"
#include "store/HistoryStore.h"

namespace com {

// Makes the object for CoCreateInstance; fails when the store cannot be
// opened, with the store's message recorded for OleErrorMessage.
HRESULT CreateUrlHistory(IUnknown* outer, REFIID riid, void** ppv);

// One connection to the store per object, shared with its enumerators. One
// thread at a time.
class UrlHistory final : public ComObject<IUrlHistoryStg2> {
public:
    explicit UrlHistory(std::shared_ptr<store::HistoryStore> store) : store_(std::move(store)) {}

    HRESULT EnumUrls(IEnumSTATURL** ppEnum) override;
    HRESULT ClearHistory() override;

protected:
    void* InterfaceFor(REFIID riid) override;

private:
    const std::shared_ptr<store::HistoryStore> store_;
};

}  // namespace com
