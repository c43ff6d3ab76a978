// Result codes of the component runtime.
#pragma once

#include "platform/wtypes.h"

// Bit 31 set means failure; bits 16-26 say which facility the code is from.
inline constexpr HRESULT MakeHResult(DWORD bits) {
    return static_cast<HRESULT>(bits);
}

inline constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
inline constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

inline constexpr DWORD FACILITY_WIN32 = 7;

inline constexpr DWORD HRESULT_FACILITY(HRESULT hr) {
    return (static_cast<DWORD>(hr) >> 16) & 0x1FFF;
}
inline constexpr DWORD HRESULT_CODE(HRESULT hr) {
    return static_cast<DWORD>(hr) & 0xFFFF;
}

// A platform error code (windef.h) as a failure code; success stays S_OK.
inline constexpr HRESULT HRESULT_FROM_WIN32(DWORD code) {
    if (static_cast<HRESULT>(code) <= 0)
        return static_cast<HRESULT>(code);
    return MakeHResult((code & 0xFFFF) | (FACILITY_WIN32 << 16) | 0x80000000u);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;

inline constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002);
inline constexpr HRESULT E_POINTER = MakeHResult(0x80004003);
inline constexpr HRESULT E_FAIL = MakeHResult(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFF);
inline constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057);

inline constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154);
inline constexpr HRESULT CO_E_NOTINITIALIZED = MakeHResult(0x800401F0);
