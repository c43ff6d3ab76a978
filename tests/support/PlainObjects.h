// A class whose objects offer nothing but IUnknown: what a class served in
// place of the history store looks like when it is not one.
#pragma once

#include "platform/comobject.h"
#include "platform/unknwn.h"

class Plain final : public ComObject<IUnknown> {
protected:
    void* InterfaceFor(REFIID riid) override {
        return riid == IID_IUnknown ? static_cast<IUnknown*>(this) : nullptr;
    }
};

inline ComPtr<IUnknown> MakePlain() {
    ComPtr<IUnknown> object;
    object.Attach(new Plain);
    return object;
}

// Makes Plain objects for CoCreateInstance (see CoReplaceClassMaker).
inline HRESULT MakePlainObject(IUnknown* outer, REFIID riid, void** ppv) {
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return MakePlain()->QueryInterface(riid, ppv);
}
