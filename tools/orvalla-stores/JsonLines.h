// Listings as JSON Lines (`--format json`): one object a line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Args.h"

// The list's format that `--format text|json` chose; text when not given.
enum class ListFormat { Text, Json };
ListFormat ReadFormat(const ParsedArguments& parsed);

// `text` as a JSON string. Control characters become \u00XX (or \n, \t...),
// and each byte that is not part of valid UTF-8 becomes U+FFFD, so that the
// line stays valid JSON whatever a store holds.
std::string JsonString(std::string_view text);

// One object, its keys in the order added.
class JsonObject {
public:
    JsonObject& Text(std::string_view key, std::string_view value);
    JsonObject& Texts(std::string_view key, const std::vector<std::string>& values);
    JsonObject& Number(std::string_view key, std::uint64_t value);
    // ISO 8601 UTC; left out for a time the store does not keep (FILETIME 0,
    // which lists as 1601-01-01).
    JsonObject& Time(std::string_view key, FILETIME time);
    // The object and a line end, on standard output.
    void Print() const;

private:
    JsonObject& Key(std::string_view key);
    std::string body_;
};
