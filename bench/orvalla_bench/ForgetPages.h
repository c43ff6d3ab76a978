// Each browser's removal of some sites' pages from its history, as plain
// SQLite does it for the floor of forgetting sites (SiteCleaning.h): made
// ready (the files opened, the statements prepared) before the clock starts,
// then run in one transaction per file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "SiteCleaning.h"

class PagesForget {
public:
    virtual ~PagesForget() = default;
    virtual void Forget() = 0;
};

// `sites` outlives what is made.
std::unique_ptr<PagesForget> FirefoxPagesForget(const std::string& history,
                                                const std::vector<std::string>& sites);
std::unique_ptr<PagesForget> ChromiumPagesForget(const std::string& history, const SiteSet& sites);
