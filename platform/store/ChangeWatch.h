// Whether a store may have changed since a moment, learnt without a read
// transaction or a system call.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace store {

// Watches the header of the store's WAL index (the "-shm" file beside it),
// which SQLite rewrites with every commit, by any connection in any process,
// and with every restart of the log; the layout of that header is part of
// SQLite's documented WAL-index format. Asking SQLite instead (PRAGMA
// data_version) costs a read transaction, as much as reading a row again,
// which made walking a large store entry by entry slow.
//
// A mark taken before a read stays current until anything commits after it,
// so reading again whenever the mark is no longer current never misses a
// change. When the index cannot be watched (no such file, one too short to
// hold the header), no mark is ever current.
class ChangeWatch {
public:
    // The first copy of the index header, the one SQLite writes last: a
    // commit counts for readers once it is there.
    static constexpr std::size_t kHeaderWords = 12;
    using Mark = std::array<std::uint32_t, kHeaderWords>;

    // `storePath` is the database file; its index is storePath + "-shm",
    // which SQLite made when the store was opened in WAL mode.
    explicit ChangeWatch(const std::string& storePath);
    ~ChangeWatch();
    ChangeWatch(const ChangeWatch&) = delete;
    ChangeWatch& operator=(const ChangeWatch&) = delete;

    Mark Now() const;
    bool Current(const Mark& mark) const;
    // False when the index could not be watched: no mark is ever current.
    bool Watching() const { return mapping_ != nullptr; }

private:
    void* mapping_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace store
