// The floors of the browser workloads: plain SQLite on the browsers' own
// files, opened as they are (their journal modes, schemas and indices, and
// SQLite's defaults otherwise), over the skeleton of Floors.h. Each throws
// unless its texts are the window's, in whatever order the window shows its
// rows.
#pragma once

#include <string>
#include <vector>

#include "BareControls.h"
#include "BrowserProfiles.h"

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
