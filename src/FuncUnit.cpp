#include "FuncUnit.h"

#include "platform/codepage.h"
#include "platform/dateutils.h"
#include "platform/regional.h"
#include "platform/sysutils.h"
#include "platform/winbase.h"

namespace {

// The caption keeps at most this many characters of the address.
constexpr std::size_t kMaxCaptionChars = 260;

// The fallback is the program's own text, not the user's: its value is fixed
// rather than read through the regional formats and the two-digit-year window,
// which would move it with the locale and, after 2030, into the 2080s.
TDateTime FallbackDateTime() {
    return EncodeDate(1980, 1, 1);
}

TDateTime DateTextToDateTime(std::string_view text) {
    if (text == FallbackDateText)
        return FallbackDateTime();
    return StrToDateTime(std::string(text));
}

thread_local TDateTextCache* activeDateTextCache = nullptr;

}  // namespace

TDateTextCache::TDateTextCache() : outer_(activeDateTextCache) {
    activeDateTextCache = this;
}

TDateTextCache::~TDateTextCache() {
    activeDateTextCache = outer_;
}

double TDateTextCache::Value(std::string_view text) {
    const auto known = readings_.find(text.data());
    if (known != readings_.end() && known->second.text == text)
        return known->second.value;
    // A text that does not read raises here, and is not kept.
    const TDateTime value = DateTextToDateTime(text);
    readings_.insert_or_assign(text.data(), Reading{std::string(text), value});
    return value;
}

bool FileTimeToLocalFileDate(const FILETIME& ft, DWORD& fileDate) {
    const FILETIME universal = ft;
    // Left as universal time should the conversion fail; such an instant lies
    // outside the DOS range anyway.
    FILETIME local = universal;
    FileTimeToLocalFileTime(&universal, &local);

    WORD dosDate = 0;
    WORD dosTime = 0;
    if (!FileTimeToDosDateTime(&local, &dosDate, &dosTime))
        return false;
    fileDate = DWORD{dosDate} << 16 | dosTime;
    return true;
}

std::string FileTimeToText(const FILETIME& ft) {
    DWORD fileDate = 0;
    if (!FileTimeToLocalFileDate(ft, fileDate))
        return std::string(FallbackDateText);
    TDateTime value = 0;
    try {
        value = FileDateToDateTime(fileDate);
    } catch (const EConvertError&) {
        return std::string(FallbackDateText);
    }
    return DateTimeToStr(value);
}

int CompareDateTexts(std::string_view first, std::string_view second) {
    TDateTextCache* const cache = activeDateTextCache;
    const TDateTime firstValue = cache ? cache->Value(first) : DateTextToDateTime(first);
    const TDateTime secondValue = cache ? cache->Value(second) : DateTextToDateTime(second);
    if (firstValue < secondValue)
        return -1;
    if (firstValue > secondValue)
        return 1;
    return 0;
}

std::string CookieCaption(std::string_view address) {
    const std::size_t at = address.find('@');
    const std::size_t hostStart = at == std::string_view::npos ? 0 : at + 1;
    return StripTrailingSlash(CopyChars(address, hostStart, kMaxCaptionChars));
}

std::string StripTrailingSlash(std::string text) {
    if (!text.empty() && text.back() == '/')
        DropTail(text, 1);
    return text;
}

void DropTail(std::string& text, int n) {
    // An ASCII byte is always a character of its own (no longer sequence
    // holds one), so trailing ones go without counting the whole text.
    while (n > 0 && !text.empty() && static_cast<unsigned char>(text.back()) < 0x80) {
        text.pop_back();
        --n;
    }
    if (n <= 0)
        return;
    const std::size_t length = CharCount(text);
    const auto drop = static_cast<std::size_t>(n);
    text = drop >= length ? std::string() : CopyChars(text, 0, length - drop);
}
