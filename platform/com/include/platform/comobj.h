// Errors of the component runtime as exceptions, and their texts.
#pragma once

#include <string>

#include "platform/sysutils.h"
#include "platform/winerror.h"

// The text for a failure code: the detail the calling thread's last failing
// runtime call recorded with this very code (which store, and why), else the
// platform's text for the code, else "".
std::string OleErrorMessage(HRESULT code);

class EOleError : public Exception {
public:
    using Exception::Exception;
};

// A failure code raised as an error. The message is OleErrorMessage(code),
// or "OLE error 80004005" (the code in eight upper-case hex digits) when
// there is no text.
class EOleSysError : public EOleError {
public:
    explicit EOleSysError(HRESULT code);
    const HRESULT ErrorCode;
};

[[noreturn]] void OleError(HRESULT code);

// Raises EOleSysError when `code` is a failure; returns it otherwise.
inline HRESULT OleCheck(HRESULT code) {
    if (FAILED(code))
        OleError(code);
    return code;
}
