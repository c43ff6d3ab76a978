// The real browsers' stores: each profile of each browser found for the
// current user, with its cookies and its history, read and changed in the
// browser's own files.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace browsers {

// The cookies of one host (as the browser stores it, a leading dot kept),
// one path and one partition.
struct CookieGroup {
    // "Cookie:LABEL@HOST PATH"; a partitioned group's address is its own.
    std::string address;
    // FILETIME ticks, universal: the latest time a cookie of the group was
    // set or changed, and the latest expiry among them.
    std::uint64_t modified = 0;
    std::uint64_t expires = 0;
};

// One visited page.
struct VisitedPage {
    std::string url;
    std::optional<std::string> title;
    std::uint64_t lastVisited = 0;  // FILETIME ticks, universal
};

// Every call that fails throws store::StoreError, whose message names the
// browser and the profile ("Firefox (default-esr) is running: close it
// first").
class Profile {
public:
    virtual ~Profile() = default;

    // "firefox.default-esr", "chromium.Default"; never holds "@".
    virtual const std::string& Label() const = 0;

    // Read from a private copy while the browser runs.
    virtual std::vector<CookieGroup> Cookies() = 0;
    virtual std::vector<VisitedPage> History() = 0;

    // Deletes exactly the cookies of the group with this address; false when
    // the profile has no such group.
    virtual bool DeleteCookies(std::string_view address) = 0;
    // Clears the history as the browser's own clearing does, bookmarks kept.
    virtual void ClearHistory() = 0;
};

std::vector<std::unique_ptr<Profile>> FindFirefoxProfiles();
std::vector<std::unique_ptr<Profile>> FindChromiumProfiles();

// Every profile found for the current user (HOME, XDG_CONFIG_HOME), the
// Firefox ones first.
std::vector<std::unique_ptr<Profile>> FindProfiles();

}  // namespace browsers
