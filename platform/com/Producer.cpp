#include <memory>
#include <string>
#include <vector>

#include "Failure.h"
#include "StatUrl.h"
#include "UrlHistory.h"
#include "browsers/Sources.h"
#include "platform/urlhist.h"
#include "store/HistoryStore.h"

HRESULT AddUrlHistoryEntries(const URLHISTORY_ENTRY* entries, ULONG count) {
    if (!entries && count)
        return E_POINTER;
    return com::Guarded([&] {
        std::vector<store::HistoryRow> rows;
        rows.reserve(count);
        for (ULONG i = 0; i < count; ++i) {
            const URLHISTORY_ENTRY& entry = entries[i];
            if (!entry.pwcsUrl || !*entry.pwcsUrl)
                return E_INVALIDARG;
            store::HistoryRow row;
            row.url = *com::Utf8From(entry.pwcsUrl);
            row.title = com::Utf8From(entry.pwcsTitle);
            row.lastVisited = FileTimeToQuad(entry.ftLastVisited);
            row.lastUpdated = FileTimeToQuad(entry.ftLastUpdated);
            row.expires = FileTimeToQuad(entry.ftExpires);
            row.flags = entry.dwFlags;
            rows.push_back(std::move(row));
        }
        store::HistoryStore::Open()->Put(rows);
        return S_OK;
    });
}

namespace {

// The sources named, and Orvalla's own store when they name it.
struct ChosenSources {
    std::vector<std::string> names;
    std::shared_ptr<store::HistoryStore> own;
};

ChosenSources ChooseSources(const LPCWSTR* sources, ULONG count) {
    ChosenSources chosen;
    for (ULONG i = 0; i < count; ++i)
        chosen.names.push_back(com::Utf8From(sources[i]).value_or(""));
    if (browsers::Chosen(*com::Utf8From(kOwnHistorySource), chosen.names))
        chosen.own = store::HistoryStore::Open();
    return chosen;
}

}  // namespace

HRESULT DeleteUrlHistoryEntries(const LPCWSTR* urls, ULONG count, const LPCWSTR* sources,
                                ULONG sourceCount) {
    if ((!urls && count) || (!sources && sourceCount))
        return E_POINTER;
    return com::Guarded([&] {
        std::vector<std::string> addresses;
        for (ULONG i = 0; i < count; ++i) {
            if (!urls[i] || !*urls[i])
                return E_INVALIDARG;
            addresses.push_back(*com::Utf8From(urls[i]));
        }
        const ChosenSources chosen = ChooseSources(sources, sourceCount);
        com::DeleteEntries(chosen.own.get(), std::move(addresses), chosen.names);
        return S_OK;
    });
}

HRESULT ClearUrlHistorySources(const LPCWSTR* sources, ULONG count) {
    if (!sources && count)
        return E_POINTER;
    if (!count)
        return S_OK;
    return com::Guarded([&] {
        const ChosenSources chosen = ChooseSources(sources, count);
        com::ClearEntries(chosen.own.get(), chosen.names);
        return S_OK;
    });
}
