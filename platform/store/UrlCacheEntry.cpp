#include "store/UrlCacheEntry.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <optional>

namespace store {
namespace {

// The packed values: use count, size low, size high (4 bytes each); the
// last-modified, expiry, last-access and last-sync times (8 bytes each); the
// lengths of the local file name, header info and file extension (4 bytes
// each, kAbsent for a text the entry lacks); then those texts' bytes, in
// that order, without terminators. Numbers are little-endian.
constexpr std::size_t kTimesAt = 12;
constexpr std::size_t kLengthsAt = kTimesAt + 4 * 8;
constexpr std::size_t kTextsAt = kLengthsAt + 3 * 4;
constexpr std::uint32_t kAbsent = 0xFFFFFFFF;

void PutUint(std::string& packed, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        packed += static_cast<char>(value >> (8 * i) & 0xFF);
}

std::uint64_t UintAt(std::string_view packed, std::size_t at, int bytes) {
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= std::uint64_t{static_cast<unsigned char>(packed[at + i])} << (8 * i);
    return value;
}

DWORD DwordAt(std::string_view packed, std::size_t at) {
    return static_cast<DWORD>(UintAt(packed, at, 4));
}

FILETIME TimeAt(std::string_view packed, int index) {
    return QuadToFileTime(UintAt(packed, kTimesAt + 8 * static_cast<std::size_t>(index), 8));
}

// The three texts of intact packed values, none where absent.
using PackedTexts = std::array<std::optional<std::string_view>, 3>;

PackedTexts TextsOf(std::string_view packed) {
    PackedTexts texts;
    std::size_t at = kTextsAt;
    for (std::size_t i = 0; i < 3; ++i) {
        if (const DWORD length = DwordAt(packed, kLengthsAt + 4 * i); length != kAbsent) {
            texts[i] = packed.substr(at, length);
            at += length;
        }
    }
    return texts;
}

}  // namespace

std::string PackEntryValues(const CACHE_ENTRY_VALUES& values, std::size_t headerSize) {
    std::string packed;
    PutUint(packed, values.dwUseCount, 4);
    PutUint(packed, values.dwSizeLow, 4);
    PutUint(packed, values.dwSizeHigh, 4);
    for (const FILETIME& time :
         {values.LastModifiedTime, values.ExpireTime, values.LastAccessTime, values.LastSyncTime}) {
        PutUint(packed, FileTimeToQuad(time), 8);
    }
    const std::optional<std::string_view> texts[] = {
        values.lpszLocalFileName ? std::optional(std::string_view(values.lpszLocalFileName))
                                 : std::nullopt,
        values.lpHeaderInfo ? std::optional(std::string_view(values.lpHeaderInfo, headerSize))
                            : std::nullopt,
        values.lpszFileExtension ? std::optional(std::string_view(values.lpszFileExtension))
                                 : std::nullopt};
    for (const auto& text : texts)
        PutUint(packed, text ? text->size() : kAbsent, 4);
    for (const auto& text : texts)
        packed.append(text.value_or(""));
    return packed;
}

std::uint64_t EntryRecordSize(const EntryColumns& entry) {
    const std::string_view packed = entry.packed;
    if (packed.size() < kTextsAt)
        return 0;
    std::uint64_t texts = 0;
    std::uint64_t size = sizeof(INTERNET_CACHE_ENTRY_INFOA) + entry.url.size() + 1;
    for (std::size_t i = 0; i < 3; ++i) {
        if (const DWORD length = DwordAt(packed, kLengthsAt + 4 * i); length != kAbsent) {
            texts += length;
            size += length + 1;
        }
    }
    return texts == packed.size() - kTextsAt ? size : 0;
}

void FillEntryRecord(const EntryColumns& entry, void* buffer) {
    const PackedTexts texts = TextsOf(entry.packed);
    const std::string_view& packed = entry.packed;
    char* const base = static_cast<char*>(buffer);
    INTERNET_CACHE_ENTRY_INFOA info{};
    std::size_t next = sizeof info;
    auto place = [&](std::optional<std::string_view> text) -> char* {
        if (!text)
            return nullptr;
        char* const at = base + next;
        if (!text->empty())  // an empty text may have no bytes at all
            std::memcpy(at, text->data(), text->size());
        at[text->size()] = '\0';
        next += text->size() + 1;
        return at;
    };
    info.dwStructSize = sizeof info;
    info.lpszSourceUrlName = place(entry.url);
    info.lpszLocalFileName = place(texts[0]);
    info.CacheEntryType = entry.type;
    info.dwUseCount = DwordAt(packed, 0);
    info.dwHitRate = entry.hitRate;
    info.dwSizeLow = DwordAt(packed, 4);
    info.dwSizeHigh = DwordAt(packed, 8);
    info.LastModifiedTime = TimeAt(packed, 0);
    info.ExpireTime = TimeAt(packed, 1);
    info.LastAccessTime = TimeAt(packed, 2);
    info.LastSyncTime = TimeAt(packed, 3);
    info.lpHeaderInfo = place(texts[1]);
    info.dwHeaderInfoSize = static_cast<DWORD>(texts[1].value_or("").size());
    info.lpszFileExtension = place(texts[2]);
    // Copied in bytewise: the buffer is raw memory from the caller.
    std::memcpy(base, &info, sizeof info);
}

}  // namespace store
