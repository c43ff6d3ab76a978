// The benchmark's data set, written into the stores of the current data home
// through the producer calls a browser would use. The same seed gives the
// same data on every run.
#pragma once

#include <array>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/windef.h"

// What host names and titles are made of.
inline constexpr std::array<const char*, 24> kWords = {
    "alder",  "birch",   "cedar",   "delta",  "ember", "fjord",  "glade",  "harbor",
    "indigo", "juniper", "kestrel", "lumen",  "maple", "nimbus", "orbit",  "prairie",
    "quartz", "raven",   "sierra",  "tundra", "umber", "vertex", "willow", "zephyr"};
inline constexpr std::array<const char*, 4> kTopLevels = {".com", ".net", ".org", ".de"};

struct CookieSeed {
    std::string url;
    DWORD hits = 0;
    FILETIME modified{};
    FILETIME expires{};
};

struct CacheSeed {
    std::vector<CookieSeed> cookies;                // in the order they were added
    std::unordered_map<std::string, int> cookieAt;  // url -> index into cookies
};

// Writes `entries` cache entries, `cookies` of them cookies spread evenly
// between the others (pages, pictures, history-type entries).
// Throws std::runtime_error when the store refuses one.
CacheSeed SeedUrlCache(int entries, int cookies);

// Adds the cookie again, as the browser would after it was deleted.
void CommitCookie(const CookieSeed& cookie);

// Writes `entries` history entries, `http` of them with "http://" addresses
// and the others secure or file addresses, in one batch.
void SeedHistory(int entries, int http);
