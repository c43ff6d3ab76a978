// The steps that delete-cache, delete-history and forget share: choosing
// entries by the filters, printing them for a dry run as the listing does,
// and deleting them.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Commands.h"
#include "Filters.h"
#include "JsonLines.h"
#include "KeepList.h"
#include "Refusals.h"

// The steps that choose read the whole walk: a source that cannot be read
// is a line in `failures`, and the rows of the others are chosen all the
// same, so that they are deleted all the same.

// The addresses of the cookie entries the filter takes and `keep` (if any)
// does not keep, in walk order; each printed as list-cache does in `print`.
std::vector<std::string> ChooseCookies(const EntryFilter& filter, const KeepList* keep,
                                       std::optional<ListFormat> print, Failures& failures);

// Deletes the cache entries as the window's Delete Cookies does, and then
// walks the cache, which commits a browser's deletions; `deleted` counts
// those taken by source. An address that matches no entry is a line in
// `failures`; the lines of what the commit refused are returned.
std::vector<std::string> DeleteCacheEntries(const std::vector<std::string>& addresses,
                                            Tally& deleted, Failures& failures);

// The history's rows a change takes: their addresses and their sources'
// labels, each once, and their count by source.
struct ChosenPages {
    std::vector<std::string> urls;
    std::vector<std::string> sources;
    Tally tally{"page"};
};

// The history's rows the filter takes whose address is among `urls` (any when
// nullptr), in walk order; each printed as list-history does in `print`.
ChosenPages ChoosePages(const EntryFilter& filter, const std::set<std::string>* urls,
                        std::optional<ListFormat> print, Failures& failures);

// Deletes each chosen address from each chosen source, in one call: as a
// filter takes every row of its sources that it takes by address or site,
// that is the chosen rows and no other. Returns the lines of what it did
// not do.
std::vector<std::string> DeletePages(const ChosenPages& chosen);
