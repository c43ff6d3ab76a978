#include "StatUrlEnumerator.h"

#include "StatUrl.h"
#include "failure.h"

namespace com {
namespace {
constexpr int kBatchSize = 256;
}

StatUrlEnumerator::StatUrlEnumerator(std::shared_ptr<HistoryStore> store, HistoryFilter filter,
                                     DWORD queryFlags, std::int64_t place,
                                     std::optional<std::uint64_t> file)
    : store_(std::move(store)),
      filter_(std::move(filter)),
      queryFlags_(queryFlags),
      place_(place),
      file_(file) {}

void* StatUrlEnumerator::InterfaceFor(REFIID riid) {
    if (riid == IID_IUnknown || riid == IID_IEnumSTATURL)
        return static_cast<IEnumSTATURL*>(this);
    return nullptr;
}

void StatUrlEnumerator::DropBatch() {
    batch_.clear();
    next_ = 0;
    batchReachedEnd_ = false;
}

void StatUrlEnumerator::DropStaleBatch() {
    if (store_->Stamp() != batchStamp_)
        DropBatch();
}

const HistoryRow* StatUrlEnumerator::Peek() {
    if (next_ < batch_.size())
        return &batch_[next_];
    if (batchReachedEnd_)
        return nullptr;
    const std::uint64_t file = store_->Follow();
    if (!file_) {
        file_ = file;
    } else if (*file_ != file) {
        throw store::StoreError{ERROR_FILE_INVALID,
                                store::StoreMessage("URL history", store_->Path(), "read",
                                                    "its file was deleted or replaced during "
                                                    "the listing")};
    }
    // The stamp is taken before reading, so a change that lands in between
    // makes the batch look stale, never fresh.
    batchStamp_ = store_->Stamp();
    batch_ = store_->Fetch(place_, filter_, kBatchSize);
    next_ = 0;
    batchReachedEnd_ = batch_.size() < static_cast<std::size_t>(kBatchSize);
    return batch_.empty() ? nullptr : &batch_.front();
}

void StatUrlEnumerator::Advance() {
    place_ = batch_[next_++].id;
}

HRESULT StatUrlEnumerator::Next(ULONG celt, LPSTATURL rgelt, ULONG* pceltFetched) {
    if (pceltFetched)
        *pceltFetched = 0;
    if (!rgelt)
        return E_POINTER;
    if (celt != 1 && !pceltFetched)
        return E_INVALIDARG;
    return Guarded([&] {
        const std::int64_t start = place_;
        ULONG fetched = 0;
        try {
            DropStaleBatch();
            for (; fetched < celt; ++fetched) {
                const HistoryRow* row = Peek();
                if (!row)
                    break;
                FillStatUrl(*row, queryFlags_, rgelt[fetched]);
                Advance();
            }
        } catch (...) {
            // All or nothing: the caller gets no texts to free, and the next
            // call starts where this one did.
            for (ULONG i = 0; i < fetched; ++i)
                FreeStatUrlTexts(rgelt[i]);
            place_ = start;
            DropBatch();
            throw;
        }
        if (pceltFetched)
            *pceltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    });
}

HRESULT StatUrlEnumerator::Skip(ULONG celt) {
    return Guarded([&] {
        const std::int64_t start = place_;
        ULONG skipped = 0;
        try {
            DropStaleBatch();
            for (; skipped < celt && Peek(); ++skipped)
                Advance();
        } catch (...) {
            place_ = start;
            DropBatch();
            throw;
        }
        return skipped == celt ? S_OK : S_FALSE;
    });
}

HRESULT StatUrlEnumerator::Reset() {
    place_ = 0;
    file_.reset();
    DropBatch();
    return S_OK;
}

HRESULT StatUrlEnumerator::Clone(IEnumSTATURL** ppenum) {
    if (!ppenum)
        return E_POINTER;
    *ppenum = nullptr;
    return Guarded([&] {
        *ppenum =
            MakeComObject<StatUrlEnumerator>(store_, filter_, queryFlags_, place_, file_).Detach();
        return S_OK;
    });
}

HRESULT StatUrlEnumerator::SetFilter(LPCOLESTR poszFilter, DWORD dwFlags) {
    return Guarded([&] {
        HistoryFilter filter;
        filter.prefix = Utf8From(poszFilter).value_or("");
        if (dwFlags & STATURL_QUERYFLAG_TOPLEVEL)
            filter.requiredFlags = STATURLFLAG_ISTOPLEVEL;
        filter_ = std::move(filter);
        queryFlags_ = dwFlags;
        DropBatch();
        return S_OK;
    });
}

}  // namespace com
