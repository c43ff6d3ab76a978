// The browsers' stores as the program's platform calls show and change them.
#pragma once

#include <map>
#include <string>

#include "platform/comptr.h"
#include "platform/urlhist.h"
#include "platform/wininet.h"

struct CacheCookie {
    DWORD hits = 0;
    std::uint64_t modified = 0;
    std::uint64_t expires = 0;
};

// Every cookie entry of a whole walk by address; the walk must end well
// unless `end` is given to take the status it ended with.
std::map<std::string, CacheCookie> WalkCookies(DWORD* end = nullptr);

struct HistoryPage {
    std::string title;
    std::uint64_t visited = 0;
    std::uint64_t updated = 0;
    std::uint64_t expires = 0;
};

ComPtr<IUrlHistoryStg2> OpenHistory();

// The http pages the history lists, as the window asks for them; the listing
// must end well unless `end` is given to take the result it ended with.
std::map<std::string, HistoryPage> ListHistory(HRESULT* end = nullptr);
