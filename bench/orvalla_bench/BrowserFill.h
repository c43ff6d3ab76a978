// Browser profiles at the size real users have: rows written with SQL into
// the tables of profiles the browsers made themselves, so that the schema,
// its indices and the files' settings are the browsers' own. Both browsers
// get the same cookies and pages, from a fixed seed.
#pragma once

#include "BrowserProfiles.h"

inline constexpr int kBrowserHosts = 10'000;
// A group is the cookies of one host, path and partition (or container).
inline constexpr int kBrowserGroups = 20'000;
inline constexpr int kBrowserCookies = 50'000;
inline constexpr int kBrowserPages = 50'000;
inline constexpr int kBrowserHttpPages = 40'000;
inline constexpr int kBrowserVisits = 200'000;

// What the browser's own first run left in these tables goes first; its
// bookmarks stay. Throws std::runtime_error.
void FillFirefoxProfile(const BrowserProfile& profile);
void FillChromiumProfile(const BrowserProfile& profile);
