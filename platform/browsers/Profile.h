// The profiles of the real browsers, and what the SQLite-based ones share.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browsers/TextPair.h"
#include "store/Database.h"

namespace browsers {

// The values that tell a group's cookies from all others, as a JSON array
// made by SQLite from the browser's own bytes, in the order the browser's
// deletion statement takes them.
using GroupKey = std::string;

// The cookies of one host (as the browser stores it, a leading dot kept),
// one path and one partition.
class CookieGroup {
public:
    CookieGroup(std::string_view address, std::uint64_t modified, std::uint64_t expires,
                std::string_view key)
        : modified(modified), expires(expires), texts_(address, key) {}

    // "Cookie:LABEL@HOST PATH"; a partitioned group's address is its own.
    std::string_view Address() const { return texts_.First(); }
    std::string_view Key() const { return texts_.Second(); }

    // FILETIME ticks, universal: the latest time a cookie of the group was
    // set or changed, and the latest expiry among them.
    std::uint64_t modified = 0;
    std::uint64_t expires = 0;

private:
    TextPair texts_;
};

// How many cookies a group holds, and the first of their names in order.
struct CookieNames {
    std::size_t count = 0;
    std::vector<std::string> first;
};

// One visited page.
class VisitedPage {
public:
    VisitedPage(std::string_view url, std::optional<std::string_view> title,
                std::uint64_t lastVisited)
        : lastVisited(lastVisited), titled_(title.has_value()), texts_(url, title.value_or("")) {}

    std::string_view Url() const { return texts_.First(); }
    std::optional<std::string_view> Title() const {
        return titled_ ? std::optional(texts_.Second()) : std::nullopt;
    }

    // Frees the texts, for a page no longer read.
    void Forget() {
        texts_.Free();
        titled_ = false;
    }

    std::uint64_t lastVisited = 0;  // FILETIME ticks, universal
    // The profile it came from, among those of one reading.
    std::uint32_t source = 0;

private:
    bool titled_;
    TextPair texts_;
};
using VisitedPages = std::vector<VisitedPage>;

// What a profile is, as `orvalla-stores sources` tells it.
struct ProfileState {
    std::string browser;  // "Firefox"
    std::string folder;
    std::vector<std::string> stores;  // the files it reads that are there
    std::optional<bool> running;      // nullopt when it cannot be told, `why` says
    std::string why;
};

// One profile of a real browser, as the cookie groups and visited pages it
// holds. Every call that fails throws store::StoreError, whose message
// begins with the browser and the profile ("Firefox (default-esr) is
// running: close it first").
class Profile {
public:
    virtual ~Profile() = default;

    // Whether anything is at the place of its cookies or its history.
    virtual bool HasStores() const = 0;

    virtual std::vector<CookieGroup> Cookies() const = 0;
    virtual VisitedPages History() const = 0;
    // Deletes the cookies of these groups, all at once.
    virtual void DeleteCookies(const std::vector<GroupKey>& groups) const = 0;
    // The names of the group's cookies, read again from the browser's file,
    // so that no reading keeps them for every group; at most `limit` of them.
    virtual CookieNames NamesIn(const CookieGroup& group, std::size_t limit) const = 0;
    // Clears the history as the browser's own clearing does, bookmarks kept.
    virtual void ClearHistory() const = 0;
    // Deletes these pages, every visit of each, as the browser's own removal
    // of a page from its history does, all at once; gives those it held.
    virtual std::vector<std::string> DeleteHistory(const std::vector<std::string>& urls) const = 0;

    ProfileState State() const;

    const std::string& Label() const { return label_; }
    const std::string& Who() const { return who_; }
    const std::string& Folder() const { return folder_; }
    const std::string& Browser() const { return browser_; }  // "Google Chrome"
    const std::string& Name() const { return name_; }        // "Default"
    // Adds to the label a suffix made from the folder, for a profile whose
    // name gives the label of another: the same folder, the same suffix.
    void TellApart();

protected:
    // `browser` names it in messages ("Google Chrome"), `labelPrefix` in
    // labels ("google-chrome"), `name` the profile in both.
    Profile(std::string folder, std::string_view browser, std::string_view labelPrefix,
            std::string_view name);

    std::string File(std::string_view name) const { return folder_ + "/" + std::string(name); }
    std::string Address(std::string_view host, std::string_view path,
                        std::string_view partition) const;
    store::StoreError Error(DWORD code, const std::string& what) const;
    // Every file it reads or changes, and whether the browser runs as a
    // change would ask it.
    virtual std::vector<std::string> StoreFiles() const = 0;
    virtual std::optional<bool> RunningNow(std::string& why) const = 0;

private:
    const std::string folder_;
    const std::string browser_;
    const std::string name_;
    const std::string who_;  // "Firefox (default-esr)"
    // "firefox.default-esr", "chromium.Default"; never holds "@".
    std::string label_;
};

// How a browser counts a time in its store: from which epoch, in units of
// how many FILETIME ticks. Its queries return the count as it is, so that
// the arithmetic is done in one place.
enum class Epoch { Year1601, Unix };
struct TimeScale {
    Epoch epoch;
    std::uint64_t ticksPerUnit;

