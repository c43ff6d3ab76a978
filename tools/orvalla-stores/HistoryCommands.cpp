// The URL history's commands, and its sample set.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Args.h"
#include "Cleaning.h"
#include "Commands.h"
#include "EntryOrigin.h"
#include "Filters.h"
#include "JsonLines.h"
#include "platform/codepage.h"
#include "platform/comobj.h"
#include "platform/comptr.h"
#include "platform/objbase.h"
#include "platform/sources.h"
#include "platform/urlhist.h"
#include "platform/winbase.h"

namespace {

// How long a browser keeps a visit when the caller names no expiry.
constexpr std::uint64_t kKeptDays = 20;

// The runtime started for the calling thread while this lives.
class ComRuntime {
public:
    ComRuntime() { OleCheck(CoInitialize(nullptr)); }
    ~ComRuntime() { CoUninitialize(); }
    ComRuntime(const ComRuntime&) = delete;
    ComRuntime& operator=(const ComRuntime&) = delete;
};

int AddHistory(const Arguments& args) {
    const ParsedArguments parsed(args, {"--title", "--visited", "--updated", "--expires"});
    parsed.ExpectPositional(1, 1);
    const std::string& address = parsed.Positional()[0];
    if (address.empty())
        throw UsageError{"URL is empty"};

    const std::u16string url = AnsiToWide(address);
    const auto titleText = parsed.Value("--title");
    const std::u16string title = titleText ? AnsiToWide(*titleText) : std::u16string();
    URLHISTORY_ENTRY entry;
    entry.pwcsUrl = url.c_str();
    entry.pwcsTitle = titleText ? title.c_str() : nullptr;
    const auto visited = parsed.Value("--visited");
    GetSystemTimeAsFileTime(&entry.ftLastVisited);
    if (visited)
        entry.ftLastVisited = ParseTime(*visited);
    const auto updated = parsed.Value("--updated");
    entry.ftLastUpdated = updated ? ParseTime(*updated) : entry.ftLastVisited;
    const auto expires = parsed.Value("--expires");
    entry.ftExpires = expires ? ParseTime(*expires) : DaysLater(entry.ftLastVisited, kKeptDays);
    entry.dwFlags = STATURLFLAG_ISTOPLEVEL;
    OleCheck(AddUrlHistoryEntry(entry));
    return 0;
}

// The labels of a walk's sources, asked of the walk once each.
class SourceLabels {
public:
    explicit SourceLabels(IEnumSTATURL* walk) {
        OleCheck(walk->QueryInterface(IID_IEnumSTATURLSource, walk_.PutVoid()));
    }

    // The label of the source of the entry the walk gave last.
    const std::string& Last() {
        ULONG index = 0;
        OleCheck(walk_->GetLastSource(&index));
        if (index >= labels_.size())
            labels_.resize(index + 1);
        if (labels_[index].empty()) {
            LPWSTR label = nullptr;
            OleCheck(walk_->GetSourceNames(index, &label, nullptr, nullptr));
            labels_[index] = WideToAnsi(label);
            CoTaskMemFree(label);
        }
        return labels_[index];
    }

private:
    ComPtr<IEnumSTATURLSource> walk_;
    std::vector<std::string> labels_;  // "" not asked yet
};

// The source's label comes before the address, as in a cookie's address.
void PrintEntry(const STATURL& entry, const EntryOrigin& origin, const std::string& url,
                ListFormat format) {
    if (format == ListFormat::Json) {
        JsonObject json;
        if (!origin.source.empty())
            json.Text("source", origin.source);
        json.Text("url", url).Text("host", origin.host).Text("path", origin.path);
        if (entry.pwcsTitle)
            json.Text("title", WideToAnsi(entry.pwcsTitle));
        json.Time("visited", entry.ftLastVisited)
            .Time("updated", entry.ftLastUpdated)
            .Time("expires", entry.ftExpires)
            .Print();
        return;
    }
    std::string line = "visited=" + FormatTime(entry.ftLastVisited) +
                       " updated=" + FormatTime(entry.ftLastUpdated) +
                       " expires=" + FormatTime(entry.ftExpires) +
                       " source=" + Escaped(origin.source) + " " + Escaped(url);
    if (entry.pwcsTitle)
        line += " title=" + Escaped(WideToAnsi(entry.pwcsTitle));
    std::printf("%s\n", line.c_str());
}

// The history of every source, as the window reaches it; the runtime must be
// started.
ComPtr<IUrlHistoryStg2> OpenHistory() {
    ComPtr<IUrlHistoryStg2> history;
    OleCheck(CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_INPROC_SERVER, IID_IUrlHistoryStg2,
                              history.PutVoid()));
    return history;
}

