// Cleaning the browsers' profiles by site, as `orvalla-stores` does it from
// the shell: the floors (plain SQLite deleting by the browsers' own keys, one
// transaction per file) and the checks of what is left in the browsers' own
// files after each run.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "BrowserProfiles.h"

// The host of an address ("https://www.example.com:8080/a" gives
// "www.example.com"); empty for one without (file:///).
std::string_view HostOf(std::string_view url);

// Sites, each a host and every host below it ("example.com" holds
// "www.example.com" and a domain cookie's ".example.com"), looked up by the
// host and each of its parent domains in turn. The floors' sites are names,
// never IP addresses.
class SiteSet {
public:
    explicit SiteSet(std::vector<std::string> sites);
    SiteSet(const SiteSet&) = delete;
    SiteSet& operator=(const SiteSet&) = delete;
    bool Holds(std::string_view host) const;

private:
    const std::vector<std::string> names_;
    std::unordered_set<std::string_view> sites_;  // in names_
    mutable std::string lowered_;
};

// The keep list's floor: in each profile's cookie file every cookie read by
// the browser's unique key (its columns as the file's unique index has
// them), and each one no kept site holds deleted by that key, in one
// transaction per file.
double KeepListFloor(const BrowserProfiles& profiles, const SiteSet& kept);

// For reference: the same cookies deleted by their host alone, in one
// statement per file that scans the table once, asking a function of the
// floor's own whether a kept site holds each host.
double KeepListByHostFloor(const BrowserProfiles& profiles, const SiteSet& kept);

// The floor of forgetting sites: their cookies deleted as the keep list's
// floor deletes the others; their pages, of every scheme, with their visits
// and the rows only they use, in one transaction per file, as the browser's
// own removal of a page does. Firefox: each site's pages found through
// `moz_places`'s index of reversed hosts, their visits (and the visits'
// extra rows), annotations, input history, metadata, extra rows and new-tab
// interactions, the page itself unless bookmarked (then only its visit
// count and date go), the origins no page uses any more, and in
// favicons.sqlite the page's icon mapping and the icons no page uses.
// Chromium: every address of `urls` read and its host taken from it; each
// page's visits with their sources and annotations, its search terms,
// segments and their usage, visited links, and in Favicons its icon mapping
// and the icons no page uses.
double ForgetSitesFloor(const BrowserProfiles& profiles, const std::vector<std::string>& sites);

// What the browsers' files hold now, for the checks: each cookie by its
// unique key, each page (with whether it is bookmarked and how many visits
// it has), and the visits whose page is gone.
struct ProfileContents {
    std::vector<std::string> cookies;  // sorted, each with its host first
    std::vector<std::string> pages;    // sorted, each with its address first
    long long strayVisits = 0;
};
struct ContentsOfBoth {
    ProfileContents firefox, chromium;
};
ContentsOfBoth ReadContents(const BrowserProfiles& profiles);

// What must be left: `before` with the cookies and pages of the sites that
// go taken out; a bookmarked page stays, without its visits.
enum class Goes { AllButSites, Sites };
ContentsOfBoth Expected(const ContentsOfBoth& before, const SiteSet& sites, Goes goes,
                        bool pagesToo);

// Stops the benchmark unless the profiles hold exactly `expected`, naming
// `what` ran.
void CheckContents(const BrowserProfiles& profiles, const ContentsOfBoth& expected,
                   const std::string& what);
