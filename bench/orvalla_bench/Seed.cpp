#include "Seed.h"

#include <QString>

#include <cstdint>
#include <random>
#include <stdexcept>

#include "platform/urlhist.h"
#include "platform/wininet.h"

namespace {

constexpr std::uint32_t kSeed = 20240611;

constexpr std::array<const char*, 4> kHostPrefixes = {"", "www.", "ads.", "static."};

// 1 January 2015 and 1 January 2031, as seconds since 1970.
constexpr std::int64_t kFrom = 1'420'070'400;
constexpr std::int64_t kUntil = 1'924'992'000;

FILETIME FromUnixSeconds(std::int64_t seconds) {
    constexpr std::uint64_t kUnixEpoch = 116'444'736'000'000'000ull;
    return QuadToFileTime(kUnixEpoch + static_cast<std::uint64_t>(seconds) * 10'000'000ull);
}

class Generator {
public:
    int Below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random_); }
    const char* Pick(const auto& list) { return list[Below(static_cast<int>(list.size()))]; }

    std::string Host() {
        return std::string(Pick(kHostPrefixes)) + Pick(kWords) + std::to_string(Below(5000)) +
               Pick(kTopLevels);
    }

    // Mostly plausible times; one in a hundred outside the DOS range, which
    // shows as the fallback text.
    FILETIME Time(std::int64_t from, std::int64_t until) {
        if (Below(100) == 0)
            return FILETIME{};
        return FromUnixSeconds(std::uniform_int_distribution<std::int64_t>(from, until)(random_));
    }

    // Small counts, with now and then one above 2^31.
    DWORD Hits() {
        if (Below(1000) == 0)
            return 0x80000000u + static_cast<DWORD>(Below(1'000'000));
        return static_cast<DWORD>(Below(Below(10) == 0 ? 5000 : 50));
    }

private:
    std::mt19937 random_{kSeed};
};

void Check(BOOL ok, const std::string& what) {
    if (!ok)
        throw std::runtime_error("seeding failed at " + what + ": error " +
                                 std::to_string(GetLastError()));
}

CookieSeed MakeCookie(Generator& generate, int index) {
    CookieSeed cookie;
    const char* path = generate.Below(5) < 3 ? "/" : "/account/";
    cookie.url = "Cookie:bench@" + generate.Host() + path;
    if (generate.Below(2) == 0)
        cookie.url += "session" + std::to_string(index) + "/";
    cookie.hits = generate.Hits();
    cookie.modified = generate.Time(kFrom, kUntil - 365 * 86400);
    cookie.expires = generate.Time(kFrom + 5 * 365 * 86400, kUntil);
    return cookie;
}

void CommitOther(Generator& generate, int index) {
    const std::string host = generate.Host();
    CACHE_ENTRY_VALUES values;
    values.LastModifiedTime = generate.Time(kFrom, kUntil);
    values.ExpireTime = generate.Time(kFrom, kUntil);
    values.LastAccessTime = generate.Time(kFrom, kUntil);
    std::string url;
    std::string localFile;
    if (generate.Below(10) == 0) {
        values.CacheEntryType = URLHISTORY_CACHE_ENTRY;
        url = "Visited: bench@http://" + host + "/article" + std::to_string(index) + ".html";
    } else {
        const bool picture = generate.Below(3) == 0;
        const char* extension = picture ? "jpg" : "htm";
        url = "http://" + host + "/item" + std::to_string(index) + "." + extension;
        localFile = "Q7X2K9LM/item" + std::to_string(index) + "[1]." + extension;
        values.lpszLocalFileName = localFile.c_str();
        values.lpHeaderInfo =
            picture
                ? "HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nCache-Control: max-age=86400\r\n"
                : "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                  "Cache-Control: no-cache\r\n";
        values.lpszFileExtension = extension;
        values.dwSizeLow = static_cast<DWORD>(1000 + generate.Below(200'000));
    }
    Check(CommitUrlCacheEntryValues(url.c_str(), &values), url);
}

}  // namespace

void CommitCookie(const CookieSeed& cookie) {
    CACHE_ENTRY_VALUES values;
    values.CacheEntryType = COOKIE_CACHE_ENTRY | NORMAL_CACHE_ENTRY;
    values.LastModifiedTime = cookie.modified;
    values.ExpireTime = cookie.expires;
    Check(CommitUrlCacheEntryValues(cookie.url.c_str(), &values), cookie.url);
    if (cookie.hits)
        Check(SetUrlCacheEntryHitRate(cookie.url.c_str(), cookie.hits), cookie.url);
}

CacheSeed SeedUrlCache(int entries, int cookies) {
    Generator generate;
    CacheSeed seed;
    const int spacing = cookies > 0 ? entries / cookies : entries + 1;
    for (int i = 0; i < entries; ++i) {
        if (i % spacing == 0 && static_cast<int>(seed.cookies.size()) < cookies) {
            CookieSeed cookie = MakeCookie(generate, i);
            // A host drawn twice would make the same address: one entry.
            if (seed.cookieAt.contains(cookie.url))
                cookie.url += std::to_string(i) + "/";
            CommitCookie(cookie);
            seed.cookieAt.emplace(cookie.url, static_cast<int>(seed.cookies.size()));
            seed.cookies.push_back(std::move(cookie));
        } else {
            CommitOther(generate, i);
        }
    }
    return seed;
}

void SeedHistory(int entries, int http) {
    Generator generate;
    std::vector<std::u16string> urls;
    std::vector<std::u16string> titles;
    urls.reserve(static_cast<std::size_t>(entries));
    titles.reserve(static_cast<std::size_t>(entries));
    std::vector<URLHISTORY_ENTRY> rows(static_cast<std::size_t>(entries));
    const int others = entries - http;
    const int spacing = others > 0 ? entries / others : entries + 1;
    int otherCount = 0;
    for (int i = 0; i < entries; ++i) {
        const bool other = i % spacing == spacing - 1 && otherCount < others;
        otherCount += other;
        const std::string scheme = !other ? "http://" : i % 2 ? "https://" : "file:///";
        urls.push_back(
            QString::fromStdString(scheme + generate.Host() + "/read/" + std::to_string(i))
                .toStdU16String());
        titles.push_back(QString::fromStdString(std::string(generate.Pick(kWords)) + " " +
                                                generate.Pick(kWords) + " - page " +
                                                std::to_string(i))
                             .toStdU16String());
        URLHISTORY_ENTRY& row = rows[static_cast<std::size_t>(i)];
        row.pwcsUrl = urls.back().c_str();
        row.pwcsTitle = generate.Below(20) == 0 ? nullptr : titles.back().c_str();
        row.ftLastVisited = generate.Time(kFrom, kUntil);
        row.ftLastUpdated = generate.Time(kFrom, kUntil);
        row.ftExpires = generate.Time(kFrom, kUntil);
        row.dwFlags = STATURLFLAG_ISTOPLEVEL;
    }
    const HRESULT result = AddUrlHistoryEntries(rows.data(), static_cast<ULONG>(rows.size()));
    if (FAILED(result))
        throw std::runtime_error("seeding the history failed: " + std::to_string(result));
}
