// Stateless helpers of the window: time stamps as text and back, and the text
// helper of the cookie list.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/windef.h"

// What FileTimeToText shows for a time it cannot convert, in every locale.
inline constexpr std::string_view FallbackDateText = "01/01/80 12:00:00 AM";

// The time stamp in the user's local time and regional format: the short
// date, then - unless it is exactly midnight - a space and the long time.
// Seconds come out even. Never fails: gives FallbackDateText instead.
std::string FileTimeToText(const FILETIME& ft);

// A copy of the time stamp in local time as a packed MS-DOS date and time
// (the date in the high half); false when it lies outside 1980 to 2107.
bool FileTimeToLocalFileDate(const FILETIME& ft, DWORD& fileDate);

// -1, 0 or 1 as the first date-time text is earlier than, equal to or later
// than the second, both read with the user's regional formats.
// FallbackDateText always reads as 1 January 1980, midnight.
// Raises EConvertError "'TEXT' is not a valid date and time" for any other
// text that does not read as a date and time.
int CompareDateTexts(std::string_view first, std::string_view second);

// While one lives, CompareDateTexts on this thread reads each text it is
// given once and takes its value from memory after that: a sort compares
// every row with many others. Meant to span one sort, which then orders by
// one reading of each row's text; the regional settings cannot change within
// it. Nests.
class TDateTextCache {
public:
    TDateTextCache();
    ~TDateTextCache();
    TDateTextCache(const TDateTextCache&) = delete;
    TDateTextCache& operator=(const TDateTextCache&) = delete;

private:
    friend int CompareDateTexts(std::string_view first, std::string_view second);
    double Value(std::string_view text);

    struct Reading {
        std::string text;
        double value;  // the date-time value it reads as
    };

    TDateTextCache* const outer_;
    // By where the text lies: a sort passes the rows' own texts, which stay
    // put, so finding one costs no hashing of the text; a reading counts
    // only when its text is still the text there.
    std::unordered_map<const char*, Reading> readings_;
};

// The caption of a cookie row: the part of the cache address after its first
// "@" (the user comes before it, the host and path after), or the whole
// address when it has none; at most 260 characters, less one trailing "/".
std::string CookieCaption(std::string_view address);

// A copy of the text, less one trailing "/".
std::string StripTrailingSlash(std::string text);

// Shortens the text by n characters; by all of them when it has fewer.
void DropTail(std::string& text, int n);
