// Every browser profile of the current user as one source of cookie groups
// and visited pages: read together, changed together, and each failure kept
// to be reported, by browser, profile and file, once the rest is shown.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browsers/Profile.h"

namespace browsers {

// What every profile gave, and why each source that could not be read did
// not.
template <typename Items>
struct Gathered {
    Items items;
    Failures failures;
};

// The groups of every profile, kept with their keys, so that deleting them
// later needs no second reading. Held deletions are committed first.
struct CookieReading {
    std::shared_ptr<const std::vector<CookieGroup>> groups;
    Failures failures;
};
CookieReading ReadCookies();

// The profile a page came from: its label, its browser and its name.
struct PageSource {
    std::string label;
    std::string browser;
    std::string profile;
};
// The pages of every profile, each with the index of its profile in
// `sources`.
struct HistoryReading : Gathered<VisitedPages> {
    std::vector<PageSource> sources;
};
HistoryReading ReadHistories();

// Holds the deletion of the group with this address, known from the last
// reading (read now if there was none); false when no profile has it. The
// deletions held are committed by CommitCookieDeletions, which the next
// reading on this thread calls first (the window reads the list again at
// once); a browser running then refuses them all. A thread that ends before
// any reading makes none of them.
bool HoldCookieDeletion(std::string_view address);
// Commits the deletions held, in one transaction per browser file; a
// browser that runs refuses all of its own. The failures are kept for
// TakeDeletionFailures, which the walk that follows reports at its end.
// False when none were held.
bool CommitCookieDeletions();
Failures TakeDeletionFailures();

// Every profile found, also those that hold no stores yet, each with the
// label its rows have.
struct FoundProfiles {
    Profiles profiles;
    Failures failures;
};
FoundProfiles FindAllProfiles();

// Where a group of the last reading on this thread comes from, and its
// cookies' names (at most `limit` of them), read from the browser's file
// when first asked for; nullopt when that reading gave no group of this
// address. Throws store::StoreError.
struct GroupSource {
    std::string browser;  // "Firefox"
    std::string profile;  // "default-esr"
    CookieNames names;
};
std::optional<GroupSource> DescribeCookieGroup(std::string_view address, std::size_t limit);

// Whether `wanted` names the source labelled `label`: the label itself
// ("firefox.default-esr") or its browser, the label's first word
// ("firefox", "chromium"), which also names the browser's snap and Flatpak
// builds ("chromium-snap.Default").
bool SourceNamed(std::string_view wanted, std::string_view label);
// Whether the profile labelled `label` is named by one of `sources`; all are
// when it is empty.
bool Chosen(std::string_view label, const std::vector<std::string>& sources);
// Clears the history of each chosen profile, going on past a refusal.
Failures ClearHistories(const std::vector<std::string>& sources = {});
// Deletes these pages from the history of each chosen profile, going on
// past a refusal; `found` (one for each address) is set for those some
// profile held.
Failures DeleteHistories(const std::vector<std::string>& urls,
                         const std::vector<std::string>& sources, std::vector<bool>& found);

// One error for them all: the first one's code, and a line for each, its
// control characters escaped, so that no name a message quotes breaks it.
std::optional<store::StoreError> OneError(const Failures& failures);

}  // namespace browsers
