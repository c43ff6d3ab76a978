// Whole start-ups, timed from outside: the start-up probe (the program's own
// start-up, ending once its window has painted) started as a new process on
// the offscreen platform, up to its exit.
#pragma once

#include <QString>

#include <functional>
#include <string>

struct StartupRun {
    double ms = 0;       // process start to exit, wall time
    double peakMiB = 0;  // the process's peak resident memory, as it reports it
};

// Runs the probe with XDG_DATA_HOME set to `dataHome`. Throws
// std::runtime_error when it cannot be started or does not end well.
StartupRun RunStartup(const QString& dataHome);

// Start-ups by `start`, against `floors` plus a start-up with empty stores
// that finds no browser profile; prints the figures line NAME and the peak
// memory of the start-ups by `start`.
void MeasureStartupAgainst(const std::string& name, const std::function<StartupRun()>& start,
                           double floors, const QString& emptyDataHome, int runs, double target);
