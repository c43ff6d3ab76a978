#include "store/BrowserSources.h"

namespace store {
namespace {

template <typename Item, typename Read>
FromBrowsers<Item> ReadEvery(Read read) {
    FromBrowsers<Item> result;
    for (const auto& profile : browsers::FindProfiles()) {
        try {
            for (Item& item : read(*profile))
                result.items.push_back(std::move(item));
        } catch (const StoreError& error) {
            if (!result.failure)
                result.failure = error;
        }
    }
    return result;
}

}  // namespace

FromBrowsers<browsers::CookieGroup> ReadBrowserCookies() {
    return ReadEvery<browsers::CookieGroup>(
        [](browsers::Profile& profile) { return profile.Cookies(); });
}

FromBrowsers<browsers::VisitedPage> ReadBrowserHistories() {
    return ReadEvery<browsers::VisitedPage>(
        [](browsers::Profile& profile) { return profile.History(); });
}

bool DeleteBrowserCookies(std::string_view address) {
    constexpr std::string_view kCookie = "Cookie:";
    const std::size_t at = address.find('@');
    if (address.substr(0, kCookie.size()) != kCookie || at == std::string_view::npos)
        return false;
    const std::string_view label = address.substr(kCookie.size(), at - kCookie.size());
    for (const auto& profile : browsers::FindProfiles()) {
        if (profile->Label() == label)
            return profile->DeleteCookies(address);
    }
    return false;
}

std::optional<StoreError> ClearBrowserHistories() {
    std::optional<StoreError> failure;
    for (const auto& profile : browsers::FindProfiles()) {
        try {
            profile->ClearHistory();
        } catch (const StoreError& error) {
            if (!failure)
                failure = error;
        }
    }
    return failure;
}

}  // namespace store
