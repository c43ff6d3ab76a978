// The URL cache's entries, and the calls through which a browser fills the
// cache; the store keeps them. The walk and the deletion, which also reach
// the browsers' profiles, are in wininet.h.
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
