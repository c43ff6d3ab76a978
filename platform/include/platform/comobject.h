// A base for classes that implement an interface: reference counting, the
// interface query, and a count of live objects.
#pragma once

#include <atomic>
#include <utility>

#include "platform/comptr.h"
#include "platform/unknwn.h"

// The objects made from ComObject that are still alive, all threads
// together. A test that ends with more than it started with has leaked a
// reference.
long ComLiveObjectCount();

namespace com_detail {
// Keeps ComLiveObjectCount; separate from the template so the counter has one home.
class LiveObject {
protected:
    LiveObject() noexcept;
    ~LiveObject();
    LiveObject(const LiveObject&) = delete;
    LiveObject& operator=(const LiveObject&) = delete;
};
}  // namespace com_detail

// `Interface` is the most derived interface the class implements; the
// derived class answers InterfaceFor for each identifier it offers.
template <class Interface>
class ComObject : public Interface, private com_detail::LiveObject {
public:
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override {
        if (!ppvObject)
            return E_POINTER;
        *ppvObject = InterfaceFor(riid);
        if (!*ppvObject)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override {
        const ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
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
    std::atomic<ULONG> refs_{1};  // the creator's
};

// Makes an object whose one reference the returned pointer owns.
template <class T, class... Args>
ComPtr<T> MakeComObject(Args&&... args) {
    ComPtr<T> object;
    object.Attach(new T(std::forward<Args>(args)...));
    return object;
}
