// The walk of the URL cache against a store that changes between the calls.
//
// The input is a list of operations, each an opcode and its arguments:
// adding or replacing an entry, deleting one (present or not), setting a hit
// rate, starting a walk, sizing and filling calls with the reported size or a
// smaller or bigger one, closing a walk, calls with bad handles or arguments,
// and additions and deletions through a second connection, as another process
// makes them. Up to four walks are open at once. A model of the store
// predicts every answer: the entry each call yields (the first one after the
// walk's last, with its values in the store as the walk reads it), its last
// error code, and that no walk yields an entry twice. Every record is checked
// byte by byte in a buffer of exactly the size passed, so that the sanitizer
// sees any write beyond it.
//
// One store, in a temporary home made once per process, serves all
// inputs; each input ends by closing its walks and deleting its entries,
// after which the store must be empty.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "CacheModel.h"
#include "CacheWalk.h"
#include "PeerConnection.h"
#include "RecordCheck.h"
#include "TempHome.h"
#include "WalkOracle.h"
#include "platform/wininet.h"

namespace {

class WalkFuzzer {
public:
    explicit WalkFuzzer(FuzzedDataProvider& input) : in_(input) {}

    void Run() {
        while (in_.remaining_bytes() > 0) {
            switch (Byte() % 12) {
                case 0:
                    Add(false);
                    break;
                case 1:
                    DeletePresent(false);
                    break;
                case 2:
                    DeleteMissing();
                    break;
                case 3:
                    SetHitRate();
                    break;
                case 4:
                    Start(PickWalk());
                    break;
                case 5:
                    Size(PickWalk());
                    break;
                case 6:
                    Fill(PickWalk());
                    break;
                case 7:
                    Close(PickWalk());
                    break;
                case 8:
                    BadHandle();
                    break;
                case 9:
                    BadArguments();
                    break;
                case 10:
                    Add(true);
                    break;
                default:
                    DeletePresent(true);
                    break;
            }
        }
        Clear();
    }

private:
    std::uint8_t Byte() { return in_.ConsumeIntegral<std::uint8_t>(); }
    std::uint64_t Quad() { return in_.ConsumeIntegral<std::uint64_t>(); }
    Walk& PickWalk() { return walks_[Byte() % walks_.size()]; }

    // The store as the walks read it: the statements of one connection share
    // its read transaction, so while any walk's query stands on a row, every
    // walk reads the store as it was when that transaction began.
    const CacheModel& Seen() const { return view_ ? *view_ : model_; }

    // Notes whether `walk` now stands on a row, and with it the connection.
    void SetRunning(Walk& walk, bool running) {
        walk.running = running;
        bool any = false;
        for (const Walk& other : walks_)
            any = any || other.running;
        if (!any)
            view_.reset();
        else if (!view_)
            view_ = model_;
    }

    // A change through this thread's connection, made or tried: every walk
    // stops and reads the store afresh.
    void Changed() {
        for (Walk& walk : walks_) {
            walk.running = false;
            walk.sizedFresh = false;
        }
        view_.reset();
    }

    // Runs a change here or through the peer connection; its result and last error.
    BOOL Change(bool elsewhere, const std::function<BOOL()>& call, DWORD& error) {
        if (elsewhere) {
            static PeerConnection peer;
            return peer.Run(call, error);
        }
        Changed();
        const BOOL result = call();
        error = GetLastError();
        return result;
    }

    std::string Address() {
        std::string url = in_.ConsumeBytesAsString(Byte() % 24);
        for (char& c : url)
            if (c == '\0')
                c = '@';  // the address is a C string
        return url;
    }

    void Add(bool elsewhere) {
        const std::uint8_t flags = Byte();
        ModelEntry entry;
        entry.url = Address();
        entry.type = NORMAL_CACHE_ENTRY | (flags & 1 ? COOKIE_CACHE_ENTRY : 0) |
                     (flags & 2 ? URLHISTORY_CACHE_ENTRY : 0);
        entry.lastModified = QuadToFileTime(Quad());
        entry.expires = QuadToFileTime(~FileTimeToQuad(entry.lastModified));
        if (flags & 4)
            entry.localFile = "/cache/" + std::to_string(flags);
        if (flags & 8)
            entry.header = flags & 16 ? std::string("Set-\0Cookie", 11) : std::string("Cookie");
        if (flags & 32)
            entry.extension = "txt";

        CACHE_ENTRY_VALUES values;
        values.CacheEntryType = entry.type;
        values.LastModifiedTime = entry.lastModified;
        values.ExpireTime = entry.expires;
        values.lpszLocalFileName = entry.localFile ? entry.localFile->c_str() : nullptr;
        values.lpHeaderInfo = entry.header ? entry.header->data() : nullptr;
        // A header with a zero byte needs its size; the other is zero-terminated.
        values.dwHeaderInfoSize = entry.header && flags & 16 ? entry.header->size() : 0;
        values.lpszFileExtension = entry.extension ? entry.extension->c_str() : nullptr;
        DWORD error = 0;
        const BOOL done = Change(
            elsewhere, [&] { return CommitUrlCacheEntryValues(entry.url.c_str(), &values); },
            error);
        Require(done, "commit '%s': %lu", entry.url.c_str(), static_cast<unsigned long>(error));
        model_.Commit(std::move(entry));
    }

