// Runs the body of a platform call that reaches a store, turning a failure
// into the calling thread's last error instead of an exception.
#pragma once

#include <new>

#include "platform/sysutils.h"
#include "platform/windef.h"
#include "store/Database.h"

namespace store {

template <typename Result, typename Body>
Result GuardStoreCall(Result failure, Body&& body) noexcept {
    try {
        return body();
    } catch (const StoreError& error) {
        SetLastErrorWithDetail(error.code, error.message);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return failure;
}

}  // namespace store
