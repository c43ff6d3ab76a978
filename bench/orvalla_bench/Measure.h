// Timing, medians and the one-line report of a workload.
#pragma once

#include <chrono>
#include <initializer_list>
#include <string>
#include <vector>

class Stopwatch {
public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double ElapsedMs() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
            .count();
    }

private:
    std::chrono::steady_clock::time_point start_;
};

double Median(std::vector<double> values);

// Posted events (deferred layout, repaints) are part of what a step costs:
// both the program's path and its floor are timed up to an idle event queue.
void SettleEvents();

// The times of one workload's runs, the program's path and its floor side
// by side.
struct Samples {
    std::vector<double> program;
    std::vector<double> floor;
};

// "NAME: program X ms, floor Y ms, ratio Z" from the medians, followed by
// the target ratio and whether it was met, or by "(reference)" for a line
// without a target.
std::string FiguresLine(const std::string& name, const Samples& samples, double target = 0);

// A line of figures on standard output, at once.
void Print(const std::string& line);
// What the benchmark is doing, on standard error.
void Progress(const std::string& what);
// Stops the benchmark with `what` unless `condition` holds.
void Require(bool condition, const std::string& what);

// The workloads asked for on the command line: none named means all, and
// "browser" names every browser-* one.
class Selection {
public:
    Selection(int argc, char* argv[]);
    bool Has(const std::string& name) const;
    bool HasAny(std::initializer_list<const char*> names) const;

private:
    std::vector<std::string> names_;
};
