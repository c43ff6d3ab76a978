// The walk of the URL cache against a store that changes between the calls.
//
// The input is a list of operations, each an opcode byte and its arguments:
// adding or replacing an entry, deleting one (present or not), setting a hit
// rate, starting a walk, sizing and filling calls with the reported size or a
// smaller or bigger one, closing a walk, calls with bad handles or arguments,
// and additions and deletions through a second connection, as another process
// makes them. Up to four walks are open at once. A model of the store
// predicts every answer: the entry each call yields (the first one added
// after the walk's last, with the values it has now), its last error code,
// and that no walk yields an entry twice. Only after another connection's
// change may a call instead yield the entry the walk's last sizing call
// sized, as it was then: the pair of calls is one read. Every record is
// checked byte by byte in a buffer of exactly the size passed, so that the
// sanitizer sees any write beyond it.
//
// One store, in a temporary XDG_DATA_HOME made once per process, serves all
// inputs; each input ends by closing its walks and deleting its entries,
// after which the store must be empty.
#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "CacheModel.h"
#include "FuzzSupport.h"
#include "PeerConnection.h"
#include "RecordCheck.h"
#include "WalkOracle.h"
#include "platform/wininet.h"

namespace {

struct Pattern {
    const char* text;
    DWORD mask;
    bool valid;
};
constexpr std::array<Pattern, 6> kPatterns = {{{nullptr, 0, true},
                                               {"", 0, true},
                                               {"cookie:", COOKIE_CACHE_ENTRY, true},
                                               {"Cookie:", COOKIE_CACHE_ENTRY, true},
                                               {"visited:", URLHISTORY_CACHE_ENTRY, true},
                                               {"bogus:", 0, false}}};

// A buffer of exactly the size asked for, filled with kUntouched.
std::unique_ptr<char[]> Buffer(DWORD size) {
    auto buffer = std::make_unique<char[]>(size);
    std::memset(buffer.get(), kUntouched, size);
    return buffer;
}

class WalkFuzzer {
public:
    explicit WalkFuzzer(FuzzInput& input) : in_(input) {}

