// Entry records and wide texts as they pass between the history object and
// its callers.
#pragma once

#include <optional>
#include <string>

#include "store/HistoryStore.h"
#include "platform/urlhist.h"

namespace com {

// A caller's wide text as UTF-8; nullptr gives no value.
std::optional<std::string> Utf8From(LPCOLESTR text);

// Fills `record` from `row`, its texts in task memory for the caller to free.
// On failure (std::bad_alloc) nothing is allocated and `record` is untouched.
void FillStatUrl(const store::HistoryRow& row, STATURL& record);

// Frees the texts of a filled record and clears their pointers.
void FreeStatUrlTexts(STATURL& record);

}  // namespace com
