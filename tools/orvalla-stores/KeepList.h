// The sites whose cookies `delete-cache --all` keeps: those of `--keep`, and
// those of the keep list $XDG_CONFIG_HOME/orvalla/keep-sites (one site a
// line, "#" starts a comment), which is read whenever it exists.
#pragma once

#include <string>
#include <string_view>

#include "Args.h"
#include "Filters.h"

class KeepList {
public:
    // Raises UsageError for a bad site, std::runtime_error for a list that
    // is there but cannot be read.
    explicit KeepList(const ParsedArguments& parsed);

    bool Keeps(std::string_view host) const;
    // Which list was used and how many sites are kept, for standard error.
    const std::string& Account() const { return account_; }

private:
    SiteSet sites_;
    std::string account_;
};

// $XDG_CONFIG_HOME/orvalla/keep-sites, else ~/.config/orvalla/keep-sites.
std::string KeepListPath();
