// Which entries a listing or a change takes: `--source` and `--site`, the
// same for every command.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "Args.h"
#include "platform/sources.h"

// The list options every filtering command accepts.
inline const std::vector<std::string_view> kFilterOptions{"--source", "--site"};

// A site as given ("Example.COM", ".example.com", "[::1]"): lower case, in
// ASCII (an international name in its xn-- form), without a leading dot or
// brackets. Raises UsageError for an empty one.
std::string NormalSite(std::string_view site);

// A host as the sites are matched against it: lower case, without a domain
// cookie's dot or an IPv6 address's brackets. Made once for a host that is
// tried against many sites.
std::string NormalHost(std::string_view host);

// Whether `host` (made by NormalHost) is the site or lies below it
// ("www.example.com" and ".example.com" for "example.com"); an IP address is
// only itself. `site` is normal.
bool SiteHolds(std::string_view site, std::string_view host);

class EntryFilter {
public:
    // Every entry when neither option is given.
    explicit EntryFilter(const ParsedArguments& parsed);
    // Raises UsageError for an empty source or site.
    EntryFilter(std::vector<std::string> sources, const std::vector<std::string>& sites);

    bool Takes(std::string_view source, std::string_view host) const;
    bool Narrows() const { return !sources_.empty() || !sites_.empty(); }

private:
    std::vector<std::string> sources_;
    std::vector<std::string> sites_;  // normal
};
