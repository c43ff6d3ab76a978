#include "store/ChangeWatch.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>

namespace store {
namespace {

constexpr std::size_t kHeaderBytes = ChangeWatch::kHeaderWords * sizeof(std::uint32_t);

}  // namespace

ChangeWatch::ChangeWatch(const std::string& storePath) {
    const int fd = ::open((storePath + "-shm").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    // SQLite sizes the index in whole regions of 32 KiB; a shorter file is
    // not one SQLite has set up, and reading past its end would fault.
    const auto size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    static_assert(kHeaderBytes <= 4096, "the header lies in the first page");
    if (fstat(fd, &st) == 0 && static_cast<std::size_t>(st.st_size) >= size) {
        void* mapping = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
        if (mapping != MAP_FAILED) {
            mapping_ = mapping;
            size_ = size;
        }
    }
    ::close(fd);
}

ChangeWatch::~ChangeWatch() {
    if (mapping_)
        munmap(mapping_, size_);
}

// The header is written by other processes without our taking a lock; one
// caught half rewritten differs from every mark, which costs no more than a
// read that was not needed.
ChangeWatch::Mark ChangeWatch::Now() const {
    Mark mark{};
    if (mapping_) {
        std::memcpy(mark.data(), mapping_, kHeaderBytes);
        std::atomic_thread_fence(std::memory_order_acquire);
    }
    return mark;
}

bool ChangeWatch::Current(const Mark& mark) const {
    if (!mapping_)
        return false;
    std::atomic_thread_fence(std::memory_order_acquire);
    return std::memcmp(mark.data(), mapping_, kHeaderBytes) == 0;
}

}  // namespace store
