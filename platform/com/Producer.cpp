#include <vector>

#include "Failure.h"
#include "StatUrl.h"
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
