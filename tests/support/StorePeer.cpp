#include "StorePeer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <deque>
#include <sstream>
#include <stdexcept>

#include "platform/sysutils.h"
#include "platform/wininet.h"

extern char** environ;

namespace {

constexpr const char* kPeerVariable = "ORVALLA_STORE_PEER";
constexpr const char* kPeerTest = "StorePeer.DISABLED_Serve";
// The peer's end of the channel, a socket for commands, reports and the
// request to stop (the other end shutting down its writing side).
constexpr int kPeerChannel = 3;

void WriteAll(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t wrote = send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (wrote <= 0)
            return;
        done += static_cast<std::size_t>(wrote);
    }
}

std::string ReadLineFrom(int fd, std::string& buffered) {
    for (;;) {
        if (const std::size_t end = buffered.find('\n'); end != std::string::npos) {
            std::string line = buffered.substr(0, end);
            buffered.erase(0, end + 1);
            return line;
        }
        char chunk[256];
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got <= 0) {
            std::string rest;
            rest.swap(buffered);
            return rest;
        }
        buffered.append(chunk, static_cast<std::size_t>(got));
    }
}

std::string ProgramPath() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        throw std::runtime_error("cannot find this program");
    return std::string(path, static_cast<std::size_t>(length));
}

// --- The peer's side ---------------------------------------------------------

void Report(const std::string& line) {
    WriteAll(kPeerChannel, line + "\n");
}

// True once the test has asked the peer to stop; never waits.
bool StopRequested() {
    pollfd channel{kPeerChannel, POLLIN, 0};
    if (poll(&channel, 1, 0) <= 0)
        return false;
    char byte;
    return recv(kPeerChannel, &byte, 1, MSG_DONTWAIT) <= 0;
}

void WaitForStop() {
    char byte;
    while (read(kPeerChannel, &byte, 1) > 0) {
    }
}

std::string Failure(const std::string& call, const std::string& url) {
    return "failed " + call + " " + url + ": " + std::to_string(GetLastError()) + " " +
           LastErrorDetail();
}

void HoldLock(const std::string& path, const std::string& kind) {
    sqlite3* db = nullptr;
    const std::string sql = kind == "exclusive" ? "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; "
                                                  "PRAGMA user_version=0;"
                                                : "BEGIN IMMEDIATE;";
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        Report("failed lock: " + std::string(sqlite3_errmsg(db)));
        sqlite3_close(db);
        return;
    }
    Report("ready");
    WaitForStop();
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    Report("done");
}

// Runs `sql` (which leaves a transaction open) and dies without ending it, as
// a writer that crashes does.
void Crash(const std::string& path, const std::string& sql) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        return Report("failed crash: " + std::string(sqlite3_errmsg(db)));
    }
    Report("ready");
    std::_Exit(0);
}

void Churn(const std::string& prefix, long maxRounds) {
    constexpr std::size_t kLiveEntries = 40;
    std::deque<std::string> live;
    long next = 0;
    long rounds = 0;
    for (; rounds < maxRounds && !(rounds > 0 && StopRequested()); ++rounds) {
        CACHE_ENTRY_VALUES values;
        values.CacheEntryType = COOKIE_CACHE_ENTRY;
        values.LastModifiedTime = QuadToFileTime(static_cast<std::uint64_t>(rounds));
        for (int i = 0; i < 4; ++i) {
            live.push_back(prefix + std::to_string(next++) + "/");
            if (!CommitUrlCacheEntryValues(live.back().c_str(), &values))
                return Report(Failure("commit", live.back()));
        }
        // A replaced entry keeps its place; it must not come twice.
        const std::string& middle = live[live.size() / 2];
        values.CacheEntryType |= NORMAL_CACHE_ENTRY;
        if (!CommitUrlCacheEntryValues(middle.c_str(), &values))
            return Report(Failure("replace", middle));
        if (!SetUrlCacheEntryHitRate(middle.c_str(), static_cast<DWORD>(rounds)))
            return Report(Failure("hit rate", middle));
        while (live.size() > kLiveEntries) {
            if (!DeleteUrlCacheEntry(live.front().c_str()))
                return Report(Failure("delete", live.front()));
            live.pop_front();
        }
        if (rounds == 0)
            Report("ready");
    }
    Report("done " + std::to_string(rounds));
}

}  // namespace

// Runs only when a test starts this program as its peer.
TEST(StorePeer, DISABLED_Serve) {
    if (!std::getenv(kPeerVariable))
        GTEST_SKIP() << "runs only as the peer of another test";
    std::string buffered;
    std::vector<std::string> command;
    std::istringstream line(ReadLineFrom(kPeerChannel, buffered));
    for (std::string word; std::getline(line, word, '\t');)
        command.push_back(word);
    if (command.size() == 3 && command[0] == "lock") {
        HoldLock(command[1], command[2]);
    } else if (command.size() == 3 && command[0] == "crash") {
        Crash(command[1], command[2]);
    } else if (command.size() == 3 && command[0] == "churn") {
        Churn(command[1], std::strtol(command[2].c_str(), nullptr, 10));
    } else {
        Report("failed: unknown command");
    }
}

// --- The test's side ---------------------------------------------------------

StorePeer::StorePeer(const std::vector<std::string>& command) {
    int channel[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channel) != 0)
        throw std::runtime_error("socketpair failed");
    // Above the peer's channel number, so that dup2 always makes a new
    // descriptor (one that survives the exec).
    const int peerEnd = fcntl(channel[1], F_DUPFD_CLOEXEC, kPeerChannel + 1);
    close(channel[1]);
    control_ = channel[0];

    const std::string program = ProgramPath();
    const std::string filter = std::string("--gtest_filter=") + kPeerTest;
    std::vector<char*> argv = {const_cast<char*>(program.c_str()),
                               const_cast<char*>(filter.c_str()),
                               const_cast<char*>("--gtest_also_run_disabled_tests"), nullptr};
    std::string marker = std::string(kPeerVariable) + "=1";
    std::vector<char*> env;
    for (char** variable = environ; *variable; ++variable)
        env.push_back(*variable);
    env.push_back(marker.data());
    env.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, peerEnd, kPeerChannel);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned =
        posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    close(peerEnd);
    if (spawned != 0) {
        pid_ = -1;
        firstReport_ = "cannot start the peer";
        return;
    }
    std::string line;
    for (std::size_t i = 0; i < command.size(); ++i)
        line += (i ? "\t" : "") + command[i];
    WriteAll(control_, line + "\n");
    firstReport_ = ReadLine();
    ready_ = firstReport_ == "ready";
}

StorePeer::~StorePeer() {
    if (pid_ > 0)
        Stop();
    if (control_ >= 0)
        close(control_);
}

std::string StorePeer::ReadLine() {
    return ReadLineFrom(control_, buffered_);
}

std::string StorePeer::Stop() {
    if (pid_ <= 0)
        return {};
    shutdown(control_, SHUT_WR);
    std::string last = ready_ ? "" : firstReport_;
    for (std::string line = ReadLine(); !line.empty(); line = ReadLine())
        last = line;
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    exitedCleanly_ = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return last;
}
