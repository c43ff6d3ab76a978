// The browser's URL cache: walking it and deleting from it, over Orvalla's
// own store and every browser profile found.
#pragma once

#include "platform/urlcache.h"

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
