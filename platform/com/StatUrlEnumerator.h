// The history object's enumerator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "HistoryStore.h"
#include "platform/comobject.h"
#include "platform/urlhist.h"

namespace com {

class StatUrlEnumerator final : public ComObject<IEnumSTATURL> {
public:
    // Without `file` the enumerator keeps to whichever file of the store it
    // reads first (see HistoryStore::Follow).
    explicit StatUrlEnumerator(std::shared_ptr<HistoryStore> store, HistoryFilter filter = {},
                               DWORD queryFlags = 0, std::int64_t place = 0,
                               std::optional<std::uint64_t> file = std::nullopt);

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
    // The file of the store the place belongs to; a listing that finds the
    // file replaced fails rather than go on by ids of another file.
    std::optional<std::uint64_t> file_;

    // Entries after the place, read ahead so that one-at-a-time walks do not
    // query the store for each entry.
    std::vector<HistoryRow> batch_;
    std::size_t next_ = 0;
    bool batchReachedEnd_ = false;
    ChangeStamp batchStamp_;
};

}  // namespace com
