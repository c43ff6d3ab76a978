#include "StatUrl.h"

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

// A wide copy of UTF-8 text in task memory. Throws std::bad_alloc.
TaskMemText TaskMemWide(const std::string& text) {
    TaskMemText copy(static_cast<char16_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(char16_t))));
    if (!copy)
        throw std::bad_alloc();
    *AnsiToWide(text, copy.get()) = u'\0';
    return copy;
}

}  // namespace

LPWSTR TaskMemWideCopy(const std::string& text) {
    return TaskMemWide(text).release();
}

std::optional<std::string> Utf8From(LPCOLESTR text) {
    if (!text)
        return std::nullopt;
    return WideToAnsi(std::u16string_view(text));
}

void FillStatUrl(const store::HistoryRow& row, STATURL& record) {
    TaskMemText url = TaskMemWide(row.url);
    TaskMemText title = row.title ? TaskMemWide(*row.title) : nullptr;
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
