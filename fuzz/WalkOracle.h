// The state of one walk of the URL cache as the walk fuzzer sees it, and the
// checks of each answer of the cache against the model.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "CacheModel.h"
#include "FuzzSupport.h"
#include "RecordCheck.h"
#include "platform/wininet.h"

struct Walk {
    HANDLE handle = nullptr;
    DWORD mask = 0;
    std::uint64_t lastOrder = 0;
    std::set<std::uint64_t> yielded;
    // The size the last sizing call reported, while nothing changed since.
    DWORD sized = 0;
    bool sizedFresh = false;
    // The entries (nullopt: none) that sizing calls found since the last
    // entry was yielded, as they were then, while this thread changed
    // nothing; `changedElsewhere` once another connection changed the store.
    std::vector<std::optional<ModelEntry>> sizedEntries;
    bool changedElsewhere = false;
};

inline void RequireError(DWORD expected, const char* call) {
    const DWORD code = GetLastError();
    FUZZ_REQUIRE(code == expected, "%s: last error %lu, expected %lu", call,
                 static_cast<unsigned long>(code), static_cast<unsigned long>(expected));
}

// The entries a call on a walk may meet: the one the model holds next, and,
// after another connection's change, those the walk's sizing calls found.
inline std::vector<std::optional<ModelEntry>> Candidates(const Walk& walk, const ModelEntry* next) {
    std::vector<std::optional<ModelEntry>> candidates;
    candidates.emplace_back(next ? std::optional<ModelEntry>(*next) : std::nullopt);
    if (walk.changedElsewhere)
        candidates.insert(candidates.end(), walk.sizedEntries.begin(), walk.sizedEntries.end());
    return candidates;
}

// A call that yielded no entry: the walk is over, or the buffer (missing
// or of `given` bytes) is too small for an entry the walk may meet, whose
// size the call reported. Remembers what was sized.
inline void CheckRefusal(const CacheModel& model, Walk& walk, const char* call, bool withBuffer,
                         DWORD given, DWORD size, bool mustFit) {
    const ModelEntry* const next = model.NextAfter(walk.lastOrder, walk.mask);
    const auto candidates = Candidates(walk, next);
    const DWORD code = GetLastError();
    if (code == ERROR_NO_MORE_ITEMS) {
        FUZZ_REQUIRE(
            std::find(candidates.begin(), candidates.end(), std::nullopt) != candidates.end(),
            "%s: the walk ended before '%s'", call, Printable(next->url).c_str());
    } else {
        FUZZ_REQUIRE(code == ERROR_INSUFFICIENT_BUFFER, "%s: last error %lu", call,
                     static_cast<unsigned long>(code));
        FUZZ_REQUIRE(!mustFit, "%s refused the size it reported, %lu", call,
                     static_cast<unsigned long>(walk.sized));
        FUZZ_REQUIRE(!withBuffer || given < size, "%s refused %lu bytes, wants %lu", call,
                     static_cast<unsigned long>(given), static_cast<unsigned long>(size));
        const bool fits = std::any_of(candidates.begin(), candidates.end(), [&](const auto& e) {
            return e && size >= e->LeastRecordSize();
        });
        FUZZ_REQUIRE(fits, "%s wants only %lu", call, static_cast<unsigned long>(size));
        walk.sized = size;
        walk.sizedFresh = true;
    }
    if (!walk.changedElsewhere)
        walk.sizedEntries.clear();
    walk.sizedEntries.emplace_back(next ? std::optional<ModelEntry>(*next) : std::nullopt);
}

// A call that filled `buffer`: it must hold an entry the walk may meet,
// one it has not yielded before.
inline void CheckYield(const CacheModel& model, Walk& walk, const char* call, const char* buffer,
                       DWORD given, DWORD size) {
    const ModelEntry* const next = model.NextAfter(walk.lastOrder, walk.mask);
    std::optional<ModelEntry> yielded;
    std::string problem = "the walk is over";
    for (const auto& candidate : Candidates(walk, next)) {
        if (!candidate)
            continue;
        problem = RecordProblem(buffer, given, size, *candidate);
        if (problem.empty()) {
            yielded = candidate;
            break;
        }
    }
    FUZZ_REQUIRE(yielded, "%s yielded a record that is not the next entry: %s", call,
                 problem.c_str());
    FUZZ_REQUIRE(walk.yielded.insert(yielded->order).second, "'%s' yielded twice in one walk",
                 Printable(yielded->url).c_str());
    walk.lastOrder = yielded->order;
    walk.sizedFresh = false;
    walk.sizedEntries.clear();
    walk.changedElsewhere = false;
}
