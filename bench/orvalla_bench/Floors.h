// The floors on Orvalla's own stores: what no implementation can beat on this
// machine for the same work. Each opens the store files of the current data
// home with plain SQLite, set up as the store sets up its own connections,
// and returns the time of one run in milliseconds; opening the file and
// showing the empty control are not timed. Each throws unless the rows it
// shows are the window's, in a control of the window's size.
#pragma once

#include <string>
#include <vector>

#include "BareControls.h"

// What the walk's calls make the program read: one scan of every entry of
// the cache with every value its record holds, the texts of the cookie rows
// made from the values, then the bare list filled with them.
double WalkFloor(const Shown& shown);

// For reference: one scan of the cookie rows only, then the bare list filled
// with the window's texts, made before the clock starts.
double WalkCookieScanFloor(const Shown& shown);

// The rows of `cacheOrder` in a bare list, sorted by the column (0 address,
// 1 hits, 2 modified) with each key parsed once, then put back in that order
// in one go.
double OrderingFloor(const std::vector<RowTexts>& cacheOrder, int column, const Shown& shown);

// Each row its own transaction, final when its deletion returns, as each
// DeleteUrlCacheEntry must be; or all in one, for reference.
enum class Commits { EachRow, Once };

// The entries with these addresses deleted, then the bare list filled with
// the window's remaining rows.
double DeleteFloor(const std::vector<std::string>& urls, Commits commits, const Shown& shown);

// Copies everything in the URL cache's write-ahead log into the store file
// and empties the log, so that a timed run pays for no earlier writes.
void CheckpointUrlCache();

// Where a floor's texts come from: made from the scanned values, or the
// window's own, ready before the clock starts (for reference).
enum class Texts { Made, Ready };

// One scan of the history's http entries, then the bare grid filled.
double HistoryFloor(Texts texts, const Shown& shown);

// The rows in a bare list, every check box set. The list is filled one row
// at a time, each row's place found while it is the last, before the clock
// starts: the cheapest way to a list whose every row Qt finds at once, as a
// second click would find them.
double CheckAllFloor(const Shown& shown);
