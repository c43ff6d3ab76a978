// The real browsers' profiles as further sources of the cache's cookie
// entries and of the history: read together when a walk or a listing starts,
// changed together when the history is cleared.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "browsers/Profile.h"
#include "store/Database.h"

namespace store {

// What every profile gave. A profile that cannot be read is passed over so
// that the others still show; its failure (the first one) is kept for the
// caller to report after them.
template <typename Item>
struct FromBrowsers {
    std::vector<Item> items;
    std::optional<StoreError> failure;
};

FromBrowsers<browsers::CookieGroup> ReadBrowserCookies();
FromBrowsers<browsers::VisitedPage> ReadBrowserHistories();

// Deletes the cookie group with this address from the profile its label
// names; false when no profile has it. Throws StoreError.
bool DeleteBrowserCookies(std::string_view address);

// Clears every profile's history, carrying on past a refusal; the first
// failure comes back once all were tried.
std::optional<StoreError> ClearBrowserHistories();

}  // namespace store
