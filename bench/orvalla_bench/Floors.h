// The floors: what no implementation can beat on this machine for the same
// work. Each reads the store files of the current data home with plain
// SQLite and fills the bare Qt control in one batch, and returns the time of
// one run in milliseconds; setting up (opening the file, showing the empty
// control) is not timed.
#pragma once

#include <QSize>
#include <QString>

#include <string>
#include <vector>

#include "BareControls.h"

// What the walk's protocol makes the program read, one scan of every entry
// of the cache with every value its record holds, with the texts of the
// cookie rows made from the values, then the bare list filled with them.
// Throws unless the texts are the window's `rows`.
double WalkFloor(const std::vector<RowTexts>& rows, QSize listSize);

// For reference: one scan of the cookie rows only, then the bare list filled
// with the window's texts, made before the clock starts.
double WalkCookieScanFloor(const std::vector<RowTexts>& rows, QSize listSize);

// The rows, in the bare list in the given order, sorted by the column
// (1 hits, 2 modified, 0 address) with each key parsed once, then put in
// that order in one go. The resulting order of the rows' last texts goes to
// `order`, to check the program against.
double OrderingFloor(const std::vector<RowTexts>& rows, int column, QSize listSize,
                     std::vector<QString>& order);

// Each row its own transaction, final when its deletion returns, as each
// DeleteUrlCacheEntry must be; or all in one, for reference.
enum class Commits { EachRow, Once };

// The entries with the given addresses deleted, then the bare list filled
// with the remaining rows.
double DeleteFloor(const std::vector<std::string>& urls, const std::vector<RowTexts>& remaining,
                   QSize listSize, Commits commits);

// Copies everything in the URL cache's write-ahead log into the store file
// and empties the log, so that a timed run pays for no earlier writes.
void CheckpointUrlCache();

// Where a floor's texts come from: made from the scanned values and checked
// against the window's, or the window's own, ready before the clock starts
// (for reference).
enum class Texts { Made, Ready };

// One scan of the history's http entries, then the bare grid filled.
double HistoryFloor(const std::vector<RowTexts>& rows, QSize gridSize, Texts texts);
