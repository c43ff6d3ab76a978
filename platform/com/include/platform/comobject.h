// A base for classes that implement an interface: reference counting and the
// interface query.
#pragma once

#include <utility>

#include "platform/comptr.h"
#include "platform/unknwn.h"

// `Interface` is the most derived interface the class implements; the
// derived class answers InterfaceFor for each identifier it offers. One
// thread at a time.
template <class Interface>
class ComObject : public Interface {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (!ppvObject)
            return E_POINTER;
        *ppvObject = InterfaceFor(riid);
        if (!*ppvObject)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

    // The object as interface riid, or nullptr when it does not offer it.
    virtual void* InterfaceFor(REFIID riid) = 0;

private:
    ULONG refs_ = 1;  // the creator's
};

// Makes an object whose one reference the returned pointer owns.
template <class T, class... Args>
ComPtr<T> MakeComObject(Args&&... args) {
    ComPtr<T> object;
    object.Attach(new T(std::forward<Args>(args)...));
    return object;
}
