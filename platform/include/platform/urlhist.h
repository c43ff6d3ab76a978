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

// STATURL.dwFlags
inline constexpr DWORD STATURLFLAG_ISCACHED = 0x1;
inline constexpr DWORD STATURLFLAG_ISTOPLEVEL = 0x2;

// Query and filter flags (QueryUrl, IEnumSTATURL::SetFilter).
inline constexpr DWORD STATURL_QUERYFLAG_ISCACHED = 0x00010000;  // accepted, no effect
inline constexpr DWORD STATURL_QUERYFLAG_NOURL = 0x00020000;     // pwcsUrl left nullptr
inline constexpr DWORD STATURL_QUERYFLAG_NOTITLE = 0x00040000;   // pwcsTitle left nullptr
inline constexpr DWORD STATURL_QUERYFLAG_TOPLEVEL = 0x00080000;  // top-level pages only

// AddUrl's flags; this store keeps no cache, so both only add to history.
inline constexpr DWORD ADDURL_ADDTOHISTORYANDCACHE = 0;
inline constexpr DWORD ADDURL_ADDTOCACHE = 1;

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

// Walks the entries in the order they were first added. It keeps its place
// by entry, so entries added or removed meanwhile neither shift nor repeat
// it. When the store's file is deleted or replaced during the walk, the walk
// fails with HRESULT_FROM_WIN32(ERROR_FILE_INVALID) until Reset, which starts
// it on the file now there. One thread at a time.
struct IEnumSTATURL : IUnknown {
    // Up to celt entries into rgelt; *pceltFetched (may be nullptr only when
    // celt is 1) says how many. S_OK when all celt came, S_FALSE at the end.
    virtual HRESULT Next(ULONG celt, LPSTATURL rgelt, ULONG* pceltFetched) = 0;
    // S_FALSE when fewer than celt entries were left.
    virtual HRESULT Skip(ULONG celt) = 0;
    virtual HRESULT Reset() = 0;
    // A new enumerator at the same place with the same filter.
    virtual HRESULT Clone(IEnumSTATURL** ppenum) = 0;
    // From now on only entries whose address begins with poszFilter (byte for
    // byte; nullptr or "" for all); dwFlags takes the STATURL_QUERYFLAG_*
    // values. The place is kept.
    virtual HRESULT SetFilter(LPCOLESTR poszFilter, DWORD dwFlags) = 0;

protected:
    ~IEnumSTATURL() = default;
};
using LPENUMSTATURL = IEnumSTATURL*;

// The history of visited pages, one entry per address. The object follows
// the store's file: after the file was deleted or replaced, each call works
// on the file now at its path (created when there is none). A store that can
// be read but not written beside (a read-only directory) lists all the same
// and refuses changes with HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED); one that
// showed damage is not written to again.
struct IUrlHistoryStg : IUnknown {
    // Records a visit now: a new address is added at the end; an address
    // already there keeps its place and gets the new title (unless pocsTitle
    // is nullptr) and visit time.
    virtual HRESULT AddUrl(LPCOLESTR pocsUrl, LPCOLESTR pocsTitle, DWORD dwFlags) = 0;
    // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when the address is not there.
    virtual HRESULT DeleteUrl(LPCOLESTR pocsUrl, DWORD dwFlags) = 0;
    // Fills *lpSTATURL (when not nullptr) with the entry for the address;
    // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) when there is none.
    virtual HRESULT QueryUrl(LPCOLESTR pocsUrl, DWORD dwFlags, LPSTATURL lpSTATURL) = 0;
    // E_NOTIMPL.
    virtual HRESULT BindToObject(LPCOLESTR pocsUrl, REFIID riid, void** ppvOut) = 0;
    virtual HRESULT EnumUrls(IEnumSTATURL** ppEnum) = 0;

protected:
    ~IUrlHistoryStg() = default;
};

struct IOleCommandTarget;

struct IUrlHistoryStg2 : IUrlHistoryStg {
    // E_NOTIMPL.
    virtual HRESULT AddUrlAndNotify(LPCOLESTR pocsUrl, LPCOLESTR pocsTitle, DWORD dwFlags,
                                    BOOL fWriteHistory, IOleCommandTarget* poctNotify,
                                    IUnknown* punkISFolder) = 0;
    // Removes every entry in one transaction: all or none. A store that
    // refuses fails with HRESULT_FROM_WIN32 of the cause; OleErrorMessage
    // gives the text naming the store.
    virtual HRESULT ClearHistory() = 0;

protected:
    ~IUrlHistoryStg2() = default;
};

template <>
struct InterfaceId<IEnumSTATURL> {
    static constexpr const IID& value = IID_IEnumSTATURL;
};
template <>
struct InterfaceId<IUrlHistoryStg> {
    static constexpr const IID& value = IID_IUrlHistoryStg;
};
template <>
struct InterfaceId<IUrlHistoryStg2> {
    static constexpr const IID& value = IID_IUrlHistoryStg2;
};

// --- Producer calls: how a browser writes the history with all of an
// entry's times. The window never uses these; the tests, the benchmarks and
// orvalla-stores do. They need no CoInitialize.

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
