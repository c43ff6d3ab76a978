#include <utility>

#include "Failure.h"
#include "UrlHistory.h"
#include "platform/objbase.h"
#include "platform/urlhist.h"

namespace {

struct ServedClass {
    const CLSID& clsid;
    ClassMaker make;
};

// The classes this layer serves, all in-process.
ServedClass servedClasses[] = {
    {CLSID_CUrlHistory, com::CreateUrlHistory},
};

thread_local int initCount = 0;

}  // namespace

HRESULT CoInitialize(LPVOID pvReserved) {
    if (pvReserved)
        return E_INVALIDARG;
    return initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (initCount > 0)
        --initCount;
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv) {
    com::ClearFailure();
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (initCount == 0)
        return CO_E_NOTINITIALIZED;
    if (dwClsContext & CLSCTX_INPROC_SERVER) {
        for (const ServedClass& served : servedClasses) {
            if (served.clsid == rclsid)
                return served.make(pUnkOuter, riid, ppv);
        }
    }
    return REGDB_E_CLASSNOTREG;
}

ClassMaker CoReplaceClassMaker(REFCLSID rclsid, ClassMaker make) {
    for (ServedClass& served : servedClasses) {
        if (served.clsid == rclsid)
            return std::exchange(served.make, make);
    }
    return nullptr;
}