// Hands every entry of every source, with its address and origin, to
// `visit`; the runtime must be started.
template <typename Visit>
void WalkHistory(const ComPtr<IUrlHistoryStg2>& history, Visit visit) {
    ComPtr<IEnumSTATURL> walk;
    OleCheck(history->EnumUrls(walk.PutRef()));
    SourceLabels sources(walk.Get());
    STATURL entry{};
    while (OleCheck(walk->Next(1, &entry, nullptr)) == S_OK) {
        const std::string url = WideToAnsi(entry.pwcsUrl ? entry.pwcsUrl : u"");
        visit(entry, url, UrlOrigin(url, sources.Last()));
        CoTaskMemFree(entry.pwcsUrl);
        CoTaskMemFree(entry.pwcsTitle);
    }
}

// Prints the entries of every source that the filter takes.
void PrintHistory(const ComPtr<IUrlHistoryStg2>& history, const EntryFilter& filter,
                  ListFormat format) {
    WalkHistory(history,
                [&](const STATURL& entry, const std::string& url, const EntryOrigin& origin) {
                    if (filter.Takes(origin.source, origin.host))
                        PrintEntry(entry, origin, url, format);
                });
}

int ListHistory(const Arguments& args) {
    const ParsedArguments parsed(args, {"--format"}, {}, kFilterOptions);
    parsed.ExpectPositional(0, 0);
    const ListFormat format = ReadFormat(parsed);
    const EntryFilter filter(parsed);
    const ComRuntime runtime;
    PrintHistory(OpenHistory(), filter, format);
    return 0;
}

// The label of every source found that one of `names` names; each name
// that names none is a line in `failures`.
std::vector<std::u16string> LabelsNamed(const std::vector<std::string>& names, Failures& failures) {
    std::vector<std::string> labels{WideToAnsi(kOwnHistorySource)};
    for (const BrowserSource& source : FindSources().browsers)
        labels.push_back(source.label);
    std::vector<std::u16string> named;
    std::set<std::string> used;
    for (const std::string& label : labels) {
        bool chosen = false;
        for (const std::string& name : names) {
            if (!SourceNamed(name, label))
                continue;
            used.insert(name);
            chosen = true;
        }
        if (chosen)
            named.push_back(AnsiToWide(label));
    }
    for (const std::string& name : names) {
        if (!used.count(name))
            failures.lines.push_back("no source is named \"" + Escaped(name) + "\"");
    }
    return named;
}

int ClearHistory(const Arguments& args) {
    const ParsedArguments parsed(args, {"--format"}, {"--dry-run"}, {"--source"});
    parsed.ExpectPositional(0, 0);
    const ListFormat format = ReadFormat(parsed);
    const EntryFilter filter(parsed);
    const ComRuntime runtime;
    if (parsed.Flag("--dry-run")) {
        PrintHistory(OpenHistory(), filter, format);
        return 0;
    }
    if (parsed.Value("--format"))
        throw UsageError{"--format is for the listing of --dry-run"};
    if (!filter.Narrows()) {
        OleCheck(OpenHistory()->ClearHistory());
        return 0;
    }
    Failures failures;
    const std::vector<std::u16string> labels = LabelsNamed(parsed.Values("--source"), failures);
    std::vector<LPCWSTR> pointers;
    for (const std::u16string& label : labels)
        pointers.push_back(label.c_str());
    const HRESULT result =
        ClearUrlHistorySources(pointers.data(), static_cast<ULONG>(pointers.size()));
    if (FAILED(result)) {
        for (std::string& line : MessageLines(EOleSysError(result).what()))
            failures.lines.push_back(std::move(line));
    }
    if (!failures.lines.empty())
        throw failures;
    return 0;
}

