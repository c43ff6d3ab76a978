// One cache entry record in a buffer of exactly the size the cache asked
// for, freed when the buffer goes out of scope.
#pragma once

#include <cstddef>
#include <memory>

#include "platform/wininet.h"

class TCacheEntryBuffer {
public:
    explicit TCacheEntryBuffer(DWORD size)
        : size_(size),
          bytes_(size ? new std::max_align_t[(size + sizeof(std::max_align_t) - 1) /
                                             sizeof(std::max_align_t)]
                      : nullptr) {}

    LPINTERNET_CACHE_ENTRY_INFOA Info() const {
        return reinterpret_cast<LPINTERNET_CACHE_ENTRY_INFOA>(bytes_.get());
    }
    DWORD Size() const { return size_; }

private:
    DWORD size_;
    std::unique_ptr<std::max_align_t[]> bytes_;  // aligned for the record at its start
};

// Ends a walk of the cache when it goes out of scope.
class TCacheWalk {
public:
    TCacheWalk() = default;
    ~TCacheWalk() {
        if (handle_)
            FindCloseUrlCache(handle_);
    }
    TCacheWalk(const TCacheWalk&) = delete;
    TCacheWalk& operator=(const TCacheWalk&) = delete;

    HANDLE Handle() const { return handle_; }
    void Reset(HANDLE handle) { handle_ = handle; }

private:
    HANDLE handle_ = nullptr;
};
