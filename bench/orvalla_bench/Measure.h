// Timing of steps and of whole start-ups, and the one loop that runs every
// workload: the program's path and its floors in turn, then a line of
// figures per floor.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Times `step` up to an idle event queue, from one: posted events (deferred
// layout, repaints) are part of what a step costs, for the program's path
// and its floor alike.
double Timed(const std::function<void()>& step);

double Median(std::vector<double> values);

// A line of figures on standard output, at once.
void Print(const std::string& line);
// What the benchmark is doing, on standard error.
void Progress(const std::string& what);
// Stops the benchmark with `what` unless `condition` holds.
void Require(bool condition, const std::string& what);

// The texts of one row, column by column.
using RowTexts = QStringList;

// What the window shows after a run of the program's path: the rows of its
// list or grid as texts, and that control's size; a floor shows the same.
struct Shown {
    std::vector<RowTexts> rows;
    QSize size;
};

// One run of the program's path, or of a floor of it, in milliseconds; what
// puts things back into the same state first is not timed.
using Run = std::function<double()>;
using FloorRun = std::function<double(const Shown& shown)>;

// A floor of a workload, named for its line, with the most the ratio may
// be; 0 for a line without a target, printed "(reference)", for reading.
struct Floor {
    std::string name;
    double target;
    FloorRun run;
};

// The number of runs and the workloads asked for on the command line,
// orvalla_bench [RUNS [NAME...]]: none named means all, and "browser" names
// every browser-* one.
class Bench {
public:
    Bench(int runs, int argc, char* argv[]);
    bool Has(std::initializer_list<std::string_view> names) const;
    int Runs() const { return runs_; }

    // The program's path, then each floor given what the window shows by
    // then (`shown`, if any), as many times as asked, in turn, each after
    // `reset`, not timed; then each floor's line from the medians:
    //     NAME: program X ms, floor Y ms, ratio Z, target at most T: met
    // Nothing unless one of the floors' names is selected.
    void Measure(
        const Run& program, const std::function<Shown()>& shown, const std::vector<Floor>& floors,
        const std::function<void()>& reset = [] {}) const;

private:
    int runs_;
    std::vector<std::string> names_;
};

// Whole start-ups, timed from outside: the start-up probe (the program's own
// start-up, ending once its window has painted) started as a new process on
// the offscreen platform, with XDG_DATA_HOME set to `dataHome`, up to its
// exit. Gives that time, and adds the probe's peak resident memory, as it
// reports it, to `peakMiB`. Throws std::runtime_error when it cannot be
// started or does not end well.
double RunStartup(const QString& dataHome, std::vector<double>& peakMiB);

// Start-ups by `start` against a start-up with empty stores that finds no
// browser profile plus `floors`, the floors of the work the stores add to
// it; prints the line NAME and the median peak memory of both start-ups.
void MeasureStartup(const Bench& bench, const std::string& name, double target,
                    const std::function<double(std::vector<double>& peakMiB)>& start,
                    const QString& emptyDataHome, const Run& floors);
