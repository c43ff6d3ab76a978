// Runs the built orvalla-stores with the test's environment and collects
// what it printed.
#pragma once

#include <string>
#include <vector>

struct ToolResult {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// With a `timeoutMs`, a run still going by then is killed: exitCode -1.
ToolResult RunTool(const std::vector<std::string>& args, int timeoutMs = -1);

// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);
