// Walking the URL cache as the window does, for the tests of faults: the
// two-call protocol with exactly sized buffers, a filling call that fails
// leaves its entry out, and any status but the walk's own ends it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "CacheTestSupport.h"
#include "platform/sysutils.h"
#include "platform/wininet.h"

using Urls = std::vector<std::string>;

inline Urls Addresses(int count) {
    Urls urls;
    for (int i = 0; i < count; ++i) {
        // Long enough that the entries fill a good number of pages.
        urls.push_back("Cookie:user@host" + std::to_string(i) + ".example/" +
                       std::string(200, static_cast<char>('a' + i % 26)));
    }
    return urls;
}

// What a walk as the window makes it gave, and the status it ended with.
struct WalkResult {
    Urls urls;
    DWORD end = ERROR_SUCCESS;
    std::string detail;
};

// `between` runs after each entry, with the walk still open.
inline WalkResult Walk(const std::function<void(const std::string&)>& between = {}) {
    WalkResult result;
    const WalkOutcome walked = WalkCache([&](const EntryBuffer& entry) {
        result.urls.push_back(entry.Record()->lpszSourceUrlName);
        if (between)
            between(result.urls.back());
    });
    EXPECT_TRUE(walked.closed);
    result.end = walked.end;
    result.detail = walked.detail;
    return result;
}
