#include "CacheWalk.h"

#include "platform/sysutils.h"

bool WalkCall(HANDLE& walk, LPINTERNET_CACHE_ENTRY_INFOA record, DWORD& size) {
    if (walk)
        return FindNextUrlCacheEntryA(walk, record, &size);
    walk = FindFirstUrlCacheEntryA(nullptr, record, &size);
    return walk != nullptr;
}

WalkOutcome WalkCache(const std::function<void(const EntryBuffer&)>& visit) {
    WalkOutcome outcome;
    HANDLE walk = nullptr;
    for (;;) {
        DWORD size = 0;
        // A sizing call that succeeds has filled nothing: it ends the walk
        // with no error, which no caller takes for the end of the cache.
        outcome.end = WalkCall(walk, nullptr, size) ? ERROR_SUCCESS : GetLastError();
        if (outcome.end != ERROR_INSUFFICIENT_BUFFER)
            break;
        const bool first = !walk;
        EntryBuffer entry(size);
        if (WalkCall(walk, entry.Record(), size)) {
            visit(entry);
        } else if (first) {
            outcome.end = GetLastError();
            break;
        } else {
            ++outcome.refused;
        }
    }
    // Read before the handle goes back, as closing may set its own.
    outcome.detail = LastErrorDetail();
    if (walk)
        outcome.closed = FindCloseUrlCache(walk);
    return outcome;
}
