// The component runtime: start-up per thread, object creation, task memory.
#pragma once

#include <cstddef>

#include "platform/unknwn.h"
#include "platform/winerror.h"
#include "platform/wtypes.h"

// Server kinds a class may be served by (CoCreateInstance's dwClsContext).
inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
inline constexpr DWORD CLSCTX_SERVER =
    CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
inline constexpr DWORD CLSCTX_ALL = CLSCTX_SERVER | CLSCTX_INPROC_HANDLER;

// CoRegisterClassObject's flags; every registration serves any number of
// creations, whichever is given.
inline constexpr DWORD REGCLS_SINGLEUSE = 0;
inline constexpr DWORD REGCLS_MULTIPLEUSE = 1;

// Starts the runtime on the calling thread; pvReserved must be nullptr.
// S_OK the first time, S_FALSE when the thread has started it already. Each
// successful call is matched by one CoUninitialize.
HRESULT CoInitialize(LPVOID pvReserved);

// Undoes one CoInitialize of the calling thread. The last one revokes the
// class objects the thread registered; objects still referenced stay alive.
void CoUninitialize();

// Makes an object of class rclsid and returns its interface riid in *ppv
// (nullptr on failure). Class objects registered by CoRegisterClassObject
// come before the built-in classes. Fails with CO_E_NOTINITIALIZED before
// CoInitialize, REGDB_E_CLASSNOTREG for a class no server of the kinds in
// dwClsContext serves, CLASS_E_NOAGGREGATION for an outer object the class
// cannot join, or the class's own failure (OleErrorMessage gives its text,
// e.g. which store could not be opened and why).
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv);

// Registers pUnk (which must offer IClassFactory) as the maker of rclsid's
// objects for the server kinds in dwClsContext, until CoRevokeClassObject
// with the cookie returned in *lpdwRegister, or the thread's last
// CoUninitialize. It takes the place of a built-in class of the same name.
HRESULT CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD dwClsContext, DWORD flags,
                              LPDWORD lpdwRegister);
HRESULT CoRevokeClassObject(DWORD dwRegister);

// Memory that passes between an object and its caller: whoever receives it
// frees it with CoTaskMemFree. CoTaskMemFree(nullptr) does nothing.
LPVOID CoTaskMemAlloc(std::size_t cb);
void CoTaskMemFree(LPVOID pv);
