#include "store/WalkRegistry.h"

#include <atomic>

namespace store {
namespace {

std::atomic<std::uintptr_t> nextSerial{1};

std::uintptr_t KeyOf(HANDLE handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

}  // namespace

HANDLE WalkRegistry::Add(std::unique_ptr<Walk> walk) {
    const std::uintptr_t serial = nextSerial.fetch_add(1, std::memory_order_relaxed);
    walks_.emplace(serial, std::move(walk));
    return reinterpret_cast<HANDLE>(serial);
}

Walk* WalkRegistry::Find(HANDLE handle) const {
    const std::uintptr_t key = KeyOf(handle);
    if (key != lastKey_ || !lastFound_) {
        const auto found = walks_.find(key);
        if (found == walks_.end())
            return nullptr;
        lastKey_ = key;
        lastFound_ = found->second.get();
    }
    return lastFound_;
}

std::vector<HANDLE> WalkRegistry::Handles() const {
    std::vector<HANDLE> handles;
    for (const auto& walk : walks_)
        handles.push_back(reinterpret_cast<HANDLE>(walk.first));
    return handles;
}

void WalkRegistry::StopAll() {
    for (auto& walk : walks_)
        walk.second->Stop();
}

bool WalkRegistry::Remove(HANDLE handle) {
    if (KeyOf(handle) == lastKey_)
        lastFound_ = nullptr;
    return walks_.erase(KeyOf(handle)) > 0;
}

}  // namespace store
