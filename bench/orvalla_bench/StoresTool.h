// The built orvalla-stores, run as the user runs it: a process of its own
// with the benchmark's environment, timed from its start to its exit, so
// that its whole work is counted (start-up, finding the profiles, reading,
// choosing and deleting).
#pragma once

#include <string>
#include <vector>

// What one run of the tool printed.
struct ToolOutput {
    std::string out;
    std::string err;
};

// Runs the tool with `args` and gives the time of the run in milliseconds.
// Stops the benchmark unless the tool ends with status 0.
double RunStoresTool(const std::vector<std::string>& args, ToolOutput& output);

// Whether the tool knows the command (its "help COMMAND" succeeds): a
// workload over a command still to come is left out until it does.
bool StoresToolHas(const std::string& command);
