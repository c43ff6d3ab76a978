// The benchmark's data sets: Orvalla's own stores, written into the current
// data home through the producer calls a browser would use, here, and the
// browsers' profiles in BrowserFill.h, both from fixed seeds: the same data
// on every run.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <unordered_map>

#include "platform/windef.h"

// What host names and titles are made of.
inline constexpr std::array<const char*, 24> kWords = {
    "alder",  "birch",   "cedar",   "delta",  "ember", "fjord",  "glade",  "harbor",
    "indigo", "juniper", "kestrel", "lumen",  "maple", "nimbus", "orbit",  "prairie",
    "quartz", "raven",   "sierra",  "tundra", "umber", "vertex", "willow", "zephyr"};
inline constexpr std::array<const char*, 4> kTopLevels = {".com", ".net", ".org", ".de"};

// The one source of the data sets' random values.
class Random {
public:
    explicit Random(std::uint32_t seed) : engine(seed) {}
    std::int64_t Between(std::int64_t from, std::int64_t until) {
        return std::uniform_int_distribution<std::int64_t>(from, until)(engine);
    }
    int Below(int bound) { return static_cast<int>(Between(0, bound - 1)); }
    const char* Pick(const auto& list) { return list[Below(static_cast<int>(list.size()))]; }
    std::mt19937 engine;
};

struct CookieSeed {
    std::string url;
    DWORD hits = 0;
    FILETIME modified{};
    FILETIME expires{};
};

// The cookies seeded, by address.
using CacheSeed = std::unordered_map<std::string, CookieSeed>;

// Writes `entries` cache entries, `cookies` of them cookies spread evenly
// between the others (pages, pictures, history-type entries).
// Throws std::runtime_error when the store refuses one.
CacheSeed SeedUrlCache(int entries, int cookies);

// Adds the cookie again, as the browser would after it was deleted.
void CommitCookie(const CookieSeed& cookie);

// Writes `entries` history entries, `http` of them with "http://" addresses
// and the others secure or file addresses, in one batch.
void SeedHistory(int entries, int http);

// Three cookies whose addresses, and one http page whose address and title,
// are `bytes` long.
void SeedLongTexts(std::size_t bytes);
