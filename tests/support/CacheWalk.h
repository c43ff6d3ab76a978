// Walking the URL cache by the two-call protocol the window uses: a call that
// sizes the next entry, then one that fills a buffer of exactly that size, so
// that the sanitizer sees any write past it.
#pragma once

#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "platform/wininet.h"

class EntryBuffer {
public:
    // Every byte holds `fill` until the cache writes it, so that the bytes
    // written can be told.
    explicit EntryBuffer(DWORD size, unsigned char fill = 0) : size_(size), bytes_(new char[size]) {
        std::memset(bytes_.get(), fill, size);
    }
    LPINTERNET_CACHE_ENTRY_INFOA Record() const {
        return reinterpret_cast<LPINTERNET_CACHE_ENTRY_INFOA>(bytes_.get());
    }
    const char* Bytes() const { return bytes_.get(); }
    DWORD Size() const { return size_; }
    bool Holds(const char* text, std::size_t length) const {
        return text >= bytes_.get() && text + length < bytes_.get() + size_;
    }

private:
    DWORD size_;
    std::unique_ptr<char[]> bytes_;
};

// One call of a walk: FindFirstUrlCacheEntryA while `walk` is null, which
// then holds the handle it returned; FindNextUrlCacheEntryA after. A null
// `record` makes it the sizing call.
bool WalkCall(HANDLE& walk, LPINTERNET_CACHE_ENTRY_INFOA record, DWORD& size);

// How a whole walk went.
struct WalkOutcome {
    // The last error it ended with: ERROR_NO_MORE_ITEMS when it reached the
    // end, and with it LastErrorDetail().
    DWORD end = ERROR_SUCCESS;
    std::string detail;
    // Entries left out because their filling call was refused the size asked for.
    int refused = 0;
    bool closed = true;  // whether FindCloseUrlCache took the handle back
};

// The whole walk, as the window makes it: a filling call that fails leaves its
// entry out, and any answer to a sizing call but a size ends the walk.
// `visit` gets each entry while the walk is still open.
WalkOutcome WalkCache(const std::function<void(const EntryBuffer&)>& visit);
