// The browsers' cookie groups as the entries that follow the cache's own in
// a walk.
#pragma once

#include <optional>
#include <string>

#include "browsers/Sources.h"
#include "store/UrlCacheStore.h"

namespace wininet {

class BrowserCookieEntries final : public store::WalkTail {
public:
    // Read when the walk first reaches them; a profile that could not be
    // read ends the walk with its failure once the others are handed out.
    const store::EntryColumns* Pending() override;
    void Pass() override;

private:
    std::optional<browsers::Gathered<browsers::CookieGroup>> groups_;
    std::size_t next_ = 0;
    std::optional<store::EntryColumns> pending_;
    std::string values_;  // the pending group's packed values
};

}  // namespace wininet
