// The browser's URL cache.
#pragma once

#include "platform/windef.h"

// Entry types (CacheEntryType bits).
inline constexpr DWORD NORMAL_CACHE_ENTRY = 0x00000001;
inline constexpr DWORD STICKY_CACHE_ENTRY = 0x00000004;
inline constexpr DWORD EDITED_CACHE_ENTRY = 0x00000008;
inline constexpr DWORD TRACK_OFFLINE_CACHE_ENTRY = 0x00000010;
inline constexpr DWORD TRACK_ONLINE_CACHE_ENTRY = 0x00000020;
inline constexpr DWORD SPARSE_CACHE_ENTRY = 0x00010000;
inline constexpr DWORD COOKIE_CACHE_ENTRY = 0x00100000;
inline constexpr DWORD URLHISTORY_CACHE_ENTRY = 0x00200000;

// One cache entry. The record and the texts it points to are one contiguous
// buffer: the texts follow the record and every pointer points inside it.
struct INTERNET_CACHE_ENTRY_INFOA {
    DWORD dwStructSize;
    LPSTR lpszSourceUrlName;
    LPSTR lpszLocalFileName;
    DWORD CacheEntryType;
    DWORD dwUseCount;
    DWORD dwHitRate;
    DWORD dwSizeLow;
    DWORD dwSizeHigh;
    FILETIME LastModifiedTime;
    FILETIME ExpireTime;
    FILETIME LastAccessTime;
    FILETIME LastSyncTime;
    LPSTR lpHeaderInfo;
    DWORD dwHeaderInfoSize;
    LPSTR lpszFileExtension;
    union {
        DWORD dwReserved;
        DWORD dwExemptDelta;
    };
};
using LPINTERNET_CACHE_ENTRY_INFOA = INTERNET_CACHE_ENTRY_INFOA*;

// Walking the cache, in the order the entries were first added, and then the
// cookie groups of every browser profile found (as they were when the walk
// started), each as a COOKIE_CACHE_ENTRY with its address, hit rate 0, last
// change and latest expiry; a profile that cannot be read ends the walk with
// its failure once everything else is handed out. Every call
// reads an entry in two steps: called with no buffer (or one too small) it
// fails with ERROR_INSUFFICIENT_BUFFER and writes the size the entry needs
// into *lpcbCacheEntryInfo; called with a buffer of that size it fills it and
// the walk moves on. The walk ends with ERROR_NO_MORE_ITEMS; a bad handle or
// bad arguments give ERROR_INVALID_PARAMETER. A store that cannot be read
// fails with another code whose detail (LastErrorDetail) names the store and
// the cause; a walk that met such a failure is over, and its later calls fail
// with ERROR_NO_MORE_ITEMS. The entry sized by one call is the one the next
// call fills, unless the thread changed the cache in between. A walk reads
// the cache as it was when it (or another of the thread's walks still under
// way) started; after each change through the thread's own calls, and once
// it has reached its end, it reads the cache as it is then. It never repeats
// or skips an entry.
//
// Handles belong to the thread that opened them, and a walk reads the store
// it started on, to its end even when the file is deleted meanwhile. When the
// thread's calls move to another store (the data directory changed, or the
// store file was deleted or replaced) its open walks end: the next call fails
// once with ERROR_FILE_INVALID and a detail saying so, then with
// ERROR_NO_MORE_ITEMS, until the walk is closed. A walk that is never closed
// is freed when its thread ends.
//
// A store this process may read but not write is read all the same, unless
// a writer left a change unfinished in it (reading it would then need write
// access), and so is a store of a newer version of this program; every
// change then fails with ERROR_ACCESS_DENIED. A store that showed damage
// (ERROR_FILE_CORRUPT) is never written to again through the thread's
// connection.
//
// lpszUrlSearchPattern: nullptr (or "") for every entry; no other pattern is
// served (ERROR_INVALID_PARAMETER).
HANDLE FindFirstUrlCacheEntryA(LPCSTR lpszUrlSearchPattern,
                               LPINTERNET_CACHE_ENTRY_INFOA lpFirstCacheEntryInfo,
                               LPDWORD lpcbCacheEntryInfo);
BOOL FindNextUrlCacheEntryA(HANDLE hEnumHandle, LPINTERNET_CACHE_ENTRY_INFOA lpNextCacheEntryInfo,
                            LPDWORD lpcbCacheEntryInfo);
// Ends a walk and frees what it holds.
BOOL FindCloseUrlCache(HANDLE hEnumHandle);

// Removes the entry whose source address equals lpszUrlName byte for byte,
// in one transaction, final when the call returns; failing that, the
// browser cookie group of that address. Fails with ERROR_FILE_NOT_FOUND when
// there is none, and with ERROR_LOCK_VIOLATION while its browser runs.
BOOL DeleteUrlCacheEntry(LPCSTR lpszUrlName);
BOOL DeleteUrlCacheEntryA(LPCSTR lpszUrlName);

// --- Producer calls: how a browser writes the cache. The window never uses
// these; the tests, the benchmarks and orvalla-stores do.

struct CACHE_ENTRY_VALUES {
    DWORD CacheEntryType = NORMAL_CACHE_ENTRY;
    FILETIME LastModifiedTime{};
    FILETIME ExpireTime{};
    FILETIME LastAccessTime{};
    FILETIME LastSyncTime{};
    DWORD dwUseCount = 0;
    DWORD dwSizeLow = 0;
    DWORD dwSizeHigh = 0;
    LPCSTR lpszLocalFileName = nullptr;
    LPCSTR lpHeaderInfo = nullptr;
    DWORD dwHeaderInfoSize = 0;
    LPCSTR lpszFileExtension = nullptr;
};

// Adds an entry, or replaces the values of the entry with that address (which
// keeps its place in the walk order and its hit rate; a new entry starts at
// 0). One transaction. A header info size of 0 means a zero-terminated text;
// null texts are absent from the entry record.
BOOL CommitUrlCacheEntryValues(LPCSTR lpszUrlName, const CACHE_ENTRY_VALUES* values);

// Sets the hit rate of an existing entry (ERROR_FILE_NOT_FOUND when none).
BOOL SetUrlCacheEntryHitRate(LPCSTR lpszUrlName, DWORD dwHitRate);