    // As FileTimeFrom1601 or FileTimeFromUnix.
    std::uint64_t FileTime(std::int64_t count) const;
};

// The query of a history store's visited pages: address, title and the last
// visit, which `lastVisit` tells how to read.
struct PagesQuery {
    const char* sql;
    TimeScale lastVisit;
};

// A statement that deletes from `table` of a history store, run only when
// the store has that table, and that column of it when one is named.
struct TableDeletion {
    const char* table;
    const char* sql;
    const char* column = nullptr;
};

// A profile whose stores are SQLite files: where they are, how to tell that
// the browser runs, and its SQL, over the reading, deleting and clearing
// that every such browser shares.
class StoreProfile : public Profile {
public:
    bool HasStores() const override;
    // Read from a private copy while the browser runs, and without writing
    // anything beside the files while it does not.
    std::vector<CookieGroup> Cookies() const override;
    VisitedPages History() const override;
    // In one transaction.
    void DeleteCookies(const std::vector<GroupKey>& groups) const override;
    // Ordered by name.
    CookieNames NamesIn(const CookieGroup& group, std::size_t limit) const override;
    void ClearHistory() const override;
    std::vector<std::string> DeleteHistory(const std::vector<std::string>& urls) const override;

protected:
    using Profile::Profile;

    // The browser's own sign that it runs (a lock, a name on the bus);
    // nullopt, with `why`, when the sign cannot be asked.
    virtual std::optional<bool> Running(std::string& why) const = 0;
    virtual std::string CookiesFile() const = 0;
    virtual std::string HistoryFile() const = 0;
    // Every store a change may touch, which a running browser holds open.
    virtual std::vector<std::string> Stores() const { return {CookiesFile(), HistoryFile()}; }
    virtual void ReadGroups(store::Database& cookies, std::vector<CookieGroup>& groups) const = 0;
    virtual PagesQuery Pages() const = 0;
    // The cookies of the groups whose keys ?1 holds, a JSON array of arrays:
    // "FROM table WHERE condition".
    virtual std::string CookiesOfGroupsSql(store::Database& cookies) const = 0;
    // Clears the history, the browser known to be closed.
    virtual void Clear() const = 0;
    std::vector<std::string> StoreFiles() const override { return Stores(); }
    std::optional<bool> RunningNow(std::string& why) const override;
    // Deletes the pages whose addresses ?1 holds, a JSON array of texts, the
    // browser known to be closed; gives those the history held.
    virtual std::vector<std::string> DeletePages(const std::string& urls) const = 0;

    // Opens a store to change it: only a regular file whose real path lies
    // inside the profile's folder.
    std::unique_ptr<store::Database> OpenForChange(const std::string& path) const;
    // Empties those of these tables that the history store has, in one
    // transaction, the browser known to be closed.
    void EmptyHistoryTables(const std::vector<const char*>& tables) const;
    // Runs on the history store, in one transaction, `found` (which gives
    // the addresses among ?1 that it holds as pages) and then `deletions`,
    // each with the JSON array `urls` as ?1; gives what `found` gave.
    std::vector<std::string> DeleteFromHistory(const char* found,
                                               const std::vector<TableDeletion>& deletions,
                                               const std::string& urls) const;
    // Throws the refusal of every change while the browser runs, by its own
    // sign or by a process of the user holding one of its stores open, and
    // while its own sign cannot be asked. Called last before each commit.
    void CheckClosed() const;

private:
    // Runs `read` on the store at `path`; nothing when no file is there.
    template <typename Read>
    void ReadStore(const std::string& path, Read read) const;
};

bool HasTable(store::Database& db, std::string_view table, std::string_view schema = "main");
bool HasColumn(store::Database& db, std::string_view table, std::string_view column);
// The first column of every row `sql` gives with `urls` bound to ?1.
std::vector<std::string> Column(store::Database& db, const std::string& sql,
                                const std::string& urls);
// The texts as a JSON array, their bytes as they are: SQLite's json_each
// gives them back whole, so that no table need be made in a browser's file
// to hold them.
std::string JsonArray(const std::vector<std::string>& texts);

// FILETIME ticks from a count of `ticksPerUnit` since 1601 or since 1970 (0
// stays 0, a negative count reads as 0, a count past FILETIME saturates).
std::uint64_t FileTimeFrom1601(std::int64_t count, std::uint64_t ticksPerUnit);
std::uint64_t FileTimeFromUnix(std::int64_t count, std::uint64_t ticksPerUnit);
constexpr std::uint64_t kPerMicrosecond = 10;
constexpr std::uint64_t kPerMillisecond = 10'000;
constexpr std::uint64_t kPerSecond = 10'000'000;

// The profiles of each browser, added to `profiles`; a
// place that could not be looked at adds its failure.
using Profiles = std::vector<std::unique_ptr<Profile>>;
using Failures = std::vector<store::StoreError>;
// Adds `profile` when it holds stores or its folder is there.
void AddFound(Profiles& profiles, std::unique_ptr<Profile> profile);
void FindFirefoxProfiles(Profiles& profiles, Failures& failures);
void FindChromiumProfiles(Profiles& profiles, Failures& failures);
// GNOME Web, luakit, Falkon and qutebrowser, in this order.
void FindDesktopBrowserProfiles(Profiles& profiles, Failures& failures);
void FindKonquerorProfiles(Profiles& profiles, Failures& failures);

}  // namespace browsers
