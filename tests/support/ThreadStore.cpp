#include "ThreadStore.h"

#include "TempDataDir.h"
#include "platform/wininet.h"

// A walk in another data directory opens the store there instead.
void CloseThreadStore() {
    TempDataDir elsewhere;
    DWORD size = 0;
    FindFirstUrlCacheEntryA(nullptr, nullptr, &size);
}
