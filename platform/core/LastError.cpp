#include <string>

#include "platform/sysutils.h"
#include "platform/windef.h"

namespace {

struct ThreadError {
    DWORD code = ERROR_SUCCESS;
    std::string detail;  // belongs to `code` only while detailCode == code
    DWORD detailCode = ERROR_SUCCESS;
    bool detailValid = false;
};

thread_local ThreadError lastError;

}  // namespace

DWORD GetLastError() {
    return lastError.code;
}

void SetLastError(DWORD code) {
    lastError.code = code;
    lastError.detailValid = false;
}

void SetLastErrorWithDetail(DWORD code, const std::string& detail) {
    lastError.code = code;
    lastError.detail = detail;
    lastError.detailCode = code;
    lastError.detailValid = true;
}

std::string LastErrorDetail() {
    if (lastError.detailValid && lastError.detailCode == lastError.code)
        return lastError.detail;
    return {};
}

std::string SysErrorMessage(DWORD code) {
    switch (code) {
        case ERROR_SUCCESS:
            return "The operation completed successfully";
        case ERROR_FILE_NOT_FOUND:
            return "The system cannot find the file specified";
        case ERROR_ACCESS_DENIED:
            return "Access is denied";
        case ERROR_INVALID_HANDLE:
            return "The handle is invalid";
        case ERROR_NOT_ENOUGH_MEMORY:
            return "Not enough storage is available to process this command";
        case ERROR_INVALID_DATA:
            return "The data is invalid";
        case ERROR_WRITE_FAULT:
            return "The system cannot write to the specified device";
        case ERROR_READ_FAULT:
            return "The system cannot read from the specified device";
        case ERROR_LOCK_VIOLATION:
            return "The process cannot access the file because another process has locked a "
                   "portion of the file";
        case ERROR_HANDLE_DISK_FULL:
        case ERROR_DISK_FULL:
            return "There is not enough space on the disk";
        case ERROR_INVALID_PARAMETER:
            return "The parameter is incorrect";
        case ERROR_OPEN_FAILED:
            return "The system cannot open the device or file specified";
        case ERROR_INSUFFICIENT_BUFFER:
            return "The data area passed to a system call is too small";
        case ERROR_BUSY:
            return "The requested resource is in use";
        case ERROR_NO_MORE_ITEMS:
            return "No more data is available";
        case ERROR_FILE_CORRUPT:
            return "The file or directory is corrupted and unreadable";
        default:
            return {};
    }
}

void RaiseLastOSError() {
    const DWORD code = GetLastError();
    std::string message = LastErrorDetail();
    if (message.empty())
        message = SysErrorMessage(code);
    if (message.empty())
        message = "System Error.  Code: " + std::to_string(code);
    throw EOSError(code, message);
}
