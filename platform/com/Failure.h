// The calling thread's last failure of the runtime and its objects, with the
// detail text that OleErrorMessage gives for it, and the guard that turns
// exceptions into failure codes at the interface boundary.
#pragma once

#include <new>
#include <string>

#include "platform/winerror.h"
#include "store/Database.h"

namespace com {

// Forgets the calling thread's recorded failure.
void ClearFailure();

// Records `detail` as the text of `code` for the calling thread and returns
// `code`.
HRESULT RecordFailure(HRESULT code, std::string detail);

// The detail recorded with `code` by the last failure of the calling thread,
// or "" when that failure had another code or no detail.
std::string FailureDetail(HRESULT code);

// Runs `body`, which returns an HRESULT. Exceptions never cross an interface:
// a store failure becomes HRESULT_FROM_WIN32 of its code with its message
// recorded, anything else a plain failure code. Every call starts with no
// failure recorded, so a stale detail cannot describe a later failure.
template <class Body>
HRESULT Guarded(Body&& body) noexcept {
    ClearFailure();
    try {
        return body();
    } catch (const store::StoreError& error) {
        return RecordFailure(HRESULT_FROM_WIN32(error.code), error.message);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const std::exception& error) {
        return RecordFailure(E_FAIL, error.what());
    } catch (...) {
        return E_UNEXPECTED;
    }
}

}  // namespace com
