// orvalla-stores: fills, shows and cleans the stores Orvalla reads, from the shell.
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"

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
    commands.push_back(ForgetCommand());
    commands.push_back(SourcesCommand());
    commands.push_back(
        {"sample", "", "writes a sample set into the URL cache and the history", WriteSamples, ""});
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
    std::fprintf(out,
                 "Reads and writes the stores in $XDG_DATA_HOME/orvalla; the list, delete and "
                 "clear\ncommands also reach the browsers' profiles, as the window does.\n\n"
                 "commands:\n");
    for (const Command& command : commands) {
        std::fprintf(out, "  %s\n      %s\n", Synopsis(command).c_str(), command.summary);
    }
    std::fprintf(out,
                 "  help COMMAND, COMMAND --help\n      shows the command's use, with an "
                 "example\n  --help\n      shows this text\n");
}

void PrintCommandHelp(const Command& command) {
    std::printf("usage: %s %s\n\n%s\n", kProgram, Synopsis(command).c_str(), command.summary);
    if (command.example) {
        std::printf("\nexample:\n  %s %s%s%s\n", kProgram, command.name,
                    *command.example ? " " : "", command.example);
    }
}

// Whether the arguments ask for the command's help, before any "--".
bool AsksHelp(const Arguments& args) {
    for (const std::string& arg : args) {
        if (arg == "--")
            return false;
        if (arg == "--help" || arg == "-h")
            return true;
    }
    return false;
}

std::string running;  // the command under way, which names its notes

// Error lines, after the command's name, with their control characters
// escaped as the listings' are: a message may quote what a store or a
// profile's name holds. The platform's failures come escaped already, each
// on a line of its own, and so do the addresses a command names.
void PrintError(const std::vector<std::string>& lines, const std::string& command = {}) {
    const std::string prefix =
        std::string(kProgram) + ": " + (command.empty() ? "" : command + ": ");
    for (const std::string& line : lines)
        std::fprintf(stderr, "%s%s\n", prefix.c_str(), Escaped(line, false).c_str());
}

}  // namespace

void PrintNote(const std::string& line) {
    PrintError({line}, running);
}

std::vector<std::string> MessageLines(std::string_view message) {
    std::vector<std::string> lines;
    for (;;) {
        const std::size_t end = message.find('\n');
        lines.emplace_back(message.substr(0, end));
        if (end == std::string_view::npos || end + 1 == message.size())
            return lines;
        message.remove_prefix(end + 1);
    }
}

int main(int argc, char** argv) {
    const Arguments args(argv + 1, argv + argc);
    const std::vector<Command> commands = AllCommands();
    if (args.empty()) {
        PrintError({"no command given (try --help)"});
        return 2;
    }
    if (args[0] == "--help" || args[0] == "-h" || args == Arguments{"help"}) {
        PrintHelp(stdout, commands);
        return 0;
    }
    const bool helpCommand = args[0] == "help";
    if (helpCommand && args.size() > 2) {
        PrintError({"help needs one command (usage: " + std::string(kProgram) + " help COMMAND)"});
        return 2;
    }
    const std::string& name = helpCommand ? args[1] : args[0];
    for (const Command& command : commands) {
        if (name != command.name)
            continue;
        if (helpCommand || AsksHelp(args)) {
            PrintCommandHelp(command);
            return 0;
        }
        running = command.name;
        try {
            return command.run(Arguments(args.begin() + 1, args.end()));
        } catch (const UsageError& error) {
            PrintError({error.message + " (usage: " + kProgram + " " + Synopsis(command) + ")"},
                       command.name);
            return 2;
        } catch (const Failures& failures) {
            PrintError(failures.lines, command.name);
            return 1;
        } catch (const std::exception& error) {
            PrintError(MessageLines(error.what()), command.name);
            return 1;
        }
    }
    PrintError({"unknown command '" + name + "' (try --help)"});
    return 2;
}
