#include "wininet/BrowserCookieEntries.h"

#include <utility>

namespace wininet {

const store::EntryColumns* BrowserCookieEntries::Pending() {
    if (pending_)
        return &*pending_;
    if (!groups_)
        groups_ = browsers::ReadCookies();
    if (next_ == groups_->items.size()) {
        browsers::Failures failures = std::exchange(groups_->failures, {});
        for (store::StoreError& failure : browsers::TakeDeletionFailures())
            failures.push_back(std::move(failure));
        if (auto failure = browsers::OneError(failures))
            throw std::move(*failure);
        return nullptr;
    }
    const browsers::CookieGroup& group = groups_->items[next_];
    CACHE_ENTRY_VALUES values;
    values.CacheEntryType = COOKIE_CACHE_ENTRY;
    values.LastModifiedTime = QuadToFileTime(group.modified);
    values.ExpireTime = QuadToFileTime(group.expires);
    values_ = store::PackEntryValues(values, 0);
    store::EntryColumns& entry =
        pending_.emplace(store::EntryColumns{0, group.address, COOKIE_CACHE_ENTRY, 0, values_});
    entry.recordSize = store::EntryRecordSize(entry);
    return &entry;
}

void BrowserCookieEntries::Pass() {
    pending_.reset();
    ++next_;
}

}  // namespace wininet
