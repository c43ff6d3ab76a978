// The window at scale: a list of 100,000 cookies checked at once, and cells
// whose texts are megabytes long.
#pragma once

#include <QSize>

#include <cstddef>
#include <vector>

#include "BareControls.h"

class TMainForm;

// A refresh, then "Check All" clicked from code: its first click on rows
// that were just listed.
double CheckAllRun(TMainForm& form);

// The same rows in a bare list, every check box set; the list is filled and
// each row's place found by Qt before the clock starts, as a second click
// would find them.
double CheckAllFloor(const std::vector<RowTexts>& rows, QSize listSize);

// Three cookies whose addresses, and one http page whose address and title,
// are `bytes` long, in the stores of the current data home.
void SeedLongTexts(std::size_t bytes);

// The Cookies page refreshed and painted, then the History page listed and
// painted.
double LongTextsRun(TMainForm& form);