    void DeletePresent(bool elsewhere) {
        const std::uint8_t pick = Byte();
        if (model_.Entries().empty())
            return;
        const std::string url = model_.Entries()[pick % model_.Entries().size()].url;
        DWORD error = 0;
        const BOOL done = Change(
            elsewhere, [&] { return DeleteUrlCacheEntry(url.c_str()); }, error);
        Require(done, "delete '%s': %lu", url.c_str(), static_cast<unsigned long>(error));
        model_.Delete(url);
    }

    void DeleteMissing() {
        const std::string url = Address();
        if (model_.Find(url))
            return;
        Changed();
        Require(!DeleteUrlCacheEntry(url.c_str()), "deleted missing '%s'", url.c_str());
        RequireError(ERROR_FILE_NOT_FOUND, "DeleteUrlCacheEntry");
    }

    void SetHitRate() {
        const std::uint8_t pick = Byte();
        const DWORD hits = static_cast<DWORD>(Quad());
        Changed();
        if (model_.Entries().empty()) {
            Require(!SetUrlCacheEntryHitRate("no such entry", hits), "hit rate set");
            RequireError(ERROR_FILE_NOT_FOUND, "SetUrlCacheEntryHitRate");
            return;
        }
        const std::string url = model_.Entries()[pick % model_.Entries().size()].url;
        Require(SetUrlCacheEntryHitRate(url.c_str(), hits), "hit rate of '%s'", url.c_str());
        model_.Find(url)->hitRate = hits;
    }

    // The size of the buffer for a filling call, around the size last reported.
    DWORD BufferSize(const Walk& walk, bool& withBuffer) {
        const std::uint8_t choice = Byte();
        const DWORD base = walk.sized;
        withBuffer = choice % 5 != 3;
        switch (choice % 5) {
            case 1:
                return base > choice / 5u + 1 ? base - (choice / 5u + 1) : 0;
            case 2:
                return base + choice / 5u + 1;
            case 4:
                return Byte() * 8u;
            default:
                return base;
        }
    }

    // One filling call, FindFirst while the walk has no handle.
    void FillCall(Walk& walk) {
        bool withBuffer = true;
        const DWORD given = BufferSize(walk, withBuffer);
        const bool mustFit = walk.sizedFresh && withBuffer && given >= walk.sized;
        const EntryBuffer buffer(given, kUntouched);
        const ModelEntry* const next = Seen().NextAfter(walk.lastOrder);
        const char* const call = walk.handle ? "FindNextUrlCacheEntryA" : "FindFirstUrlCacheEntryA";
        DWORD size = given;
        if (WalkCall(walk.handle, withBuffer ? buffer.Record() : nullptr, size)) {
            Require(withBuffer, "%s filled no buffer", call);
            CheckYield(next, walk, call, buffer.Bytes(), given, size);
        } else {
            CheckRefusal(next, walk, call, withBuffer, given, size, mustFit);
        }
        // A walk stands on a row once it has read one, unless FindFirst
        // dropped it; at the end its query stops.
        SetRunning(walk, next && walk.handle);
    }

    void Start(Walk& walk) {
        Close(walk);
        if (Byte() % 4 != 0) {  // mostly as the window does: a sizing call first
            DWORD size = 0;
            const ModelEntry* const next = Seen().NextAfter(0);
            Require(!FindFirstUrlCacheEntryA(nullptr, nullptr, &size), "a walk without a buffer");
            CheckRefusal(next, walk, "FindFirstUrlCacheEntryA", false, 0, size, false);
        }
        FillCall(walk);
    }

    void Size(Walk& walk) {
        DWORD size = 0;
        Require(!FindNextUrlCacheEntryA(walk.handle, nullptr, &size), "sized and filled");
        if (!walk.handle)
            return RequireError(ERROR_INVALID_PARAMETER, "FindNextUrlCacheEntryA");
        const ModelEntry* const next = Seen().NextAfter(walk.lastOrder);
        CheckRefusal(next, walk, "FindNextUrlCacheEntryA", false, 0, size, false);
        SetRunning(walk, next != nullptr);
    }