    void Run() {
        while (!in_.Empty()) {
            switch (in_.Byte() % 12) {
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
    Walk& PickWalk() { return walks_[in_.Byte() % walks_.size()]; }

    // A change through this thread's connection: every walk reads afresh.
    void Changed() {
        for (Walk& walk : walks_) {
            walk.sizedFresh = false;
            walk.sizedEntries.clear();
            walk.changedElsewhere = false;
        }
    }

    void ChangedElsewhere() {
        for (Walk& walk : walks_) {
            walk.sizedFresh = false;
            walk.changedElsewhere = true;
        }
    }

    // Runs a change here or through the peer connection; its result and last error.
    BOOL Change(bool elsewhere, const std::function<BOOL()>& call, DWORD& error) {
        if (elsewhere) {
            static PeerConnection peer;
            return peer.Run(call, error);
        }
        const BOOL result = call();
        error = GetLastError();
        return result;
    }

    void AfterChange(bool elsewhere) {
        if (elsewhere)
            ChangedElsewhere();
        else
            Changed();
    }

    std::string Address() {
        std::string url(in_.Bytes(in_.Byte() % 24));
        for (char& c : url)
            if (c == '\0')
                c = '@';  // the address is a C string
        return url;
    }

    void Add(bool elsewhere) {
        const std::uint8_t flags = in_.Byte();
        ModelEntry entry;
        entry.url = Address();
        entry.type = NORMAL_CACHE_ENTRY | (flags & 1 ? COOKIE_CACHE_ENTRY : 0) |
                     (flags & 2 ? URLHISTORY_CACHE_ENTRY : 0);
        entry.lastModified = QuadToFileTime(in_.Quad());
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
        FUZZ_REQUIRE(
            Change(
                elsewhere, [&] { return CommitUrlCacheEntryValues(entry.url.c_str(), &values); },
                error),
            "commit '%s': %lu", Printable(entry.url).c_str(), static_cast<unsigned long>(error));
        model_.Commit(std::move(entry));
        AfterChange(elsewhere);
    }

    void DeletePresent(bool elsewhere) {
        const std::uint8_t pick = in_.Byte();
        if (model_.Entries().empty())
            return;
        const std::string url = model_.Entries()[pick % model_.Entries().size()].url;
        DWORD error = 0;
        FUZZ_REQUIRE(Change(
                         elsewhere, [&] { return DeleteUrlCacheEntry(url.c_str()); }, error),
                     "delete '%s': %lu", Printable(url).c_str(), static_cast<unsigned long>(error));
        model_.Delete(url);
        AfterChange(elsewhere);
    }

    void DeleteMissing() {
        const std::string url = Address();
        if (model_.Find(url))
            return;
        FUZZ_REQUIRE(!DeleteUrlCacheEntry(url.c_str()), "deleted missing '%s'",
                     Printable(url).c_str());
        RequireError(ERROR_FILE_NOT_FOUND, "DeleteUrlCacheEntry");
    }

    void SetHitRate() {
        const std::uint8_t pick = in_.Byte();
        const DWORD hits = static_cast<DWORD>(in_.Quad());
        if (model_.Entries().empty()) {
            FUZZ_REQUIRE(!SetUrlCacheEntryHitRate("no such entry", hits), "hit rate set");
            RequireError(ERROR_FILE_NOT_FOUND, "SetUrlCacheEntryHitRate");
            return;
        }
        const std::string url = model_.Entries()[pick % model_.Entries().size()].url;
        FUZZ_REQUIRE(SetUrlCacheEntryHitRate(url.c_str(), hits), "hit rate of '%s'",
                     Printable(url).c_str());
        model_.Find(url)->hitRate = hits;
        Changed();
    }

    // The size of the buffer for a filling call, around the size last reported.
    DWORD BufferSize(const Walk& walk, bool& withBuffer) {
        const std::uint8_t choice = in_.Byte();
        const DWORD base = walk.sized;
        withBuffer = choice % 5 != 3;
        switch (choice % 5) {
            case 1:
                return base > choice / 5u + 1 ? base - (choice / 5u + 1) : 0;
            case 2:
                return base + choice / 5u + 1;
            case 4:
                return in_.Byte() * 8u;
            default:
                return base;
        }
    }

    // One filling call, FindFirst when `pattern` is given.
    void FillCall(Walk& walk, const Pattern* pattern) {
        bool withBuffer = true;
        const DWORD given = BufferSize(walk, withBuffer);
        const bool mustFit = walk.sizedFresh && withBuffer && given >= walk.sized;
        const std::unique_ptr<char[]> buffer = Buffer(given);
        auto* const info =
            withBuffer ? reinterpret_cast<LPINTERNET_CACHE_ENTRY_INFOA>(buffer.get()) : nullptr;
        DWORD size = given;
        BOOL filled = FALSE;
        if (pattern) {
            walk.handle = FindFirstUrlCacheEntryA(pattern->text, info, &size);
            filled = walk.handle != nullptr;
        } else {
            filled = FindNextUrlCacheEntryA(walk.handle, info, &size);
        }
        const char* const call = pattern ? "FindFirstUrlCacheEntryA" : "FindNextUrlCacheEntryA";
        if (pattern && !pattern->valid) {
            FUZZ_REQUIRE(!filled, "a walk with a bad pattern");
            return RequireError(ERROR_INVALID_PARAMETER, call);
        }
        if (!filled)
            return CheckRefusal(model_, walk, call, withBuffer, given, size, mustFit);
        FUZZ_REQUIRE(withBuffer, "%s filled no buffer", call);
        CheckYield(model_, walk, call, buffer.get(), given, size);
    }

    void Start(Walk& walk) {
        Close(walk);
        walk = Walk{};
        const Pattern& pattern = kPatterns[in_.Byte() % kPatterns.size()];
        walk.mask = pattern.mask;
        if (in_.Byte() % 4 != 0) {  // mostly as the window does: a sizing call first
            DWORD size = 0;
            FUZZ_REQUIRE(!FindFirstUrlCacheEntryA(pattern.text, nullptr, &size),
                         "a walk without a buffer");
            if (!pattern.valid)
                return RequireError(ERROR_INVALID_PARAMETER, "FindFirstUrlCacheEntryA");
            CheckRefusal(model_, walk, "FindFirstUrlCacheEntryA", false, 0, size, false);
        }
        FillCall(walk, &pattern);
    }

    void Size(Walk& walk) {
        DWORD size = 0;
        FUZZ_REQUIRE(!FindNextUrlCacheEntryA(walk.handle, nullptr, &size), "sized and filled");
        if (!walk.handle)
            return RequireError(ERROR_INVALID_PARAMETER, "FindNextUrlCacheEntryA");
        CheckRefusal(model_, walk, "FindNextUrlCacheEntryA", false, 0, size, false);
    }

    void Fill(Walk& walk) {
        if (!walk.handle) {
            DWORD size = 64;
            FUZZ_REQUIRE(!FindNextUrlCacheEntryA(nullptr, nullptr, &size), "walked no walk");
            return RequireError(ERROR_INVALID_PARAMETER, "FindNextUrlCacheEntryA");
        }
        FillCall(walk, nullptr);
    }

    void Close(Walk& walk) {
        if (!walk.handle) {
            FUZZ_REQUIRE(!FindCloseUrlCache(nullptr), "closed no walk");
            return RequireError(ERROR_INVALID_PARAMETER, "FindCloseUrlCache");
        }
        FUZZ_REQUIRE(FindCloseUrlCache(walk.handle), "close: %lu",
                     static_cast<unsigned long>(GetLastError()));
        closed_.push_back(walk.handle);
        if (closed_.size() > 8)
            closed_.pop_front();
        walk = Walk{};
    }

    bool IsOpen(HANDLE handle) const {
        for (const Walk& walk : walks_)
            if (walk.handle && walk.handle == handle)
                return true;
        return false;
    }

    void BadHandle() {
        const std::uint8_t choice = in_.Byte();
        HANDLE handle = nullptr;
        if (choice % 4 == 1 && !closed_.empty())
            handle = closed_[choice / 4 % closed_.size()];
        else if (choice % 4 == 2)
            handle = reinterpret_cast<HANDLE>(~std::uintptr_t{0});
        else if (choice % 4 == 3)
            handle = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(in_.Quad()));
        if (IsOpen(handle))
            return;
        DWORD size = 0;
        FUZZ_REQUIRE(!FindNextUrlCacheEntryA(handle, nullptr, &size), "walked a bad handle");
        RequireError(ERROR_INVALID_PARAMETER, "FindNextUrlCacheEntryA");
        const std::unique_ptr<char[]> buffer = Buffer(4096);
        size = 4096;
        FUZZ_REQUIRE(
            !FindNextUrlCacheEntryA(
                handle, reinterpret_cast<LPINTERNET_CACHE_ENTRY_INFOA>(buffer.get()), &size),
            "filled from a bad handle");
        RequireError(ERROR_INVALID_PARAMETER, "FindNextUrlCacheEntryA");
        FUZZ_REQUIRE(!FindCloseUrlCache(handle), "closed a bad handle");
        RequireError(ERROR_INVALID_PARAMETER, "FindCloseUrlCache");
    }

    void BadArguments() {
        Walk& walk = PickWalk();
        FUZZ_REQUIRE(!FindFirstUrlCacheEntryA(nullptr, nullptr, nullptr), "walk without a size");
        RequireError(ERROR_INVALID_PARAMETER, "FindFirstUrlCacheEntryA");
        if (walk.handle) {  // leaves the walk where it was
            const std::unique_ptr<char[]> buffer = Buffer(4096);
            FUZZ_REQUIRE(!FindNextUrlCacheEntryA(
                             walk.handle,
                             reinterpret_cast<LPINTERNET_CACHE_ENTRY_INFOA>(buffer.get()), nullptr),
                         "filled without a size");
            RequireError(ERROR_INVALID_PARAMETER, "FindNextUrlCacheEntryA");
        }
        FUZZ_REQUIRE(!DeleteUrlCacheEntry(nullptr), "deleted no address");
        RequireError(ERROR_INVALID_PARAMETER, "DeleteUrlCacheEntry");
        const CACHE_ENTRY_VALUES values;
        FUZZ_REQUIRE(!CommitUrlCacheEntryValues(nullptr, &values), "committed no address");
        RequireError(ERROR_INVALID_PARAMETER, "CommitUrlCacheEntryValues");
    }

    // Ends the input's walks and deletes its entries; the store must then be empty.
    void Clear() {
        for (Walk& walk : walks_)
            if (walk.handle)
                Close(walk);
        for (const ModelEntry& entry : model_.Entries())
            FUZZ_REQUIRE(DeleteUrlCacheEntry(entry.url.c_str()), "clearing '%s': %lu",
                         Printable(entry.url).c_str(), static_cast<unsigned long>(GetLastError()));
        model_.Clear();
        DWORD size = 0;
        FUZZ_REQUIRE(!FindFirstUrlCacheEntryA(nullptr, nullptr, &size), "store not empty");
        RequireError(ERROR_NO_MORE_ITEMS, "FindFirstUrlCacheEntryA");
    }

    FuzzInput& in_;
    static inline CacheModel model_;  // empty between inputs
    std::array<Walk, 4> walks_;
    static inline std::deque<HANDLE> closed_;
};

std::filesystem::path dataHome;

void RemoveDataHome() {
    std::error_code ignored;
    std::filesystem::remove_all(dataHome, ignored);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/orvalla-fuzz-XXXXXX";
    FUZZ_REQUIRE(mkdtemp(pattern.data()) != nullptr, "no temporary directory in %s",
                 pattern.c_str());
    dataHome = pattern;
    setenv("XDG_DATA_HOME", pattern.c_str(), 1);
    std::atexit(RemoveDataHome);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    WalkFuzzer(input).Run();
    return 0;
}
