// Basic types of the component runtime: wide texts, GUIDs, result codes.
#pragma once

#include <cstdint>

#include "platform/windef.h"

using ULONG = std::uint32_t;
using HRESULT = std::int32_t;

// Wide texts are UTF-16.
using WCHAR = char16_t;
using OLECHAR = char16_t;
using LPWSTR = char16_t*;
using LPCWSTR = const char16_t*;
using LPOLESTR = char16_t*;
using LPCOLESTR = const char16_t*;

// A globally unique identifier. Written as a constant in the registry form
// {3C374A40-BAE4-11CF-BF7D-00AA006946EE}:
//     GUID{0x3C374A40, 0xBAE4, 0x11CF, {0xBF, 0x7D, 0x00, 0xAA, 0x00, 0x69, 0x46, 0xEE}}
struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];

    friend constexpr bool operator==(const GUID&, const GUID&) = default;
};

using IID = GUID;    // names an interface
using CLSID = GUID;  // names a class of objects
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