int DeleteHistory(const Arguments& args) {
    const ParsedArguments parsed(args, {"--format"}, {"--dry-run"}, kFilterOptions);
    const bool dryRun = parsed.Flag("--dry-run");
    if (parsed.Value("--format") && !dryRun)
        throw UsageError{"--format is for the listing of --dry-run"};
    const std::optional<ListFormat> print =
        dryRun ? std::optional(ReadFormat(parsed)) : std::nullopt;
    const bool bySite = !parsed.Values("--site").empty();
    parsed.ExpectPositional(bySite ? 0 : 1, bySite ? 0 : SIZE_MAX);
    std::set<std::string> given;
    for (const std::string& url : parsed.Positional()) {
        if (url.empty())
            throw UsageError{"URL is empty"};
        given.insert(url);
    }
    const EntryFilter filter(parsed);
    Failures failures;
    const ChosenPages chosen = ChoosePages(filter, bySite ? nullptr : &given, print, failures);
    const std::set<std::string> found(chosen.urls.begin(), chosen.urls.end());
    for (const std::string& url : parsed.Positional()) {
        if (!found.count(url) && given.erase(url)) {
            std::string line = '"' + Escaped(url);
            line += "\" is in no history";
            if (filter.Narrows())
                line += " of the chosen sources";
            failures.lines.push_back(std::move(line));
        }
    }
    if (!dryRun) {
        std::vector<Refusal> refusals;
        for (std::string& line : DeletePages(chosen))
            refusals.push_back({std::move(line), 0});
        TellKept(refusals, {chosen.tally}, failures);
    }
    if (!failures.lines.empty())
        throw failures;
    return 0;
}

struct SampleEntry {
    const char* url;
    const char* title;  // nullptr: the page had none
    const char* visited;
    const char* expires;
};

}  // namespace

ChosenPages ChoosePages(const EntryFilter& filter, const std::set<std::string>* urls,
                        std::optional<ListFormat> print, Failures& failures) {
    const ComRuntime runtime;
    ChosenPages chosen;
    std::set<std::string> urlsSeen, sourcesSeen;
    try {
        WalkHistory(OpenHistory(), [&](const STATURL& entry, const std::string& url,
                                       const EntryOrigin& origin) {
            if ((urls && !urls->count(url)) || !filter.Takes(origin.source, origin.host))
                return;
            if (print)
                PrintEntry(entry, origin, url, *print);
            if (urlsSeen.insert(url).second)
                chosen.urls.push_back(url);
            if (sourcesSeen.insert(origin.source).second)
                chosen.sources.push_back(origin.source);
            chosen.tally.Add(origin.source);
        });
    } catch (const EOleError& error) {
        for (std::string& line : MessageLines(error.what()))
            failures.AddOnce(std::move(line));
    }
    return chosen;
}

std::vector<std::string> DeletePages(const ChosenPages& chosen) {
    if (chosen.urls.empty())
        return {};
    std::vector<std::u16string> texts;
    for (const std::string& url : chosen.urls)
        texts.push_back(AnsiToWide(url));
    const std::size_t urlCount = texts.size();
    for (const std::string& source : chosen.sources)
        texts.push_back(AnsiToWide(source));
    std::vector<LPCWSTR> pointers;
    for (const std::u16string& text : texts)
        pointers.push_back(text.c_str());
    const HRESULT result = DeleteUrlHistoryEntries(pointers.data(), static_cast<ULONG>(urlCount),
                                                   pointers.data() + urlCount,
                                                   static_cast<ULONG>(pointers.size() - urlCount));
    if (SUCCEEDED(result))
        return {};
    return MessageLines(EOleSysError(result).what());
}

