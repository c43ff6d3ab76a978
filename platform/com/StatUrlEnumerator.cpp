#include "StatUrlEnumerator.h"

#include <utility>

#include "Failure.h"
#include "StatUrl.h"
#include "platform/objbase.h"

namespace com {

void* StatUrlEnumerator::InterfaceFor(REFIID riid) {
    if (riid == IID_IUnknown || riid == IID_IEnumSTATURL || riid == IID_IEnumSTATURLSource)
        return static_cast<IEnumSTATURLSource*>(this);
    return nullptr;
}

bool StatUrlEnumerator::Peek() {
    // Past the store's own entries only the browsers' pages are looked at,
    // until they too run out; then the store may have more.
    if (ownDone_ && PeekPage())
        return true;
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
    rowIsPage_ = false;
    ownDone_ = !found;
    return found || PeekPage();
}

bool StatUrlEnumerator::PeekPage() {
    for (; page_ < pages_.items.size(); ++page_) {
        const browsers::VisitedPage& page = pages_.items[page_];
        if (!page.Url().starts_with(prefix_))
            continue;
        row_.url.assign(page.Url());
        row_.title = page.Title();
        row_.lastVisited = row_.lastUpdated = page.lastVisited;
        row_.expires = 0;
        row_.flags = 0;
        rowIsPage_ = true;
        return true;
    }
    if (auto failure = browsers::OneError(std::exchange(pages_.failures, {})))
        throw std::move(*failure);
    return false;
}

void StatUrlEnumerator::Pass() {
    if (rowIsPage_)
        ++page_;
    else
        place_ = row_.id;
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
        const std::size_t startPage = page_;
        const std::optional<ULONG> startSource = lastSource_;
        ULONG fetched = 0;
        try {
            for (; fetched < celt; ++fetched) {
                if (!Peek())
                    break;
                FillStatUrl(row_, rgelt[fetched]);
                lastSource_ = rowIsPage_ ? pages_.items[page_].source + 1 : 0;
                Pass();
            }
        } catch (...) {
            // All or nothing: the caller gets no texts to free, and the next
            // call starts where this one did.
            for (ULONG i = 0; i < fetched; ++i)
                FreeStatUrlTexts(rgelt[i]);
            place_ = start;
            page_ = startPage;
            lastSource_ = startSource;
            throw;
        }
        // The place only moves on, so the pages behind it are never read
        // again: a walk of half a million holds their texts only until it
        // is past them.
        for (std::size_t passed = startPage; passed < page_; ++passed)
            pages_.items[passed].Forget();
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

HRESULT StatUrlEnumerator::GetLastSource(ULONG* pIndex) {
    if (!pIndex)
        return E_POINTER;
    *pIndex = lastSource_.value_or(0);
    return lastSource_ ? S_OK : E_UNEXPECTED;
}

HRESULT StatUrlEnumerator::GetSourceNames(ULONG index, LPWSTR* ppwcsLabel, LPWSTR* ppwcsBrowser,
                                          LPWSTR* ppwcsProfile) {
    for (LPWSTR* text : {ppwcsLabel, ppwcsBrowser, ppwcsProfile}) {
        if (text)
            *text = nullptr;
    }
    if (index > pages_.sources.size())
        return E_INVALIDARG;
    return Guarded([&] {
        const browsers::PageSource source =
            index == 0 ? browsers::PageSource{*Utf8From(kOwnHistorySource), "Orvalla", ""}
                       : pages_.sources[index - 1];
        // All or nothing, as Next gives its texts.
        LPWSTR texts[3] = {};
        try {
            texts[0] = ppwcsLabel ? TaskMemWideCopy(source.label) : nullptr;
            texts[1] = ppwcsBrowser ? TaskMemWideCopy(source.browser) : nullptr;
            texts[2] = ppwcsProfile ? TaskMemWideCopy(source.profile) : nullptr;
        } catch (...) {
            for (LPWSTR text : texts)
                CoTaskMemFree(text);
            throw;
        }
        LPWSTR* wanted[3] = {ppwcsLabel, ppwcsBrowser, ppwcsProfile};
        for (int i = 0; i < 3; ++i) {
            if (wanted[i])
                *wanted[i] = texts[i];
        }
        return S_OK;
    });
}

}  // namespace com
