// A counted reference to a component object that gives its reference back on
// every path.
#pragma once

#include <cstddef>
#include <utility>

#include "platform/unknwn.h"

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a reference of its own; the caller keeps the one it has.
    explicit ComPtr(T* object) noexcept : p_(object) {
        if (p_)
            p_->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { Reset(); }

    // By value, so the previous reference is given back only after the new
    // one is taken (assigning a reference to itself is safe).
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) noexcept {
        Reset();
        return *this;
    }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // Gives the reference back and holds nothing.
    void Reset() noexcept {
        if (T* old = std::exchange(p_, nullptr))
            old->Release();
    }
    // Adopts a reference the caller owns (a fresh object, an out-parameter
    // filled elsewhere) without taking another.
    void Attach(T* object) noexcept {
        Reset();
        p_ = object;
    }
    // Hands the reference to the caller, who must release it.
    [[nodiscard]] T* Detach() noexcept { return std::exchange(p_, nullptr); }

    // For an out-parameter: gives back what is held, then lets the call
    // store a new reference that this pointer then owns.
    T** PutRef() noexcept {
        Reset();
        return &p_;
    }
    void** PutVoid() noexcept { return reinterpret_cast<void**>(PutRef()); }

    // Asks the object for interface U; `out` holds it on success and nothing
    // otherwise.
    template <class U>
    HRESULT QueryInterface(ComPtr<U>& out) const noexcept {
        if (!p_) {
            out.Reset();
            return E_POINTER;
        }
        return p_->QueryInterface(IidOf<U>(), out.PutVoid());
    }

private:
    T* p_ = nullptr;
};