std::vector<Command> HistoryCommands() {
    return {
        {"add-history", "URL [--title TEXT] [--visited TIME] [--updated TIME] [--expires TIME]",
         "adds or replaces a history entry (TIME: 2026-01-02T03:04:05Z or ft:NUMBER; updated "
         "defaults to visited, expires to 20 days after it)",
         AddHistory, "http://www.example.com/ --title Example --visited 2026-03-02T09:15:00Z"},
        {"list-history", "[--source S]... [--site SITE]... [--format text|json]",
         "lists the history entries in the order first added", ListHistory,
         "--site example.com --format json"},
        {"delete-history",
         "URL... | --site SITE... [--source S]... [--dry-run [--format text|json]]",
         "deletes these pages, or every page of these sites whatever its scheme, from the "
         "chosen histories (all unless given), each as the browser's own removal of a page "
         "does (a bookmarked page keeps its bookmark); a URL that is in none is an error",
         DeleteHistory, "--site example.com --source firefox --dry-run"},
        {"clear-history", "[--source S]... [--dry-run [--format text|json]]",
         "clears the history, the browsers' included, as the window's Clear History does, or "
         "only the chosen sources' histories",
         ClearHistory, "--dry-run"},
    };
}

void WriteSampleHistory() {
    static const SampleEntry samples[] = {
        {"http://www.example.com/index.html", "Example Domain", "2026-03-02T09:15:00Z",
         "2026-03-22T09:15:00Z"},
        {"https://news.example.org/world/europe/story.html", "Europe \xE2\x80\x93 World News",
         "2026-03-10T07:03:10Z", "2026-03-30T07:03:10Z"},
        {"http://www.cafe-zuerich.example.ch/menu.html", "Caf\xC3\xA9 Z\xC3\xBCrich",
         "2026-03-11T12:30:00Z", "2026-03-31T12:30:00Z"},
        {"file:///home/alice/Documents/notes.html", "Notes", "2026-03-11T20:05:00Z",
         "2026-03-31T20:05:00Z"},
        {"http://tokyo.example.jp/guide/", "T\xC5\x8Dky\xC5\x8D \xE6\x9D\xB1\xE4\xBA\xAC",
         "2026-03-12T01:45:30Z", "2026-04-01T01:45:30Z"},
        {"http://www.example.gr/",
         "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC", "2026-03-12T16:20:00Z",
         "2026-04-01T16:20:00Z"},
        {"https://secure.example.com/login", "Sign in", "2026-03-13T08:00:00Z",
         "2026-04-02T08:00:00Z"},
        // No title, and kept beyond what a DOS date can hold.
        {"http://intranet.example.net/", nullptr, "2026-03-13T09:10:00Z", "2200-01-01T00:00:00Z"},
        // Visited before the first DOS date.
        {"http://old.example.com/", "An old page", "1979-12-31T23:00:00Z", "1980-01-20T23:00:00Z"},
    };
    std::vector<std::u16string> texts;
    texts.reserve(2 * std::size(samples));  // the entries point into it
    std::vector<URLHISTORY_ENTRY> entries;
    for (const SampleEntry& sample : samples) {
        URLHISTORY_ENTRY entry;
        entry.pwcsUrl = texts.emplace_back(AnsiToWide(sample.url)).c_str();
        if (sample.title)
            entry.pwcsTitle = texts.emplace_back(AnsiToWide(sample.title)).c_str();
        entry.ftLastVisited = ParseTime(sample.visited);
        entry.ftLastUpdated = entry.ftLastVisited;
        entry.ftExpires = ParseTime(sample.expires);
        entry.dwFlags = STATURLFLAG_ISTOPLEVEL;
        entries.push_back(entry);
    }
    OleCheck(AddUrlHistoryEntries(entries.data(), static_cast<ULONG>(entries.size())));
}
