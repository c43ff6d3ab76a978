// The history object's enumerator.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "HistoryStore.h"
#include "platform/comobject.h"
#include "platform/urlhist.h"

namespace com {

class StatUrlEnumerator final : public ComObject<IEnumSTATURL> {
public:
    explicit StatUrlEnumerator(std::shared_ptr<HistoryStore> store) : store_(std::move(store)) {}
    // A listing left before its end holds no read transaction after it.
    ~StatUrlEnumerator() override { store_->EndListing(); }

    HRESULT Next(ULONG celt, LPSTATURL rgelt, ULONG* pceltFetched) override;
    HRESULT SetFilter(LPCOLESTR poszFilter, DWORD dwFlags) override;

protected:
    void* InterfaceFor(REFIID riid) override;

private:
    // Reads the entry after the place into row_; false at the end.
    bool Peek();

    const std::shared_ptr<HistoryStore> store_;
    std::string prefix_;
    // The id of the last entry passed, 0 before the first: the place is an
    // entry, not a count, so changes to the store cannot shift it.
    std::int64_t place_ = 0;
    // The file of the store the place belongs to; a listing that finds the
    // file replaced fails rather than go on by ids of another file.
    std::optional<std::uint64_t> file_;
    HistoryRow row_;  // its texts' storage serves entry after entry
};

}  // namespace com
