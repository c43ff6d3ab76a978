// Konqueror's cookie file and history file holding anything at all: reading
// them lists what parses and reports the rest, and never crashes, hangs or
// reads past the file.
//
// The input's first byte chooses the file (odd: the history), the rest is its
// content, read through the same calls that fill the window's pages.
#include <cstdint>
#include <fstream>

#include "TempHome.h"
#include "browsers/Sources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const bool history = data[0] & 1;
    const std::filesystem::path file =
        TempHome() / (history ? "konqueror/konq_history" : "kcookiejar/cookies");
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    if (history) {
        browsers::ReadHistories();
    } else {
        browsers::ReadCookies();
    }
    std::filesystem::remove(file);
    return 0;
}
