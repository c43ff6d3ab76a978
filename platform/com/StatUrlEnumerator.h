// The history object's enumerator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "HistoryStore.h"
#include "platform/comobject.h"
#include "platform/urlhist.h"

namespace com {

class StatUrlEnumerator final : public ComObject<IEnumSTATURL> {
public:
    explicit StatUrlEnumerator(std::shared_ptr<HistoryStore> store, HistoryFilter filter = {},
                               DWORD queryFlags = 0, std::int64_t place = 0);

    HRESULT Next(ULONG celt, LPSTATURL rgelt, ULONG* pceltFetched) override;
    HRESULT Skip(ULONG celt) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumSTATURL** ppenum) override;
    HRESULT SetFilter(LPCOLESTR poszFilter, DWORD dwFlags) override;

protected:
    void* InterfaceFor(REFIID riid) override;

private:
    // Drops the batch when the store has changed since it was read.
    void DropStaleBatch();
    void DropBatch();
    // The first entry after the place, or nullptr at the end.
    const HistoryRow* Peek();
    // Moves the place past the entry Peek gave.
    void Advance();

    const std::shared_ptr<HistoryStore> store_;
    HistoryFilter filter_;
    DWORD queryFlags_ = 0;
    // The id of the last entry passed, 0 before the first: the place is an
    // entry, not a count, so changes to the store cannot shift it.
    std::int64_t place_ = 0;

    // Entries after the place, read ahead so that one-at-a-time walks do not
    // query the store for each entry.
    std::vector<HistoryRow> batch_;
    std::size_t next_ = 0;
    bool batchReachedEnd_ = false;
    ChangeStamp batchStamp_;
};

}  // namespace com
