// Entry records and wide texts as they pass between the history object and
// its callers.
#pragma once

#include <optional>
#include <string>

#include "platform/urlhist.h"
#include "store/HistoryStore.h"

namespace com {

// A caller's wide text as UTF-8; nullptr gives no value.
std::optional<std::string> Utf8From(LPCOLESTR text);

// A wide copy of UTF-8 text in task memory, for the caller to free. Throws
// std::bad_alloc.
LPWSTR TaskMemWideCopy(const std::string& text);

// Fills `record` from `row`, its texts in task memory for the caller to free.
// On failure (std::bad_alloc) nothing is allocated and `record` is untouched.
void FillStatUrl(const store::HistoryRow& row, STATURL& record);

// Frees the texts of a filled record and clears their pointers.
void FreeStatUrlTexts(STATURL& record);

}  // namespace com
