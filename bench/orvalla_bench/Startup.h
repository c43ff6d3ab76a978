// Whole start-ups, timed from outside: the start-up probe (the program's own
// start-up, ending once its window has painted) started as a new process on
// the offscreen platform, up to its exit.
#pragma once

#include <QString>

#include <functional>
#include <string>

#include "Measure.h"

struct StartupRun {
    double ms = 0;       // process start to exit, wall time
    double peakMiB = 0;  // the process's peak resident memory, as it reports it
};

// Runs the probe with XDG_DATA_HOME set to `dataHome`. Throws
// std::runtime_error when it cannot be started or does not end well.
StartupRun RunStartup(const QString& dataHome);

// Start-ups by `start` against a start-up with empty stores that finds no
// browser profile plus `floors`, the floors of the work the stores add to
// it; prints the line NAME and the median peak memory of both start-ups.
void MeasureStartup(const Bench& bench, const std::string& name, double target,
                    const std::function<StartupRun()>& start, const QString& emptyDataHome,
                    const Run& floors);
