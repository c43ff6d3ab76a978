#include "Startup.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "Measure.h"

extern char** environ;

namespace {

// This process's environment with the given variables set.
std::vector<std::string> ChildEnvironment(const std::vector<std::string>& settings) {
    std::vector<std::string> environment;
    for (char** variable = environ; *variable; ++variable) {
        const std::string entry = *variable;
        const std::string name = entry.substr(0, entry.find('=') + 1);
        bool overridden = false;
        for (const std::string& setting : settings)
            overridden = overridden || setting.compare(0, name.size(), name) == 0;
        if (!overridden)
            environment.push_back(entry);
    }
    environment.insert(environment.end(), settings.begin(), settings.end());
    return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// The probe's own report of its peak resident memory.
double PeakMiBReported(const std::string& reportFile) {
    std::ifstream report(reportFile);
    std::string label;
    double kib = 0;
    while (report >> label) {
        if (label == "VmHWM:" && report >> kib)
            return kib / 1024;
    }
    throw std::runtime_error("the probe did not report its peak memory");
}

// The child's standard output sent to a file, for as long as this lives.
class StdoutTo {
public:
    explicit StdoutTo(const std::string& file) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, file.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    ~StdoutTo() { posix_spawn_file_actions_destroy(&actions_); }
    StdoutTo(const StdoutTo&) = delete;
    StdoutTo& operator=(const StdoutTo&) = delete;
    const posix_spawn_file_actions_t* Actions() const { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

}  // namespace

StartupRun RunStartup(const std::string& dataHome, const std::string& reportFile) {
    std::vector<std::string> arguments = {ORVALLA_STARTUP_PROBE};
    std::vector<std::string> environment =
        ChildEnvironment({"XDG_DATA_HOME=" + dataHome, "QT_QPA_PLATFORM=offscreen"});
    const std::vector<char*> argv = Pointers(arguments);
    const std::vector<char*> envp = Pointers(environment);
    const StdoutTo report(reportFile);

    const Stopwatch watch;
    pid_t child = 0;
    if (const int error =
            posix_spawn(&child, argv[0], report.Actions(), nullptr, argv.data(), envp.data()))
        throw std::runtime_error(std::string("cannot start the probe: ") + std::strerror(error));
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        throw std::runtime_error("lost the probe process");
    StartupRun run;
    run.ms = watch.ElapsedMs();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("the probe did not end well (status " + std::to_string(status) +
                                 ")");
    run.peakMiB = PeakMiBReported(reportFile);
    return run;
}
