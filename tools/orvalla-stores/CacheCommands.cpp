// The URL cache's commands, and its sample set.
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Args.h"
#include "Cleaning.h"
#include "Commands.h"
#include "EntryOrigin.h"
#include "platform/sysutils.h"
#include "platform/winbase.h"
#include "platform/wininet.h"

namespace {

constexpr DWORD kCookieType = COOKIE_CACHE_ENTRY | NORMAL_CACHE_ENTRY;
constexpr DWORD kHistoryType = URLHISTORY_CACHE_ENTRY | NORMAL_CACHE_ENTRY;

DWORD TypeNamed(const std::string& name) {
    if (name == "cookie")
        return kCookieType;
    if (name == "history")
        return kHistoryType;
    if (name == "normal")
        return NORMAL_CACHE_ENTRY;
    throw UsageError{"type '" + name + "' is not one of cookie, normal, history"};
}

// What a browser would file the address under.
DWORD TypeForAddress(const std::string& address) {
    if (address.rfind("Cookie:", 0) == 0)
        return kCookieType;
    if (address.rfind("Visited:", 0) == 0)
        return kHistoryType;
    return NORMAL_CACHE_ENTRY;
}

const char* TypeName(DWORD type) {
    if (type & COOKIE_CACHE_ENTRY)
        return "cookie";
    if (type & URLHISTORY_CACHE_ENTRY)
        return "history";
    return "normal";
}

void Commit(const std::string& address, const CACHE_ENTRY_VALUES& values) {
    if (!CommitUrlCacheEntryValues(address.c_str(), &values))
        RaiseLastOSError();
}

void SetHits(const std::string& address, DWORD hits) {
    if (!SetUrlCacheEntryHitRate(address.c_str(), hits))
        RaiseLastOSError();
}

int AddCache(const Arguments& args) {
    const ParsedArguments parsed(args, {"--type", "--hits", "--modified", "--expires"});
    parsed.ExpectPositional(1, 1);
    const std::string& address = parsed.Positional()[0];
    if (address.empty())
        throw UsageError{"ADDRESS is empty"};

    // Every argument is read before the store is touched, so a bad one
    // changes nothing.
    CACHE_ENTRY_VALUES values;
    const auto type = parsed.Value("--type");
    values.CacheEntryType = type ? TypeNamed(*type) : TypeForAddress(address);
    const auto hits = parsed.Value("--hits");
    const DWORD hitRate = hits ? ParseUInt32(*hits, "hit count") : 0;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const auto modified = parsed.Value("--modified");
    values.LastModifiedTime = modified ? ParseTime(*modified) : now;
    const auto expires = parsed.Value("--expires");
    values.ExpireTime = expires ? ParseTime(*expires) : DaysLater(values.LastModifiedTime, 365);
    values.LastAccessTime = now;
    values.LastSyncTime = now;

    Commit(address, values);
    if (hits)
        SetHits(address, hitRate);
    return 0;
}

struct WalkCloser {
    void operator()(void* handle) const { FindCloseUrlCache(handle); }
};
using WalkHandle = std::unique_ptr<void, WalkCloser>;

void PrintEntry(const INTERNET_CACHE_ENTRY_INFOA& entry, const EntryOrigin& origin,
                ListFormat format) {
    if (format == ListFormat::Json) {
        JsonObject()
            .Text("source", origin.source)
            .Text("address", entry.lpszSourceUrlName)
            .Text("type", TypeName(entry.CacheEntryType))
            .Text("host", origin.host)
            .Text("path", origin.path)
            .Number("hits", entry.dwHitRate)
            .Time("modified", entry.LastModifiedTime)
            .Time("expires", entry.ExpireTime)
            .Print();
        return;
    }
    std::printf("%s hits=%u modified=%s expires=%s %s\n", TypeName(entry.CacheEntryType),
                static_cast<unsigned>(entry.dwHitRate), FormatTime(entry.LastModifiedTime).c_str(),
                FormatTime(entry.ExpireTime).c_str(), Escaped(entry.lpszSourceUrlName).c_str());
}

// Hands every entry of one whole walk of the cache to `visit`, and raises
// the failure the walk ends with.
template <typename Visit>
void WalkCache(Visit visit) {
    // The buffer only grows, and is allocated by new, so it suits the record.
    std::vector<char> buffer;
    WalkHandle walk;
    for (;;) {
        DWORD size = static_cast<DWORD>(buffer.size());
        const auto entry = buffer.empty()
                               ? nullptr
                               : reinterpret_cast<LPINTERNET_CACHE_ENTRY_INFOA>(buffer.data());
        bool read;
        if (walk) {
            read = FindNextUrlCacheEntryA(walk.get(), entry, &size);
        } else {
            walk.reset(FindFirstUrlCacheEntryA(nullptr, entry, &size));
            read = walk != nullptr;
        }
        if (read) {
            visit(*entry);
            continue;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_NO_MORE_ITEMS)
            return;
        if (error != ERROR_INSUFFICIENT_BUFFER)
            RaiseLastOSError();
        buffer.resize(size);
    }
}

int ListCache(const Arguments& args) {
    const ParsedArguments parsed(args, {"--format"}, {}, kFilterOptions);
    parsed.ExpectPositional(0, 0);
    const ListFormat format = ReadFormat(parsed);
    const EntryFilter filter(parsed);
    WalkCache([&](const INTERNET_CACHE_ENTRY_INFOA& entry) {
        const EntryOrigin origin = CacheEntryOrigin(entry.lpszSourceUrlName);
        if (filter.Takes(origin.source, origin.host))
            PrintEntry(entry, origin, format);
    });
    return 0;
}

// The text of the calling thread's last failure, as RaiseLastOSError gives it.
std::string LastErrorMessage() {
    try {
        RaiseLastOSError();
    } catch (const EOSError& error) {
        return error.what();
    }
}

// The addresses `delete-cache` takes: with --all every cookie entry of the
// filter's sources and sites but the kept sites', else those given, which a
// dry run looks up. A dry run prints them.
std::vector<std::string> ChooseEntries(const ParsedArguments& parsed, bool dryRun,
                                       Failures& failures) {
    const std::optional<ListFormat> print =
        dryRun ? std::optional(ReadFormat(parsed)) : std::nullopt;
    const EntryFilter filter(parsed);
    if (parsed.Flag("--all")) {
        parsed.ExpectPositional(0, 0);
        const KeepList keep(parsed);
        PrintNote(keep.Account());
        return ChooseCookies(filter, &keep, print, failures);
    }
    if (filter.Narrows() || !parsed.Values("--keep").empty())
        throw UsageError{"--source, --site and --keep choose among the entries of --all"};
    parsed.ExpectPositional(1, SIZE_MAX);
    std::vector<std::string> named;  // as list-cache printed them, or as they are
    std::set<std::string> given;
    for (const std::string& address : parsed.Positional())
        given.insert(named.emplace_back(Unescaped(address)));
    if (!print)
        return named;
    std::vector<std::string> chosen;
    WalkCache([&](const INTERNET_CACHE_ENTRY_INFOA& entry) {
        if (!given.erase(entry.lpszSourceUrlName))
            return;
        PrintEntry(entry, CacheEntryOrigin(entry.lpszSourceUrlName), *print);
        chosen.push_back(entry.lpszSourceUrlName);
    });
    for (const std::string& address : named) {
        if (given.count(address))
            failures.lines.push_back(Escaped(address) + ": no entry has this address");
    }
    return chosen;
}

int DeleteCache(const Arguments& args) {
    const ParsedArguments parsed(args, {"--format"}, {"--all", "--dry-run"},
                                 {"--source", "--site", "--keep"});
    const bool dryRun = parsed.Flag("--dry-run");
    if (parsed.Value("--format") && !dryRun)
        throw UsageError{"--format is for the listing of --dry-run"};
    Failures failures;
    const std::vector<std::string> chosen = ChooseEntries(parsed, dryRun, failures);
    if (!dryRun) {
        std::vector<Tally> tallies{{"group"}};
        std::vector<Refusal> refusals;
        for (std::string& line : DeleteCacheEntries(chosen, tallies[0], failures))
            refusals.push_back({std::move(line), 0});
        TellKept(refusals, tallies, failures);
    }
    if (!failures.lines.empty())
        throw failures;
    return 0;
}

struct SampleEntry {
    const char* address;
    DWORD type;
    DWORD hits;
    const char* modified;
    const char* expires;
    const char* localFile = nullptr;
    const char* header = nullptr;
    const char* extension = nullptr;
};

}  // namespace

