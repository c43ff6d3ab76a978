#include "browsers/Sources.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <map>
#include <memory>
#include <numeric>
#include <string>
#include <unordered_set>
#include <utility>

#include "browsers/ProfileFiles.h"
#include "platform/escapes.h"

namespace browsers {
namespace {

using Found = FoundProfiles;

std::map<std::string_view, int> CountLabels(const Profiles& profiles) {
    std::map<std::string_view, int> counts;
    for (const auto& profile : profiles)
        ++counts[profile->Label()];
    return counts;
}

// Names given by the user may make one label twice ("work@home" and
// "work_home" both give "falkon.work_home"), and a row's address must lead
// to its own profile only: each of those gets a suffix from its folder, and
// a profile still sharing its label after that is left out, named.
void TellLabelsApart(Found& found) {
    const auto counts = CountLabels(found.profiles);
    std::vector<Profile*> alike;
    for (const auto& profile : found.profiles) {
        if (counts.at(profile->Label()) > 1)
            alike.push_back(profile.get());
    }
    for (Profile* profile : alike)
        profile->TellApart();
    const auto after = CountLabels(found.profiles);
    Profiles kept;
    for (auto& profile : found.profiles) {
        if (after.at(profile->Label()) == 1) {
            kept.push_back(std::move(profile));
            continue;
        }
        found.failures.push_back(
            {ERROR_FILE_INVALID, profile->Who() + ": its label \"" + profile->Label() +
                                     "\" is another profile's too, so it is not read"});
    }
    found.profiles = std::move(kept);
}

// Only those that hold stores, unless `all`; their labels stay what they
// are whichever are asked for, as long as none without stores shares one.
Found FindProfiles(bool all = false) {
    RemoveLeftoverCopies();
    Found found;
    for (const auto find : {FindFirefoxProfiles, FindChromiumProfiles, FindDesktopBrowserProfiles,
                            FindKonquerorProfiles})
        find(found.profiles, found.failures);
    if (!all)
        std::erase_if(found.profiles, [](const auto& profile) { return !profile->HasStores(); });
    TellLabelsApart(found);
    return found;
}

// What the calls of one thread carry from the reading of the list, through
// the deletions of its checked rows, to the next reading, which commits
// them: the calls themselves carry nothing from one to the next. Only
// memory is freed when the thread ends; deletions still held then are not
// made, as no reading has shown them made.
struct Held {
    // The last reading: the profiles, their groups, each group's profile,
    // the groups' places in the order of their addresses (an address is
    // found by halving: a map of half a million addresses cost as much again
    // as the groups), and which places are held for deletion already.
    Profiles profiles;
    std::shared_ptr<const std::vector<CookieGroup>> groups;
    std::vector<const Profile*> owners;
    std::vector<std::uint32_t> byAddress;
    std::vector<bool> taken;
    std::map<const Profile*, std::vector<GroupKey>> deletions;
    Failures unreported;
    // The group last described, by its place and the limit asked for: the
    // view asks again as the pointer moves over its row.
    struct Described {
        std::size_t place, limit;
        GroupSource source;
    };
    std::optional<Described> described;
};
thread_local Held held;

template <typename Items, typename Read>
Gathered<Items> ReadEvery(Found& found, Read read) {
    Gathered<Items> gathered{{}, std::move(found.failures)};
    for (const auto& profile : found.profiles) {
        try {
            Items items = read(*profile);
            // Taken whole when it is the first: a big profile is then never
            // held twice.
            if (gathered.items.empty()) {
                gathered.items = std::move(items);
                continue;
            }
            gathered.items.insert(gathered.items.end(), std::make_move_iterator(items.begin()),
                                  std::make_move_iterator(items.end()));
        } catch (const store::StoreError& error) {
            gathered.failures.push_back(error);
        }
    }
    return gathered;
}

}  // namespace

CookieReading ReadCookies() {
    CommitCookieDeletions();
    Found found = FindProfiles();
    std::vector<const Profile*> owners;
    Gathered<std::vector<CookieGroup>> read =
        ReadEvery<std::vector<CookieGroup>>(found, [&](const Profile& profile) {
            std::vector<CookieGroup> groups = profile.Cookies();
            owners.insert(owners.end(), groups.size(), &profile);
            return groups;
        });
    auto groups = std::make_shared<const std::vector<CookieGroup>>(std::move(read.items));
    held.byAddress.resize(groups->size());
    std::iota(held.byAddress.begin(), held.byAddress.end(), 0);
    std::stable_sort(held.byAddress.begin(), held.byAddress.end(),
                     [&](std::uint32_t a, std::uint32_t b) {
                         return (*groups)[a].Address() < (*groups)[b].Address();
                     });
    held.taken.assign(groups->size(), false);
    held.groups = groups;
    held.owners = std::move(owners);
    held.described.reset();
    held.profiles = std::move(found.profiles);
    return {std::move(groups), std::move(read.failures)};
}

Failures TakeDeletionFailures() {
    return std::exchange(held.unreported, {});
}

HistoryReading ReadHistories() {
    Found found = FindProfiles();
    HistoryReading reading;
    static_cast<Gathered<VisitedPages>&>(reading) =
        ReadEvery<VisitedPages>(found, [&](const Profile& profile) {
            VisitedPages pages = profile.History();
            const auto source = static_cast<std::uint32_t>(reading.sources.size());
            for (VisitedPage& page : pages)
                page.source = source;
            reading.sources.push_back({profile.Label(), profile.Browser(), profile.Name()});
            return pages;
        });
    return reading;
}

namespace {

// The place of the last reading's group with this address.
std::optional<std::size_t> PlaceOf(std::string_view address) {
    if (!held.groups)
        return std::nullopt;
    const std::vector<CookieGroup>& groups = *held.groups;
    const auto found = std::lower_bound(held.byAddress.begin(), held.byAddress.end(), address,
                                        [&](std::uint32_t place, std::string_view wanted) {
                                            return groups[place].Address() < wanted;
                                        });
    if (found == held.byAddress.end() || groups[*found].Address() != address)
        return std::nullopt;
    return *found;
}

}  // namespace

bool HoldCookieDeletion(std::string_view address) {
    if (!held.groups)
        ReadCookies();
    const std::optional<std::size_t> place = PlaceOf(address);
    if (!place || held.taken[*place])
        return false;
    held.taken[*place] = true;
    held.deletions[held.owners[*place]].emplace_back((*held.groups)[*place].Key());
    return true;
}

std::optional<GroupSource> DescribeCookieGroup(std::string_view address, std::size_t limit) {
    const std::optional<std::size_t> found = PlaceOf(address);
    if (!found)
        return std::nullopt;
    const std::size_t place = *found;
    if (!held.described || held.described->place != place || held.described->limit != limit) {
        const Profile& owner = *held.owners[place];
        held.described = Held::Described{
            place,
            limit,
            {owner.Browser(), owner.Name(), owner.NamesIn((*held.groups)[place], limit)}};
    }
    return held.described->source;
}

bool CommitCookieDeletions() {
    if (held.deletions.empty())
        return false;
    for (const auto& [profile, keys] : std::exchange(held.deletions, {})) {
        try {
            profile->DeleteCookies(keys);
        } catch (const store::StoreError& error) {
            held.unreported.push_back(error);
        }
    }
    return true;
}

FoundProfiles FindAllProfiles() {
    return FindProfiles(true);
}

Failures ClearHistories(const std::vector<std::string>& sources) {
    Found found = FindProfiles();
    for (const auto& profile : found.profiles) {
        if (!Chosen(profile->Label(), sources))
            continue;
        try {
            profile->ClearHistory();
        } catch (const store::StoreError& error) {
            found.failures.push_back(error);
        }
    }
    return std::move(found.failures);
}

bool SourceNamed(std::string_view wanted, std::string_view label) {
    if (wanted == label)
        return true;
    const std::string_view browser = label.substr(0, label.find('.'));
    if (browser.size() == label.size() || !browser.starts_with(wanted))
        return false;
    const std::string_view build = browser.substr(wanted.size());
    return build.empty() || build == "-snap" || build == "-flatpak";
}

bool Chosen(std::string_view label, const std::vector<std::string>& sources) {
    return sources.empty() ||
           std::any_of(sources.begin(), sources.end(),
                       [&](const std::string& wanted) { return SourceNamed(wanted, label); });
}

Failures DeleteHistories(const std::vector<std::string>& urls,
                         const std::vector<std::string>& sources, std::vector<bool>& found) {
    Found profiles = FindProfiles();
    std::unordered_set<std::string> held;
    for (const auto& profile : profiles.profiles) {
        if (!Chosen(profile->Label(), sources))
            continue;
        try {
            for (std::string& url : profile->DeleteHistory(urls))
                held.insert(std::move(url));
        } catch (const store::StoreError& error) {
            profiles.failures.push_back(error);
        }
    }
    for (std::size_t i = 0; i < urls.size(); ++i)
        found[i] = found[i] || held.count(urls[i]) > 0;
    return std::move(profiles.failures);
}

std::optional<store::StoreError> OneError(const Failures& failures) {
    if (failures.empty())
        return std::nullopt;
    store::StoreError error{failures.front().code, Escaped(failures.front().message)};
    for (std::size_t i = 1; i < failures.size(); ++i)
        error.message += "\n" + Escaped(failures[i].message);
    return error;
}

}  // namespace browsers
