// The state of one walk of the URL cache as the walk fuzzer sees it, and the
// checks of each answer of the cache against the entry the walk must meet.
#pragma once

#include <cstdint>
#include <set>
#include <string>

#include "CacheModel.h"
#include "RecordCheck.h"
#include "platform/wininet.h"

struct Walk {
    HANDLE handle = nullptr;
    std::uint64_t lastOrder = 0;
    std::set<std::uint64_t> yielded;
    // Whether the walk's query stands within the store as the connection
    // read it last (see WalkFuzzer::View), rather than starting afresh.
    bool running = false;
    // The size the last sizing call reported, while the walk still stands on
    // the entry it sized.
    DWORD sized = 0;
    bool sizedFresh = false;
};

inline void RequireError(DWORD expected, const char* call) {
    const DWORD code = GetLastError();
    Require(code == expected, "%s: last error %lu, expected %lu", call,
            static_cast<unsigned long>(code), static_cast<unsigned long>(expected));
}

// A call that yielded no entry: the walk is over when `next` is none, else the
// buffer (missing or of `given` bytes) is smaller than the size it reported,
// which `next` takes.
inline void CheckRefusal(const ModelEntry* next, Walk& walk, const char* call, bool withBuffer,
                         DWORD given, DWORD size, bool mustFit) {
    const DWORD code = GetLastError();
    if (!next) {
        Require(code == ERROR_NO_MORE_ITEMS, "%s: last error %lu at the end", call,
                static_cast<unsigned long>(code));
        return;
    }
    Require(code == ERROR_INSUFFICIENT_BUFFER, "%s: last error %lu before '%s'", call,
            static_cast<unsigned long>(code), next->url.c_str());
    Require(!mustFit, "%s refused the size it reported, %lu", call,
            static_cast<unsigned long>(walk.sized));
    Require(!withBuffer || given < size, "%s refused %lu bytes, wants %lu", call,
            static_cast<unsigned long>(given), static_cast<unsigned long>(size));
    Require(size >= next->LeastRecordSize(), "%s wants only %lu for '%s'", call,
            static_cast<unsigned long>(size), next->url.c_str());
    walk.sized = size;
    walk.sizedFresh = true;
}

// A call that filled `buffer`: it must hold `next`, which the walk has not
// yielded before.
inline void CheckYield(const ModelEntry* next, Walk& walk, const char* call, const char* buffer,
                       DWORD given, DWORD size) {
    Require(next != nullptr, "%s yielded an entry after the end", call);
    const std::string problem = RecordProblem(buffer, given, size, *next);
    Require(problem.empty(), "%s yielded a record that is not '%s': %s", call, next->url.c_str(),
            problem.c_str());
    Require(walk.yielded.insert(next->order).second, "'%s' yielded twice in one walk",
            next->url.c_str());
    walk.lastOrder = next->order;
    walk.sizedFresh = false;
}
