// The browser's URL history: the store object, its enumerator and the entry
// record.
#pragma once

#include "platform/unknwn.h"
#include "platform/windef.h"
#include "platform/wtypes.h"

inline constexpr CLSID CLSID_CUrlHistory{
    0x3C374A40, 0xBAE4, 0x11CF, {0xBF, 0x7D, 0x00, 0xAA, 0x00, 0x69, 0x46, 0xEE}};
inline constexpr IID IID_IUrlHistoryStg{
    0x3C374A41, 0xBAE4, 0x11CF, {0xBF, 0x7D, 0x00, 0xAA, 0x00, 0x69, 0x46, 0xEE}};
inline constexpr IID IID_IEnumSTATURL{
    0x3C374A42, 0xBAE4, 0x11CF, {0xBF, 0x7D, 0x00, 0xAA, 0x00, 0x69, 0x46, 0xEE}};
inline constexpr IID IID_IUrlHistoryStg2{
    0xAFA0DC11, 0xC313, 0x11D0, {0x83, 0x1A, 0x00, 0xC0, 0x4F, 0xD5, 0xAE, 0x38}};
// Orvalla's own: the walk that names where each entry comes from.
inline constexpr IID IID_IEnumSTATURLSource{
    0x6F1C2A3B, 0x4D5E, 0x4F60, {0x8A, 0x71, 0x92, 0xB3, 0xC4, 0xD5, 0xE6, 0xF7}};

// The label of Orvalla's own store among the sources.
inline constexpr char16_t kOwnHistorySource[] = u"orvalla";

// STATURL.dwFlags
inline constexpr DWORD STATURLFLAG_ISTOPLEVEL = 0x2;

// One history entry. The texts are allocated with CoTaskMemAlloc for the
// caller, who frees each with CoTaskMemFree. pwcsTitle is nullptr for a page
// stored without a title.
struct STATURL {
    DWORD cbSize;
    LPWSTR pwcsUrl;
    LPWSTR pwcsTitle;
    FILETIME ftLastVisited;
    FILETIME ftLastUpdated;
    FILETIME ftExpires;
    DWORD dwFlags;
};
using LPSTATURL = STATURL*;

// Walks the entries in the order they were first added, keeping its place
// by entry, so that entries removed meanwhile neither shift nor repeat it. A
// walk reads the store as it was at its first entry, and takes up the store
// as it is only where it starts again from its place: after a change through
// its history object, or after another walk of that object read in between.
// When that finds the store's file deleted or replaced, the walk fails with
// HRESULT_FROM_WIN32(ERROR_FILE_INVALID). After the store's own entries come
// the visited pages of every browser profile found, as they were when the
// walk was made (last updated is the last visit, expires 0); a profile that
// cannot be read fails the walk once they are all given. One thread at a
// time.
struct IEnumSTATURL : IUnknown {
    // Up to celt entries into rgelt; *pceltFetched (may be nullptr only when
    // celt is 1) says how many. S_OK when all celt came, S_FALSE at the end.
    virtual HRESULT Next(ULONG celt, LPSTATURL rgelt, ULONG* pceltFetched) = 0;
    // From now on only entries whose address begins with poszFilter (byte for
    // byte; nullptr or "" for all). dwFlags is ignored. The place is kept.
    virtual HRESULT SetFilter(LPCOLESTR poszFilter, DWORD dwFlags) = 0;

protected:
    ~IEnumSTATURL() = default;
};
using LPENUMSTATURL = IEnumSTATURL*;

// A walk that also tells where each entry comes from; every walk EnumUrls
// makes offers it.
struct IEnumSTATURLSource : IEnumSTATURL {
    // The source of the entry the last Next gave (the last of those it
    // gave): its index in this walk, the same for every entry of a source.
    // 0 is Orvalla's own store. E_UNEXPECTED before Next gave any.
    virtual HRESULT GetLastSource(ULONG* pIndex) = 0;
    // The texts that name source `index`: its label ("orvalla",
    // "firefox.default-esr", the one cookie addresses carry after
    // "Cookie:"), its browser ("Orvalla", "Firefox") and its profile's name
    // ("" for Orvalla's own store, "default-esr"). Each is allocated with
    // CoTaskMemAlloc for the caller; a pointer may be nullptr when that text
    // is not wanted. E_INVALIDARG for an index the walk has not given.
    virtual HRESULT GetSourceNames(ULONG index, LPWSTR* ppwcsLabel, LPWSTR* ppwcsBrowser,
                                   LPWSTR* ppwcsProfile) = 0;

protected:
    ~IEnumSTATURLSource() = default;
};

