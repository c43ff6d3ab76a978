// The component runtime: start-up per thread, object creation, task memory.
#pragma once

#include <cstddef>

#include "platform/unknwn.h"
#include "platform/winerror.h"
#include "platform/wtypes.h"

// Server kinds a class may be served by (CoCreateInstance's dwClsContext).
// Every class of this layer is served in-process.
inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;

// Starts the runtime on the calling thread; pvReserved must be nullptr.
// S_OK the first time, S_FALSE when the thread has started it already. Each
// successful call is matched by one CoUninitialize.
HRESULT CoInitialize(LPVOID pvReserved);

// Undoes one CoInitialize of the calling thread; objects still referenced
// stay alive.
void CoUninitialize();

// Makes an object of class rclsid and returns its interface riid in *ppv
// (nullptr on failure). Fails with CO_E_NOTINITIALIZED before CoInitialize,
// REGDB_E_CLASSNOTREG for a class no server of the kinds in dwClsContext
// serves, CLASS_E_NOAGGREGATION for an outer object the class cannot join,
// or the class's own failure (OleErrorMessage gives its text, e.g. which
// store could not be opened and why).
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv);

// What makes a class's objects: CoCreateInstance's arguments after the class,
// with ppv already checked and cleared.
using ClassMaker = HRESULT (*)(IUnknown* outer, REFIID riid, void** ppv);

// Serves a class this layer serves with `make` from now on, and returns what
// made its objects before (nullptr, and nothing changes, for another class).
// For tests: no other way makes the creation of a served class give an object
// that lacks the caller's interface.
ClassMaker CoReplaceClassMaker(REFCLSID rclsid, ClassMaker make);

// Memory that passes between an object and its caller: whoever receives it
// frees it with CoTaskMemFree. CoTaskMemFree(nullptr) does nothing.
LPVOID CoTaskMemAlloc(std::size_t cb);
void CoTaskMemFree(LPVOID pv);
