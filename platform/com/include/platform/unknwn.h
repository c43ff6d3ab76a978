// The base interface of every component object.
#pragma once

#include "platform/winerror.h"
#include "platform/wtypes.h"

// The identifier of an interface type, for code that is generic over
// interfaces (ComPtr). Specialised beside every interface; an interface
// without a specialisation does not compile rather than borrow its base's.
template <class Interface>
struct InterfaceId;

template <class Interface>
constexpr const IID& IidOf() {
    return InterfaceId<Interface>::value;
}

inline constexpr IID IID_IUnknown{
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Every object is reached through interfaces and lives while it holds
// references: AddRef takes one, Release gives one back and frees the object
// with the last. Both return the new count, for diagnostics only.
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    // Objects are freed by Release, never deleted through an interface.
    ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

template <>
struct InterfaceId<IUnknown> {
    static constexpr const IID& value = IID_IUnknown;
};
