#include <atomic>

#include "platform/comobject.h"

namespace {
std::atomic<long> liveObjects{0};
}

long ComLiveObjectCount() {
    return liveObjects.load(std::memory_order_acquire);
}

namespace com_detail {

LiveObject::LiveObject() noexcept {
    liveObjects.fetch_add(1, std::memory_order_relaxed);
}
LiveObject::~LiveObject() {
    liveObjects.fetch_sub(1, std::memory_order_acq_rel);
}

}  // namespace com_detail
