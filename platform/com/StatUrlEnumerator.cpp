#include "StatUrlEnumerator.h"

#include "StatUrl.h"
#include "failure.h"

namespace com {

void* StatUrlEnumerator::InterfaceFor(REFIID riid) {
    if (riid == IID_IUnknown || riid == IID_IEnumSTATURL)
        return static_cast<IEnumSTATURL*>(this);
    return nullptr;
}

bool StatUrlEnumerator::Peek() {
    const bool found = store_->NextAfter(place_, prefix_, row_);
    const std::uint64_t file = store_->FilesFollowed();
    if (!file_) {
        file_ = file;
    } else if (*file_ != file) {
        throw store::StoreError{ERROR_FILE_INVALID,
                                store::StoreMessage("URL history", store_->Path(), "read",
                                                    "its file was deleted or replaced during "
                                                    "the listing")};
    }
    return found;
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
            for (; fetched < celt; ++fetched) {
                if (!Peek())
                    break;
                FillStatUrl(row_, rgelt[fetched]);
                place_ = row_.id;
            }
        } catch (...) {
            // All or nothing: the caller gets no texts to free, and the next
            // call starts where this one did.
            for (ULONG i = 0; i < fetched; ++i)
                FreeStatUrlTexts(rgelt[i]);
            place_ = start;
            throw;
        }
        if (pceltFetched)
            *pceltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    });
}

HRESULT StatUrlEnumerator::SetFilter(LPCOLESTR poszFilter, DWORD /*dwFlags*/) {
    return Guarded([&] {
        prefix_ = Utf8From(poszFilter).value_or("");
        return S_OK;
    });
}

}  // namespace com
