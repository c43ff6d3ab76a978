// orvalla-stores: fills and shows the stores Orvalla reads, from the shell.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "commands.h"

namespace {

constexpr const char* kProgram = "orvalla-stores";

int WriteSamples(const Arguments& args) {
    if (!args.empty())
        throw UsageError{"unexpected argument '" + args[0] + "'"};
    WriteSampleCache();
    WriteSampleHistory();
    return 0;
}

std::vector<Command> AllCommands() {
    std::vector<Command> commands = CacheCommands();
    for (const Command& command : HistoryCommands())
        commands.push_back(command);
    commands.push_back(
        {"sample", "", "writes a sample set into the URL cache and the history", WriteSamples});
    return commands;
}

// "NAME USAGE", without a trailing blank for commands that take nothing.
std::string Synopsis(const Command& command) {
    std::string synopsis = command.name;
    if (*command.usage)
        synopsis += std::string(" ") + command.usage;
    return synopsis;
}

void PrintHelp(std::FILE* out, const std::vector<Command>& commands) {
    std::fprintf(out, "usage: %s COMMAND [ARGUMENTS]\n\n", kProgram);
    std::fprintf(out, "Reads and writes the stores in $XDG_DATA_HOME/orvalla.\n\ncommands:\n");
    for (const Command& command : commands) {
        std::fprintf(out, "  %s\n      %s\n", Synopsis(command).c_str(), command.summary);
    }
    std::fprintf(out, "  --help\n      shows this text\n");
}

// Messages go out on one line, whatever they hold.
void PrintError(const std::string& message) {
    std::string line = message;
    for (char& c : line) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    std::fprintf(stderr, "%s: %s\n", kProgram, line.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const Arguments args(argv + 1, argv + argc);
    const std::vector<Command> commands = AllCommands();
    if (args.empty()) {
        PrintError("no command given (try --help)");
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h") {
        PrintHelp(stdout, commands);
        return 0;
    }
    for (const Command& command : commands) {
        if (args[0] != command.name)
            continue;
        try {
            return command.run(Arguments(args.begin() + 1, args.end()));
        } catch (const UsageError& error) {
            PrintError(std::string(command.name) + ": " + error.message + " (usage: " + kProgram +
                       " " + Synopsis(command) + ")");
            return 2;
        } catch (const std::exception& error) {
            PrintError(std::string(command.name) + ": " + error.what());
            return 1;
        }
    }
    PrintError("unknown command '" + args[0] + "' (try --help)");
    return 2;
}
