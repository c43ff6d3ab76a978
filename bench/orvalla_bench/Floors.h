// The floors: what no implementation can beat on this machine for the same
// work. Each shows the window's rows in a bare control of the window's size,
// most of them read from the stores with plain SQLite and their texts made
// from the values read, and returns the time of one run in milliseconds;
// opening the files and showing the empty control are not timed. Each
// throws unless its rows are the window's.
#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "BareControls.h"
#include "BrowserProfiles.h"

// On Orvalla's own stores, the files of the current data home opened as the
// store sets up its own connections (Floors.cpp).

// What a floor does: the whole work the window's calls force, its texts
// made from the values read; or, for reference, a scan of the rows the
// window shows alone, and the window's own texts, made before the clock
// starts.
enum class Texts { Made, Ready };

// What the walk's calls make the program read: one scan of every entry of
// the cache with every value its record holds, the texts of the cookie rows
// made from the values, then the bare list filled with them. For reference,
// a scan of the cookie rows only.
double WalkFloor(Texts texts, const Shown& shown);

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

// One scan of the history's http entries, then the bare grid filled.
double HistoryFloor(Texts texts, const Shown& shown);

// The rows in a bare list, every check box set. The list is filled one row
// at a time, each row's place found while it is the last, before the clock
// starts: the cheapest way to a list whose every row Qt finds at once, as a
// second click would find them.
double CheckAllFloor(const Shown& shown);

// On the browsers' own files, opened as they are (their journal modes,
// schemas and indices, and SQLite's defaults otherwise), whatever order the
// window shows their rows in (BrowserFloors.cpp).

// Every cookie group of both profiles: each cookie file's GROUP BY by the
// browser's own key, the texts of each group's row made from the values
// read, then the bare list filled with them.
double BrowserWalkFloor(const BrowserProfiles& profiles, const Shown& shown);

// Every visited http page of both profiles read with its texts, then the
// bare grid filled with them.
double BrowserHistoryFloor(const BrowserProfiles& profiles, const Shown& shown);

// The groups with these addresses deleted from the browser's cookie file by
// its key, in one transaction, then the walk's floor on what is left. The
// keys come from a read of the groups before the clock starts, as the walk
// that filled the list read them.
double BrowserDeleteFloor(const BrowserProfiles& profiles, Browser browser,
                          const std::vector<std::string>& addresses, const Shown& shown);

// The texts a floor shows for the values its scan read, made as cheaply as
// those values allow: the least any program showing them must do
// (FloorTexts.cpp).

// A time stamp (universal FILETIME ticks) as the window shows it with the
// United States settings the benchmark runs with: the local time of day in
// "M/d/yyyy h:mm:ss tt", in the two-second steps of a DOS time, the time left
// out at midnight; `outside` for an instant outside the DOS years.
QString DateText(std::uint64_t fileTime, std::string_view outside);

// A DateTimeToStr of 0, which the history page shows for an instant outside
// the DOS years.
inline constexpr std::string_view kHistoryOutside = "12/30/1899";

// The caption of a cookie row: its address after the "@", without a
// trailing "/". Short ASCII addresses only, which is what the seed makes.
QString CaptionText(std::string_view address);
