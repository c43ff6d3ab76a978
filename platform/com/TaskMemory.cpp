#include <cstdlib>

#include "platform/objbase.h"

// Plain malloc: memory from one side is freed by the other, and both sides
// live in this process.
LPVOID CoTaskMemAlloc(std::size_t cb) {
    return std::malloc(cb ? cb : 1);
}

void CoTaskMemFree(LPVOID pv) {
    std::free(pv);
}
