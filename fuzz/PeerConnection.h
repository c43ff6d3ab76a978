// Another connection to the same store, as another process would hold it:
// each thread has its own connection, so the calls run on a thread of their
// own, one at a time, while the caller waits.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/windef.h"

class PeerConnection {
public:
    PeerConnection() : thread_([this] { Serve(); }) {}
    ~PeerConnection() {
        {
            const std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    PeerConnection(const PeerConnection&) = delete;
    PeerConnection& operator=(const PeerConnection&) = delete;

    // Runs `call` on the peer's thread; gives its result and the last error
    // it left there.
    BOOL Run(const std::function<BOOL()>& call, DWORD& lastError) {
        std::unique_lock lock(mutex_);
        call_ = &call;
        changed_.notify_all();
        changed_.wait(lock, [this] { return call_ == nullptr; });
        lastError = lastError_;
        return result_;
    }

private:
    void Serve() {
        std::unique_lock lock(mutex_);
        while (true) {
            changed_.wait(lock, [this] { return stopping_ || call_ != nullptr; });
            if (stopping_)
                return;
            result_ = (*call_)();
            lastError_ = GetLastError();
            call_ = nullptr;
            changed_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    const std::function<BOOL()>* call_ = nullptr;
    BOOL result_ = FALSE;
    DWORD lastError_ = 0;
    bool stopping_ = false;
    std::thread thread_;  // last: starts once the rest is set up
};
