// The commands of orvalla-stores. Each store contributes its own.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/escapes.h"

using Arguments = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;    // one line: arguments and options
    const char* summary;  // one line: what it does
    // Returns the exit code; throws UsageError for bad arguments,
    // std::runtime_error for a store that fails, and Failures for those it
    // went on past.
    int (*run)(const Arguments& args);
    const char* example = nullptr;  // the arguments of one use
};

struct UsageError {
    std::string message;
};

// What a command could not do while it went on with the rest: each an error
// line of its own, whatever it holds.
struct Failures {
    std::vector<std::string> lines;

    // Each walk of a command tells again a source that cannot be read.
    void AddOnce(std::string line) {
        if (std::find(lines.begin(), lines.end(), line) == lines.end())
            lines.push_back(std::move(line));
    }
};

// A line on standard error about what the running command does.
void PrintNote(const std::string& line);

// The lines of a platform message, which holds one for each source that failed.
std::vector<std::string> MessageLines(std::string_view message);

std::vector<Command> CacheCommands();    // add-cache, list-cache, delete-cache
std::vector<Command> HistoryCommands();  // add-history, list-history, delete-history, clear-history
Command SourcesCommand();
Command ForgetCommand();  // a site's cookies and pages at once

// The sample set of each store, written by `orvalla-stores sample`.
void WriteSampleCache();
void WriteSampleHistory();
