// The program's own paths, run on the real window. Each puts the window back
// into the same state first, which is not timed, returns the time of its
// step, and checks what the window then shows.
#pragma once

#include <string>
#include <vector>

#include "Measure.h"

class TMainForm;

// The cookie walk on the Cookies page: the list emptied, then "Refresh"
// clicked from code, which is LoadCookies into the empty list followed by
// SelectFirstItem; `rows` rows listed.
double WalkRun(TMainForm& form, int rows);

// A click on the header of the column (0 "Address", 1 "Hits", 2 "Modified"),
// ordering ascending from the cache's order, whose rows go to `cacheOrder`: a
// refresh and a click on another header come first, so that the click is a
// new column's.
double OrderingRun(TMainForm& form, int column, std::vector<RowTexts>& cacheOrder);

// Every `every`-th row of the refreshed list whose address begins with
// `prefix`, in list order, checked, then "Delete Cookies" clicked, which
// deletes each checked row's entry and rebuilds the list without them. The
// checked rows' addresses, `count` of them, go to `deleted`.
double DeleteRun(TMainForm& form, const std::string& prefix, int every, std::size_t count,
                 std::vector<std::string>& deleted);

// "Refresh" on the History page (Button8Click) into a grid emptied back to
// its start-up state, as the first listing finds it; `pages` listed.
double HistoryRun(TMainForm& form, int pages);

// A refresh, then "Check All" clicked from code: its first click on rows
// that were just listed.
double CheckAllRun(TMainForm& form);

// The Cookies page refreshed and painted, then the History page listed and
// painted, both emptied first: 3 cookies and 1 page.
double LongTextsRun(TMainForm& form);

// The window's rows as texts, for the floors and the checks.
std::vector<RowTexts> CookieRows(const TMainForm& form);
std::vector<RowTexts> HistoryRows(const TMainForm& form);
