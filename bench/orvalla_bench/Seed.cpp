#include "Seed.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "Measure.h"
#include "platform/urlhist.h"
#include "platform/winbase.h"
#include "platform/wininet.h"

namespace {

constexpr std::uint32_t kSeed = 20240611;

constexpr std::array<const char*, 4> kHostPrefixes = {"", "www.", "ads.", "static."};

// 1 January 2015 and 1 January 2031, as seconds since 1970.
constexpr std::int64_t kFrom = 1'420'070'400;
constexpr std::int64_t kUntil = 1'924'992'000;
constexpr std::int64_t kYear = 365 * 86'400;

std::string Host(Random& random) {
    return std::string(random.Pick(kHostPrefixes)) + random.Pick(kWords) +
           std::to_string(random.Below(5000)) + random.Pick(kTopLevels);
}

// Mostly plausible times; one in a hundred outside the DOS range, which
// shows as the fallback text.
FILETIME Time(Random& random, std::int64_t from, std::int64_t until) {
    if (random.Below(100) == 0)
        return FILETIME{};
    return ToFileTime(std::chrono::sys_seconds(std::chrono::seconds(random.Between(from, until))));
}

// Small counts, with now and then one above 2^31.
DWORD Hits(Random& random) {
    if (random.Below(1000) == 0)
        return 0x80000000u + static_cast<DWORD>(random.Below(1'000'000));
    return static_cast<DWORD>(random.Below(random.Below(10) == 0 ? 5000 : 50));
}

void Check(BOOL ok, const std::string& what) {
    Require(ok, "the store takes " + what + " (error " + std::to_string(GetLastError()) + ")");
}

CookieSeed MakeCookie(Random& random, int index) {
    CookieSeed cookie;
    const char* path = random.Below(5) < 3 ? "/" : "/account/";
    cookie.url = "Cookie:bench@" + Host(random) + path;
    if (random.Below(2) == 0)
        cookie.url += "session" + std::to_string(index) + "/";
    cookie.hits = Hits(random);
    cookie.modified = Time(random, kFrom, kUntil - kYear);
    cookie.expires = Time(random, kFrom + 5 * kYear, kUntil);
    return cookie;
}

void CommitOther(Random& random, int index) {
    const std::string host = Host(random);
    CACHE_ENTRY_VALUES values;
    values.LastModifiedTime = Time(random, kFrom, kUntil);
    values.ExpireTime = Time(random, kFrom, kUntil);
    values.LastAccessTime = Time(random, kFrom, kUntil);
    std::string url;
    std::string localFile;
    if (random.Below(10) == 0) {
        values.CacheEntryType = URLHISTORY_CACHE_ENTRY;
        url = "Visited: bench@http://" + host + "/article" + std::to_string(index) + ".html";
    } else {
        const bool picture = random.Below(3) == 0;
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
        values.dwSizeLow = static_cast<DWORD>(1000 + random.Below(200'000));
    }
    Check(CommitUrlCacheEntryValues(url.c_str(), &values), url);
}

void AddHistory(std::vector<URLHISTORY_ENTRY>& rows) {
    Require(SUCCEEDED(AddUrlHistoryEntries(rows.data(), static_cast<ULONG>(rows.size()))),
            "the history store takes the seeded pages");
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
    Random random(kSeed);
    CacheSeed seed;
    const int spacing = cookies > 0 ? entries / cookies : entries + 1;
    for (int i = 0; i < entries; ++i) {
        if (i % spacing == 0 && static_cast<int>(seed.size()) < cookies) {
            CookieSeed cookie = MakeCookie(random, i);
            // A host drawn twice would make the same address: one entry.
            if (seed.contains(cookie.url))
                cookie.url += std::to_string(i) + "/";
            CommitCookie(cookie);
            seed.emplace(cookie.url, cookie);
        } else {
            CommitOther(random, i);
        }
    }
    return seed;
}

void SeedHistory(int entries, int http) {
    Random random(kSeed);
    // Every row's address and title, where the row points at them.
    std::vector<std::u16string> texts(2 * static_cast<std::size_t>(entries));
    std::vector<URLHISTORY_ENTRY> rows(static_cast<std::size_t>(entries));
    const int others = entries - http;
    const int spacing = others > 0 ? entries / others : entries + 1;
    for (int i = 0, otherCount = 0; i < entries; ++i) {
        const bool other = i % spacing == spacing - 1 && otherCount++ < others;
        const std::string url = (!other  ? "http://"
                                 : i % 2 ? "https://"
                                         : "file:///") +
                                Host(random) + "/read/" + std::to_string(i);
        const std::string title = std::string(random.Pick(kWords)) + " " + random.Pick(kWords) +
                                  " - page " + std::to_string(i);
        std::u16string* text = &texts[2 * static_cast<std::size_t>(i)];
        text[0].assign(url.begin(), url.end());
        text[1].assign(title.begin(), title.end());
        URLHISTORY_ENTRY& row = rows[static_cast<std::size_t>(i)];
        row.pwcsUrl = text[0].c_str();
        row.pwcsTitle = random.Below(20) == 0 ? nullptr : text[1].c_str();
        row.ftLastVisited = Time(random, kFrom, kUntil);
        row.ftLastUpdated = Time(random, kFrom, kUntil);
        row.ftExpires = Time(random, kFrom, kUntil);
        row.dwFlags = STATURLFLAG_ISTOPLEVEL;
    }
    AddHistory(rows);
}

void SeedLongTexts(std::size_t bytes) {
    // `bytes` long, beginning with `start`.
    const auto padded = [bytes](std::string start, char fill) {
        start.resize(std::max(bytes, start.size()), fill);
        return start;
    };
    for (int i = 0; i < 3; ++i)
        CommitCookie({padded("Cookie:bench@long" + std::to_string(i) + ".example.com/", 'p')});
    const std::string address = padded("http://long.example.com/", 'q');
    const std::u16string url(address.begin(), address.end());
    const std::u16string title(bytes, u't');
    std::vector<URLHISTORY_ENTRY> page(1);
    page[0].pwcsUrl = url.c_str();
    page[0].pwcsTitle = title.c_str();
    page[0].dwFlags = STATURLFLAG_ISTOPLEVEL;
    AddHistory(page);
}
