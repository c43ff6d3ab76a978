// The history object's enumerator.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "browsers/Sources.h"
#include "platform/comobject.h"
#include "platform/urlhist.h"
#include "store/HistoryStore.h"

namespace com {

class StatUrlEnumerator final : public ComObject<IEnumSTATURLSource> {
public:
    // The store's own entries, then the browsers' visited pages as they were
    // when the listing started; a browser that could not be read ends the
    // listing with its failure once the others are listed.
    StatUrlEnumerator(std::shared_ptr<store::HistoryStore> store, browsers::HistoryReading pages)
        : store_(std::move(store)), pages_(std::move(pages)) {}
    // A listing left before its end holds no read transaction after it.
    ~StatUrlEnumerator() override { store_->EndListing(); }

    HRESULT Next(ULONG celt, LPSTATURL rgelt, ULONG* pceltFetched) override;
    HRESULT SetFilter(LPCOLESTR poszFilter, DWORD dwFlags) override;
    HRESULT GetLastSource(ULONG* pIndex) override;
    HRESULT GetSourceNames(ULONG index, LPWSTR* ppwcsLabel, LPWSTR* ppwcsBrowser,
                           LPWSTR* ppwcsProfile) override;

protected:
    void* InterfaceFor(REFIID riid) override;

private:
    // Reads the entry after the place into row_; false at the end.
    bool Peek();
    // The next browser page after the place that passes the filter, into row_.
    bool PeekPage();
    // Moves the place past row_.
    void Pass();

    const std::shared_ptr<store::HistoryStore> store_;
    std::string prefix_;
    // The id of the last entry passed, 0 before the first: the place is an
    // entry, not a count, so changes to the store cannot shift it.
    std::int64_t place_ = 0;
    // The file of the store the place belongs to; a listing that finds the
    // file replaced fails rather than go on by ids of another file.
    std::optional<std::uint64_t> file_;
    bool ownDone_ = false;   // the store's own entries are all listed
    store::HistoryRow row_;  // its texts' storage serves entry after entry
    bool rowIsPage_ = false;
    browsers::HistoryReading pages_;
    std::size_t page_ = 0;  // the first browser page not passed
    // The source of the entry given last: 0 the store, then each profile
    // of pages_ after the one before; nullopt before the first.
    std::optional<ULONG> lastSource_;
};

}  // namespace com
