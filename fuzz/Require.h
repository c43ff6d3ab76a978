// A fuzzer's check of a property.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

// Aborts, so that libFuzzer keeps the input, when a property does not hold.
[[gnu::format(printf, 2, 3)]] inline void Require(bool holds, const char* format, ...) {
    if (holds)
        return;
    std::va_list arguments;
    va_start(arguments, format);
    std::fputs("property failed: ", stderr);
    std::vfprintf(stderr, format, arguments);
    va_end(arguments);
    std::fputc('\n', stderr);
    std::abort();
}
