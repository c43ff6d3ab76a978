// Another process working on the stores while a test runs.
//
// The peer is this test program started afresh (fork and exec of
// /proc/self/exe) running only the test StorePeer.DISABLED_Serve, not a bare
// fork(): a forked child would inherit this process's SQLite state, whose
// locks are POSIX record locks that the child does not own, and SQLite
// forbids carrying it across fork. It sees the same environment, so the
// same data directory.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

class StorePeer {
public:
    // Starts the peer on `command` and waits until it reports that it is
    // under way; Ready() says whether it did. Commands:
    //   {"lock", PATH, "exclusive"}  holds a lock that keeps out readers too;
    //   {"lock", PATH, "write"}      holds the write lock (readers go on);
    //   {"crash", PATH, SQL}         runs SQL, which leaves a transaction
    //       open, and ends at once without closing the store;
    //   {"churn", PREFIX, ROUNDS}    adds, replaces and deletes URL cache
    //       entries whose addresses begin with PREFIX through the producer
    //       calls, round after round, until stopped or ROUNDS are done; it
    //       never gives an address again once it has deleted it.
    explicit StorePeer(const std::vector<std::string>& command);
    ~StorePeer();
    StorePeer(const StorePeer&) = delete;
    StorePeer& operator=(const StorePeer&) = delete;

    bool Ready() const { return ready_; }
    // The first report: "ready", or why the peer could not start.
    const std::string& FirstReport() const { return firstReport_; }

    // Tells the peer to stop, waits for it to end and returns its last
    // report ("done ..." when all went well).
    std::string Stop();
    // Whether the peer ended with exit status 0 (after Stop).
    bool ExitedCleanly() const { return exitedCleanly_; }

private:
    std::string ReadLine();

    pid_t pid_ = -1;
    int control_ = -1;  // our end of the peer's command and stop pipe
    int reports_ = -1;  // our end of the peer's report pipe
    bool ready_ = false;
    bool exitedCleanly_ = false;
    std::string firstReport_;
    std::string buffered_;
};
