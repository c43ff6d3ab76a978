#include <cstdio>
#include <string>

#include "Failure.h"
#include "platform/comobj.h"

namespace com {
namespace {

struct Failure {
    HRESULT code = S_OK;
    std::string detail;
};

thread_local Failure lastFailure;

// The platform's own texts for the codes of the runtime itself; codes that
// wrap a platform error code take that code's text.
std::string RuntimeText(HRESULT code) {
    switch (code) {
        case E_NOINTERFACE:
            return "No such interface supported";
        case E_POINTER:
            return "Invalid pointer";
        case E_FAIL:
            return "Unspecified error";
        case E_UNEXPECTED:
            return "Catastrophic failure";
        case E_OUTOFMEMORY:
            return "Not enough storage is available to complete this operation";
        case CLASS_E_NOAGGREGATION:
            return "Class does not support aggregation (or class object is remote)";
        case REGDB_E_CLASSNOTREG:
            return "Class not registered";
        case CO_E_NOTINITIALIZED:
            return "CoInitialize has not been called";
        default:
            break;
    }
    if (FAILED(code) && HRESULT_FACILITY(code) == FACILITY_WIN32) {
        return SysErrorMessage(HRESULT_CODE(code));
    }
    return {};
}

}  // namespace

void ClearFailure() {
    lastFailure.code = S_OK;
    lastFailure.detail.clear();
}

HRESULT RecordFailure(HRESULT code, std::string detail) {
    lastFailure.code = code;
    lastFailure.detail = std::move(detail);
    return code;
}

std::string FailureDetail(HRESULT code) {
    return lastFailure.code == code ? lastFailure.detail : std::string();
}

}  // namespace com

std::string OleErrorMessage(HRESULT code) {
    std::string detail = com::FailureDetail(code);
    return detail.empty() ? com::RuntimeText(code) : detail;
}

namespace {

std::string MessageFor(HRESULT code) {
    std::string message = OleErrorMessage(code);
    if (message.empty()) {
        char text[32];
        std::snprintf(text, sizeof text, "OLE error %.8X", static_cast<unsigned>(code));
        message = text;
    }
    return message;
}

}  // namespace

EOleSysError::EOleSysError(HRESULT code) : EOleError(MessageFor(code)), ErrorCode(code) {}

void OleError(HRESULT code) {
    throw EOleSysError(code);
}