    void Fill(Walk& walk) {
        if (!walk.handle) {
            DWORD size = 64;
            Require(!FindNextUrlCacheEntryA(nullptr, nullptr, &size), "walked no walk");
            return RequireError(ERROR_INVALID_PARAMETER, "FindNextUrlCacheEntryA");
        }
        FillCall(walk);
    }

    void Close(Walk& walk) {
        if (!walk.handle) {
            Require(!FindCloseUrlCache(nullptr), "closed no walk");
            RequireError(ERROR_INVALID_PARAMETER, "FindCloseUrlCache");
        } else {
            Require(FindCloseUrlCache(walk.handle), "close: %lu",
                    static_cast<unsigned long>(GetLastError()));
            closed_.push_back(walk.handle);
            if (closed_.size() > 8)
                closed_.pop_front();
        }
        SetRunning(walk, false);
        walk = Walk{};
    }

    bool IsOpen(HANDLE handle) const {
        for (const Walk& walk : walks_)
            if (walk.handle && walk.handle == handle)
                return true;
        return false;
    }

    void BadHandle() {
        const std::uint8_t choice = Byte();
        HANDLE handle = nullptr;
        if (choice % 4 == 1 && !closed_.empty())
            handle = closed_[choice / 4 % closed_.size()];
        else if (choice % 4 == 2)
            handle = reinterpret_cast<HANDLE>(~std::uintptr_t{0});
        else if (choice % 4 == 3)
            handle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(Quad()));
        if (IsOpen(handle))
            return;
        DWORD size = 0;
        Require(!FindNextUrlCacheEntryA(handle, nullptr, &size), "walked a bad handle");
        RequireError(ERROR_INVALID_PARAMETER, "FindNextUrlCacheEntryA");
        const EntryBuffer buffer(4096, kUntouched);
        size = buffer.Size();
        Require(!FindNextUrlCacheEntryA(handle, buffer.Record(), &size),
                "filled from a bad handle");
        RequireError(ERROR_INVALID_PARAMETER, "FindNextUrlCacheEntryA");
        Require(!FindCloseUrlCache(handle), "closed a bad handle");
        RequireError(ERROR_INVALID_PARAMETER, "FindCloseUrlCache");
    }

    void BadArguments() {
        Walk& walk = PickWalk();
        Require(!FindFirstUrlCacheEntryA(nullptr, nullptr, nullptr), "walk without a size");
        RequireError(ERROR_INVALID_PARAMETER, "FindFirstUrlCacheEntryA");
        DWORD size = 0;
        Require(!FindFirstUrlCacheEntryA("cookie:", nullptr, &size), "walk with a pattern");
        RequireError(ERROR_INVALID_PARAMETER, "FindFirstUrlCacheEntryA");
        if (walk.handle) {  // leaves the walk where it was
            const EntryBuffer buffer(4096, kUntouched);
            Require(!FindNextUrlCacheEntryA(walk.handle, buffer.Record(), nullptr),
                    "filled without a size");
            RequireError(ERROR_INVALID_PARAMETER, "FindNextUrlCacheEntryA");
        }
        Require(!DeleteUrlCacheEntry(nullptr), "deleted no address");
        RequireError(ERROR_INVALID_PARAMETER, "DeleteUrlCacheEntry");
        const CACHE_ENTRY_VALUES values;
        Require(!CommitUrlCacheEntryValues(nullptr, &values), "committed no address");
        RequireError(ERROR_INVALID_PARAMETER, "CommitUrlCacheEntryValues");
    }

    // Ends the input's walks and deletes its entries; the store must then be empty.
    void Clear() {
        for (Walk& walk : walks_)
            if (walk.handle)
                Close(walk);
        for (const ModelEntry& entry : model_.Entries())
            Require(DeleteUrlCacheEntry(entry.url.c_str()), "clearing '%s': %lu", entry.url.c_str(),
                    static_cast<unsigned long>(GetLastError()));
        model_.Clear();
        DWORD size = 0;
        Require(!FindFirstUrlCacheEntryA(nullptr, nullptr, &size), "store not empty");
        RequireError(ERROR_NO_MORE_ITEMS, "FindFirstUrlCacheEntryA");
    }

    FuzzedDataProvider& in_;
    static inline CacheModel model_;  // empty between inputs
    std::optional<CacheModel> view_;  // see Seen
    std::array<Walk, 4> walks_;
    static inline std::deque<HANDLE> closed_;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    TempHome();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    WalkFuzzer(input).Run();
    return 0;
}
