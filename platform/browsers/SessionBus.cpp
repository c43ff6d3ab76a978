#include "browsers/SessionBus.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <string_view>

extern char** environ;

namespace browsers {
namespace {

using Clock = std::chrono::steady_clock;

// Connecting, registering and the question together. The bus library waits
// without bound to register, so the question is asked by dbus-send (of
// dbus-bin, which Debian's dbus-daemon brings) in a child killed when late;
// where it is missing, whether a browser runs cannot be told by the bus.
constexpr auto kBound = std::chrono::seconds(2);
// A bus found silent is not asked again for a while, so that a listing
// waits once rather than at every store it reads.
constexpr auto kSilenceKept = std::chrono::seconds(10);

// Without an address the bus library would try the user's bus socket, then
// launch a bus of its own for the display.
bool SessionBusThere() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    return runtime && *runtime && stat((std::string(runtime) + "/bus").c_str(), &st) == 0 &&
           S_ISSOCK(st.st_mode);
}

struct Pipe {
    int fds[2] = {-1, -1};
    ~Pipe() {
        for (const int fd : fds) {
            if (fd >= 0)
                close(fd);
        }
    }
};

struct SpawnActions {
    posix_spawn_file_actions_t actions;
    SpawnActions() { posix_spawn_file_actions_init(&actions); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
};

constexpr const char* kSilent = "the session bus did not answer in 2 s";

// How dbus-send's message begins when the bus refuses it.
constexpr std::string_view kRefused = "Failed to open connection";

// dbus-send's output once it has ended well, "" when the bus refused it;
// nullopt with `why` when it could not be started, did not end in time or
// failed otherwise.
std::optional<std::string> AskDbusSend(const std::string& name, std::string& why) {
    why = "dbus-send could not be started to ask the session bus";
    Pipe out;
    if (pipe2(out.fds, O_CLOEXEC) != 0)
        return std::nullopt;
    SpawnActions spawn;
    posix_spawn_file_actions_addopen(&spawn.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&spawn.actions, out.fds[1], 1);
    posix_spawn_file_actions_adddup2(&spawn.actions, out.fds[1], 2);
    const std::string argument = "string:" + name;
    const char* const argv[] = {"dbus-send", "--session", "--print-reply=literal",
                                // Longer than the bound: a question left
                                // unanswered is ours to give up on.
                                "--reply-timeout=10000", "--dest=org.freedesktop.DBus",
                                "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                                argument.c_str(), nullptr};
    pid_t child = 0;
    if (posix_spawnp(&child, "dbus-send", &spawn.actions, nullptr, const_cast<char**>(argv),
                     environ) != 0)
        return std::nullopt;
    why = kSilent;
    close(out.fds[1]);
    out.fds[1] = -1;
    const Clock::time_point deadline = Clock::now() + kBound;
    std::string text;
    bool ended = false;
    for (char buffer[256]; !ended;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            break;
        pollfd ready{out.fds[0], POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(left.count())) < 0 && errno != EINTR)
            break;
        const ssize_t got = ready.revents ? read(out.fds[0], buffer, sizeof buffer) : -1;
        if (got > 0 && text.size() < 4096)
            text.append(buffer, got);
        ended = got == 0;
    }
    if (!ended)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!ended)
        return std::nullopt;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
        return text;
    // A bus that refuses the connection holds no name, as no bus at all; any
    // other failure tells nothing.
    if (text.starts_with(kRefused))
        return std::string();
    why = "dbus-send could not ask the session bus: " + text.substr(0, text.find('\n'));
    return std::nullopt;
}

}  // namespace

std::optional<bool> SessionBusNameOwned(const char* name, std::string& why) {
    if (!SessionBusThere())
        return false;
    static std::mutex guard;
    static Clock::time_point silentUntil;
    {
        const std::lock_guard lock(guard);
        if (Clock::now() < silentUntil) {
            why = kSilent;
            return std::nullopt;
        }
    }
    const std::optional<std::string> reply = AskDbusSend(name, why);
    if (!reply && why == kSilent) {
        const std::lock_guard lock(guard);
        silentUntil = Clock::now() + kSilenceKept;
    }
    if (!reply)
        return std::nullopt;
    return reply->find("true") != std::string::npos;
}

}  // namespace browsers