std::vector<std::string> ChooseCookies(const EntryFilter& filter, const KeepList* keep,
                                       std::optional<ListFormat> print, Failures& failures) {
    std::vector<std::string> chosen;
    try {
        WalkCache([&](const INTERNET_CACHE_ENTRY_INFOA& entry) {
            const EntryOrigin origin = CacheEntryOrigin(entry.lpszSourceUrlName);
            if (!(entry.CacheEntryType & COOKIE_CACHE_ENTRY) ||
                !filter.Takes(origin.source, origin.host) || (keep && keep->Keeps(origin.host)))
                return;
            if (print)
                PrintEntry(entry, origin, *print);
            chosen.push_back(entry.lpszSourceUrlName);
        });
    } catch (const EOSError& error) {
        for (std::string& line : MessageLines(error.what()))
            failures.AddOnce(std::move(line));
    }
    return chosen;
}

std::vector<std::string> DeleteCacheEntries(const std::vector<std::string>& addresses,
                                            Tally& deleted, Failures& failures) {
    if (addresses.empty())
        return {};
    for (const std::string& address : addresses) {
        if (DeleteUrlCacheEntryA(address.c_str())) {
            deleted.Add(CacheEntryOrigin(address).source);
            continue;
        }
        failures.lines.push_back(Escaped(address) + ": " +
                                 (GetLastError() == ERROR_FILE_NOT_FOUND
                                      ? "no entry has this address"
                                      : LastErrorMessage()));
    }
    // A browser's deletions may be held until the next walk starts, which
    // commits them and ends with the failure of a refused commit: the window
    // rebuilds its list by that walk, and so does this command.
    try {
        WalkCache([](const INTERNET_CACHE_ENTRY_INFOA&) {});
    } catch (const EOSError& error) {
        return MessageLines(error.what());
    }
    return {};
}

