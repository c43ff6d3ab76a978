#include "StatUrl.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "platform/codepage.h"
#include "platform/objbase.h"

namespace com {
namespace {

struct TaskMemDeleter {
    void operator()(char16_t* text) const { CoTaskMemFree(text); }
};
using TaskMemText = std::unique_ptr<char16_t, TaskMemDeleter>;

}  // namespace

std::optional<std::string> Utf8From(LPCOLESTR text) {
    if (!text)
        return std::nullopt;
    return WideToAnsi(std::u16string_view(text));
}

LPWSTR TaskMemWide(const std::string& text) {
    // Addresses and titles are mostly ASCII: widened straight into the
    // record's memory, without a string in between.
    if (std::all_of(text.begin(), text.end(),
                    [](char byte) { return static_cast<unsigned char>(byte) < 0x80; })) {
        auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(char16_t)));
        if (!copy)
            throw std::bad_alloc();
        std::transform(text.begin(), text.end(), copy,
                       [](char byte) { return static_cast<char16_t>(byte); });
        copy[text.size()] = u'\0';
        return copy;
    }
    const std::u16string wide = AnsiToWide(text);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((wide.size() + 1) * sizeof(char16_t)));
    if (!copy)
        throw std::bad_alloc();
    std::memcpy(copy, wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
    return copy;
}

void FillStatUrl(const HistoryRow& row, DWORD queryFlags, STATURL& record) {
    TaskMemText url, title;
    if (!(queryFlags & STATURL_QUERYFLAG_NOURL))
        url.reset(TaskMemWide(row.url));
    if (!(queryFlags & STATURL_QUERYFLAG_NOTITLE) && row.title) {
        title.reset(TaskMemWide(*row.title));
    }
    record.cbSize = sizeof(STATURL);
    record.pwcsUrl = url.release();
    record.pwcsTitle = title.release();
    record.ftLastVisited = QuadToFileTime(row.lastVisited);
    record.ftLastUpdated = QuadToFileTime(row.lastUpdated);
    record.ftExpires = QuadToFileTime(row.expires);
    record.dwFlags = row.flags;
}

void FreeStatUrlTexts(STATURL& record) {
    CoTaskMemFree(record.pwcsUrl);
    CoTaskMemFree(record.pwcsTitle);
    record.pwcsUrl = nullptr;
    record.pwcsTitle = nullptr;
}

}  // namespace com
