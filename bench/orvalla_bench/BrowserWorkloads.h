// The workloads on the browsers' profiles: the window, with Orvalla's own
// stores empty, listing and deleting the rows of a large Firefox and a large
// Chromium profile, against the floors of BrowserFloors.h.
#pragma once

#include <QString>

#include "BrowserProfiles.h"
#include "Measure.h"

class TMainForm;

// The floors a start-up with the profiles is measured against.
struct BrowserFloorTimes {
    double walk = 0;
    double history = 0;
};

// Runs the selected browser-* workloads but the start-up in the window,
// whose data home must be empty, and prints their lines. Each deletion run
// starts from the cookie files as filled, kept aside in `keptDir`.
BrowserFloorTimes MeasureBrowsers(TMainForm& form, const BrowserProfiles& profiles,
                                  const QString& keptDir, int runs, const Selection& only);

// Start-ups that find the profiles, against the walk's and the history's
// floors plus a start-up that finds neither profiles nor stores.
void MeasureBrowserStartup(const BrowserProfiles& profiles, const QString& emptyDataHome, int runs,
                           const BrowserFloorTimes& floors);