std::vector<Command> CacheCommands() {
    return {
        {"add-cache",
         "ADDRESS [--type cookie|normal|history] [--hits N] [--modified TIME] [--expires TIME]",
         "adds or replaces a URL cache entry (TIME: 2026-01-02T03:04:05Z or ft:NUMBER; the type "
         "follows a Cookie: or Visited: prefix unless given)",
         AddCache, "Cookie:alice@www.example.com/ --hits 3 --expires 2027-01-01T00:00:00Z"},
        {"list-cache", "[--source S]... [--site SITE]... [--format text|json]",
         "lists the URL cache entries in walk order, browser cookie groups included", ListCache,
         "--source firefox --site example.com --format json"},
        {"delete-cache",
         "ADDRESS... | --all [--keep SITE]... [--source S]... [--site SITE]... "
         "[--dry-run [--format text|json]]",
         "deletes the URL cache entries or browser cookie groups with these addresses, or with "
         "--all every cookie entry of the chosen sources but the kept sites', as the window's "
         "Delete Cookies does; an address that matches none is an error",
         DeleteCache, "--all --keep example.com --source firefox --dry-run"},
    };
}

void WriteSampleCache() {
    static const SampleEntry entries[] = {
        {"Cookie:alice@www.example.com/", kCookieType, 12, "2026-03-02T09:15:00Z",
         "2027-03-02T09:15:00Z"},
        {"http://www.example.com/index.html", NORMAL_CACHE_ENTRY, 7, "2026-03-02T09:14:58Z",
         "2026-03-09T09:14:58Z", "index[1].htm",
         "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n", "htm"},
        {"Cookie:alice@example.com/shop/", kCookieType, 3, "2026-03-10T18:40:12Z",
         "2026-04-10T18:40:12Z"},
        {"http://www.example.com/images/logo.png", NORMAL_CACHE_ENTRY, 7, "2026-03-02T09:14:59Z",
         "2026-06-02T09:14:59Z", "logo[1].png",
         "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n\r\n", "png"},
        {"Visited: alice@http://www.example.com/index.html", kHistoryType, 4,
         "2026-03-02T09:15:00Z", "2026-03-23T09:15:00Z"},
        {"Cookie:alice@news.example.org/", kCookieType, 41, "2026-03-10T07:02:45Z",
         "2026-09-10T07:02:45Z"},
        {"Cookie:alice@news.example.org/world/europe/", kCookieType, 2, "2026-03-02T21:30:00Z",
         "2026-03-31T21:30:00Z"},
        {"https://news.example.org/world/europe/story.html", NORMAL_CACHE_ENTRY, 1,
         "2026-03-10T07:03:10Z", "2026-03-11T07:03:10Z", "story[1].htm",
         "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n", "htm"},
        {"Visited: alice@https://news.example.org/world/europe/story.html", kHistoryType, 1,
         "2026-03-10T07:03:10Z", "2026-03-31T07:03:10Z"},
        // Expires far beyond what a DOS date can hold.
        {"Cookie:alice@ads.tracker.example.net/", kCookieType, 1, "2026-03-10T12:00:00Z",
         "2200-01-01T00:00:00Z"},
        // A hit count with its top bit set.
        {"Cookie:alice@mail.example.net/inbox/", kCookieType, 3'000'000'000U,
         "2026-03-02T08:00:00Z", "2026-04-01T08:00:00Z"},
    };
    for (const SampleEntry& sample : entries) {
        CACHE_ENTRY_VALUES values;
        values.CacheEntryType = sample.type;
        values.LastModifiedTime = ParseTime(sample.modified);
        values.ExpireTime = ParseTime(sample.expires);
        values.LastAccessTime = values.LastModifiedTime;
        values.LastSyncTime = values.LastModifiedTime;
        values.dwUseCount = 0;
        values.lpszLocalFileName = sample.localFile;
        values.lpHeaderInfo = sample.header;
        values.lpszFileExtension = sample.extension;
        Commit(sample.address, values);
        SetHits(sample.address, sample.hits);
    }
}
