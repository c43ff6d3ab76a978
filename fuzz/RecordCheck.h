// Checks one INTERNET_CACHE_ENTRY_INFOA record that the cache filled in,
// against the entry the model expected.
#pragma once

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "CacheModel.h"
#include "Require.h"
#include "platform/wininet.h"

// What a buffer holds before a call, so that bytes written can be told.
inline constexpr unsigned char kUntouched = 0xA5;

namespace record_check {

inline std::string TextProblem(const char* buffer, DWORD reported, const char* text,
                               const std::optional<std::string>& expected, const char* field) {
    const std::string name(field);
    if (!expected)
        return text ? name + " is there but was never given" : "";
    const char* const first = buffer + sizeof(INTERNET_CACHE_ENTRY_INFOA);
    const char* const end = buffer + reported;
    if (!text || text < first || text >= end)
        return name + " points outside the record's texts";
    if (static_cast<std::size_t>(end - text) <= expected->size())
        return name + " does not fit in the reported size";
    if (std::memcmp(text, expected->data(), expected->size()) != 0)
        return name + " is '" + std::string(text, expected->size()) + "'";
    if (text[expected->size()] != '\0')
        return name + " is not terminated";
    return "";
}

}  // namespace record_check

// "" when the record in `buffer` (of `given` bytes, `reported` of them said
// to be used) holds `expected` with every text inside the reported size and
// nothing written past it; else what is wrong.
inline std::string RecordProblem(const char* buffer, DWORD given, DWORD reported,
                                 const ModelEntry& expected) {
    using record_check::TextProblem;
    if (reported > given)
        return "reported " + std::to_string(reported) + " for a buffer of " + std::to_string(given);
    if (reported < expected.LeastRecordSize())
        return "reported " + std::to_string(reported) + ", the texts need " +
               std::to_string(expected.LeastRecordSize());
    for (DWORD i = reported; i < given; ++i)
        if (static_cast<unsigned char>(buffer[i]) != kUntouched)
            return "byte " + std::to_string(i) + " written past the reported size";
    INTERNET_CACHE_ENTRY_INFOA info;
    std::memcpy(&info, buffer, sizeof info);
    if (info.dwStructSize != sizeof info)
        return "dwStructSize " + std::to_string(info.dwStructSize);
    for (const std::string& problem :
         {TextProblem(buffer, reported, info.lpszSourceUrlName, expected.url, "lpszSourceUrlName"),
          TextProblem(buffer, reported, info.lpszLocalFileName, expected.localFile,
                      "lpszLocalFileName"),
          TextProblem(buffer, reported, info.lpHeaderInfo, expected.header, "lpHeaderInfo"),
          TextProblem(buffer, reported, info.lpszFileExtension, expected.extension,
                      "lpszFileExtension")})
        if (!problem.empty())
            return problem;
    if (info.dwHeaderInfoSize != (expected.header ? expected.header->size() : 0))
        return "dwHeaderInfoSize " + std::to_string(info.dwHeaderInfoSize);
    if (info.CacheEntryType != expected.type)
        return "type " + std::to_string(info.CacheEntryType);
    if (info.dwHitRate != expected.hitRate)
        return "hit rate " + std::to_string(info.dwHitRate);
    if (FileTimeToQuad(info.LastModifiedTime) != FileTimeToQuad(expected.lastModified) ||
        FileTimeToQuad(info.ExpireTime) != FileTimeToQuad(expected.expires))
        return "times differ";
    return "";
}
