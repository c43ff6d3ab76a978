// The program's own paths, run on the real window. Each run returns its time
// in milliseconds; what puts the window back into the same state before the
// run is not timed.
#pragma once

#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "BareControls.h"

class TMainForm;

// The cookie walk: the list emptied, then "Refresh" clicked from code, which
// is LoadCookies into the empty list followed by SelectFirstItem.
double WalkRun(TMainForm& form);

// A click on the header of the column (0 "Address", 1 "Hits", 2 "Modified"),
// ordering ascending from the cache's order: a refresh and a click on
// another header come first, so that the click is a new column's.
double OrderingRun(TMainForm& form, int column);

// The rows of the refreshed list that `check` picks by their addresses,
// asked in list order, checked, then "Delete Cookies" clicked, which deletes
// each checked row's entry and rebuilds the list. The checked rows'
// addresses go to `deleted`, the others' texts to `kept`.
using RowPick = std::function<bool(const std::string& address)>;
double DeleteRun(TMainForm& form, const RowPick& check, std::vector<std::string>& deleted,
                 std::vector<RowTexts>& kept);

// "Refresh" on the History page (Button8Click) into a grid emptied back to
// its start-up state, as the first listing finds it.
double HistoryRun(TMainForm& form);

// The window's rows as texts, for the floors and the checks.
std::vector<RowTexts> CookieRows(const TMainForm& form);
std::vector<RowTexts> HistoryRows(const TMainForm& form);
std::vector<QString> FullAddresses(const TMainForm& form);
