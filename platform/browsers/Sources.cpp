#include "browsers/Sources.h"

#include <QCoreApplication>
#include <QTimer>

#include <map>
#include <string>
#include <unordered_map>

namespace browsers {
namespace {

struct Found {
    Profiles profiles;
    Failures failures;
};

Found FindProfiles() {
    Found found;
    found.profiles = FindFirefoxProfiles(found.failures);
    for (auto& profile : FindChromiumProfiles(found.failures))
        found.profiles.push_back(std::move(profile));
    return found;
}

// Where the group of an address lives, as the last reading found it.
struct KnownGroup {
    const Profile* profile;
    GroupKey key;
};

// Deletions are held only within one handler of the window: they are
// committed before the list is read again, and whatever is still held when
// the thread ends is committed then.
struct Held {
    Profiles profiles;  // as the last reading found them
    std::unordered_map<std::string, KnownGroup> known;
    bool learned = false;  // `known` holds what a reading found
    std::map<const Profile*, std::vector<GroupKey>> deletions;
    Failures unreported;

    ~Held() {
        try {
            CommitCookieDeletions();
        } catch (...) {
        }
    }
};
thread_local Held held;

template <typename Item, typename Read>
Gathered<Item> ReadEvery(Found& found, Read read) {
    Gathered<Item> gathered{{}, std::move(found.failures)};
    for (const auto& profile : found.profiles) {
        try {
            for (Item& item : read(*profile))
                gathered.items.push_back(std::move(item));
        } catch (const store::StoreError& error) {
            gathered.failures.push_back(error);
        }
    }
    return gathered;
}

}  // namespace

Gathered<CookieGroup> ReadCookies() {
    CommitCookieDeletions();
    held.known.clear();
    held.learned = true;
    Found found = FindProfiles();
    Gathered<CookieGroup> gathered = ReadEvery<CookieGroup>(found, [](const Profile& profile) {
        std::vector<CookieGroup> groups = profile.Cookies();
        for (const CookieGroup& group : groups)
            held.known[group.address] = {&profile, group.key};
        return groups;
    });
    held.profiles = std::move(found.profiles);
    return gathered;
}

Failures TakeDeletionFailures() {
    return std::exchange(held.unreported, {});
}

Gathered<VisitedPage> ReadHistories() {
    Found found = FindProfiles();
    return ReadEvery<VisitedPage>(found, [](const Profile& profile) { return profile.History(); });
}

bool HoldCookieDeletion(std::string_view address) {
    if (!held.learned)
        ReadCookies();
    const auto found = held.known.find(std::string(address));
    if (found == held.known.end())
        return false;
    if (held.deletions.empty() && QCoreApplication::instance())
        QTimer::singleShot(0, QCoreApplication::instance(), [] { CommitCookieDeletions(); });
    held.deletions[found->second.profile].push_back(std::move(found->second.key));
    held.known.erase(found);
    return true;
}

void CommitCookieDeletions() {
    if (held.deletions.empty())
        return;
    for (const auto& [profile, keys] : std::exchange(held.deletions, {})) {
        try {
            profile->DeleteCookies(keys);
        } catch (const store::StoreError& error) {
            held.unreported.push_back(error);
        }
    }
}

Failures ClearHistories() {
    Found found = FindProfiles();
    for (const auto& profile : found.profiles) {
        try {
            profile->ClearHistory();
        } catch (const store::StoreError& error) {
            found.failures.push_back(error);
        }
    }
    return std::move(found.failures);
}

std::optional<store::StoreError> OneError(const Failures& failures) {
    if (failures.empty())
        return std::nullopt;
    store::StoreError error = failures.front();
    for (std::size_t i = 1; i < failures.size(); ++i)
        error.message += "\n" + failures[i].message;
    return error;
}

}  // namespace browsers