// The history of visited pages, one entry per address. The object follows
// the store's file: after the file was deleted or replaced, each clearing
// and new walk works on the file now at its path (created when there is
// none). A store that can be read but not written beside (a read-only
// directory) lists all the same and refuses changes with
// HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED); one that showed damage is not
// written to again.
struct IUrlHistoryStg : IUnknown {
    // Deletes the entry with this address (byte for byte, whatever its
    // scheme) from the store and from the history of every browser profile
    // found, as the browser's own removal of a page does: the page's visits
    // and the page go, a bookmarked page keeping its bookmark and title, and
    // what only that page used goes with it. Refusals and failures as
    // ClearHistory's; an address no history held fails with
    // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when nothing refused.
    // dwFlags is ignored.
    virtual HRESULT DeleteUrl(LPCOLESTR pocsUrl, DWORD dwFlags) = 0;
    virtual HRESULT EnumUrls(IEnumSTATURL** ppEnum) = 0;

protected:
    ~IUrlHistoryStg() = default;
};

struct IUrlHistoryStg2 : IUrlHistoryStg {
    // Removes every entry in one transaction: all or none; then clears the
    // history of every browser profile found, each as the browser's own
    // clearing does. A store or browser that refuses (one running) leaves
    // the others cleared all the same, and the call fails with
    // HRESULT_FROM_WIN32 of the first cause; OleErrorMessage gives the text
    // naming the store or the browser.
    virtual HRESULT ClearHistory() = 0;

protected:
    ~IUrlHistoryStg2() = default;
};

template <>
struct InterfaceId<IEnumSTATURL> {
    static constexpr const IID& value = IID_IEnumSTATURL;
};
template <>
struct InterfaceId<IEnumSTATURLSource> {
    static constexpr const IID& value = IID_IEnumSTATURLSource;
};
template <>
struct InterfaceId<IUrlHistoryStg> {
    static constexpr const IID& value = IID_IUrlHistoryStg;
};
template <>
struct InterfaceId<IUrlHistoryStg2> {
    static constexpr const IID& value = IID_IUrlHistoryStg2;
};

// --- The producer call: how a browser writes the history with all of an
// entry's times. The window never uses it; the tests, the benchmarks and
// orvalla-stores do. It needs no CoInitialize.

struct URLHISTORY_ENTRY {
    LPCWSTR pwcsUrl = nullptr;
    LPCWSTR pwcsTitle = nullptr;  // nullptr: no title
    FILETIME ftLastVisited{};
    FILETIME ftLastUpdated{};
    FILETIME ftExpires{};
    DWORD dwFlags = 0;  // STATURLFLAG_*
};

// Adds each entry, or replaces every value of the entry with that address
// (which keeps its place). All in one transaction: all or none. Failures as
// the store object's.
HRESULT AddUrlHistoryEntries(const URLHISTORY_ENTRY* entries, ULONG count);
inline HRESULT AddUrlHistoryEntry(const URLHISTORY_ENTRY& entry) {
    return AddUrlHistoryEntries(&entry, 1);
}

// Deletes the entries with these addresses as DeleteUrl does, from every
// source, or only from `sources` when it is given: labels
// ("firefox.default-esr"), browsers' first words in labels ("firefox"), or
// kOwnHistorySource for Orvalla's own store. One transaction per file for
// them all: a file's deletions are all made or none. Failures as
// DeleteUrl's, with a line for each refusal and each address not found.
HRESULT DeleteUrlHistoryEntries(const LPCWSTR* urls, ULONG count, const LPCWSTR* sources = nullptr,
                                ULONG sourceCount = 0);

// Clears, as ClearHistory does, the history of only these sources, named as
// DeleteUrlHistoryEntries names them; none named clears nothing. A source
// that refuses leaves the others cleared all the same.
HRESULT ClearUrlHistorySources(const LPCWSTR* sources, ULONG count);
