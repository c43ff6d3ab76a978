// InternetGetLastResponseInfoA: the detail of the thread's last cache failure.
#include <cstring>
#include <string>

#include "platform/sysutils.h"
#include "platform/wininet.h"

BOOL InternetGetLastResponseInfoA(LPDWORD lpdwError, LPSTR lpszBuffer, LPDWORD lpdwBufferLength) {
    if (!lpdwError || !lpdwBufferLength) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string detail = LastErrorDetail();
    *lpdwError = GetLastError();
    if (!lpszBuffer || *lpdwBufferLength <= detail.size()) {
        // The last error stays as it is: setting one would drop the detail
        // the caller is about to ask for again with a larger buffer.
        *lpdwBufferLength = static_cast<DWORD>(detail.size() + 1);
        return FALSE;
    }
    std::memcpy(lpszBuffer, detail.data(), detail.size());
    lpszBuffer[detail.size()] = '\0';
    *lpdwBufferLength = static_cast<DWORD>(detail.size());
    return TRUE;
}
