// A class whose objects offer nothing but IUnknown, and its factory: what a
// class registered in place of the history store looks like when it is not one.
#pragma once

#include "platform/comobject.h"
#include "platform/unknwn.h"

class Plain final : public ComObject<IUnknown> {
protected:
    void* InterfaceFor(REFIID riid) override {
        return riid == IID_IUnknown ? static_cast<IUnknown*>(this) : nullptr;
    }
};

class PlainFactory final : public ComObject<IClassFactory> {
public:
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return MakeComObject<Plain>()->QueryInterface(riid, ppv);
    }
    HRESULT LockServer(BOOL) override { return S_OK; }

protected:
    void* InterfaceFor(REFIID riid) override {
        if (riid == IID_IUnknown || riid == IID_IClassFactory)
            return static_cast<IClassFactory*>(this);
        return nullptr;
    }
};
