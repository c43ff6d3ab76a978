// Which entries a listing or a change takes: `--source` and `--site`, the
// same for every command.
#pragma once

#include <set>
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

// Sites made by NormalSite. A host is looked up as itself and as each
// domain above it, so that asking costs its labels, not the sites: forgetting
// 500 sites asks for each of a hundred thousand hosts.
class SiteSet {
public:
    void Add(std::string site) { sites_.insert(std::move(site)); }
    bool Empty() const { return sites_.empty(); }
    std::size_t Size() const { return sites_.size(); }

    // Whether `host` (made by NormalHost) is a site or lies below one
    // ("www.example.com" and ".example.com" for "example.com"); an IP
    // address is only itself.
    bool Holds(std::string_view host) const;

private:
    std::set<std::string, std::less<>> sites_;
};

class EntryFilter {
public:
    // Every entry when neither option is given.
    explicit EntryFilter(const ParsedArguments& parsed);
    // Raises UsageError for an empty source or site.
    EntryFilter(std::vector<std::string> sources, const std::vector<std::string>& sites);

    bool Takes(std::string_view source, std::string_view host) const;
    bool Narrows() const { return !sources_.empty() || !sites_.Empty(); }

private:
    std::vector<std::string> sources_;
    SiteSet sites_;
};
