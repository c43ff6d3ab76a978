// Errors raised by the platform layer and the window code.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/windef.h"

// Base of every error this program raises; the message is UTF-8 text shown
// to the user as it stands.
class Exception : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    std::string Message() const { return what(); }
};

// A text that does not convert to the value asked for.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A platform call that failed, with its error code.
class EOSError : public Exception {
public:
    EOSError(DWORD code, const std::string& message) : Exception(message), ErrorCode(code) {}
    const DWORD ErrorCode;
};

// The platform's text for an error code ("" when it has none).
std::string SysErrorMessage(DWORD code);

// Raises EOSError for the calling thread's last error. The message is the
// detail recorded with that error when the failing call left one (which
// store failed and why), else the platform's text for the code.
[[noreturn]] void RaiseLastOSError();

// Records the detail text that goes with the error code the calling thread
// sets now; used by the layer's own calls when they fail.
void SetLastErrorWithDetail(DWORD code, const std::string& detail);

// The detail recorded with the current last error, or "" when the last
// failure left none or another error has been set since.
std::string LastErrorDetail();

// A decimal text (digits, with an optional "+"; nothing else) as an unsigned
// 32-bit number; raises EConvertError "'TEXT' is not a valid integer value"
// for anything else and for numbers beyond 4294967295.
std::uint32_t StrToUInt32(std::string_view text);
