#include <mutex>
#include <thread>
#include <vector>

#include "UrlHistory.h"
#include "failure.h"
#include "platform/comptr.h"
#include "platform/objbase.h"
#include "platform/urlhist.h"

namespace {

// Classes this layer serves itself.
struct BuiltInClass {
    const CLSID& clsid;
    DWORD contexts;
    HRESULT (*create)(IUnknown* outer, REFIID riid, void** ppv);
};

const BuiltInClass builtInClasses[] = {
    {CLSID_CUrlHistory, CLSCTX_INPROC_SERVER, com::CreateUrlHistory},
};

struct Registration {
    DWORD cookie;
    CLSID clsid;
    DWORD contexts;
    ComPtr<IClassFactory> factory;
    std::thread::id owner;
};

// Class objects registered at run time, shared by all threads.
class Registry {
public:
    DWORD Add(REFCLSID clsid, DWORD contexts, ComPtr<IClassFactory> factory) {
        std::lock_guard lock(mutex_);
        const DWORD cookie = ++lastCookie_;
        entries_.push_back(
            {cookie, clsid, contexts, std::move(factory), std::this_thread::get_id()});
        return cookie;
    }

    // The newest registration that serves the class in one of the contexts.
    ComPtr<IClassFactory> Find(REFCLSID clsid, DWORD contexts) {
        std::lock_guard lock(mutex_);
        for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
            if (entry->clsid == clsid && (entry->contexts & contexts))
                return entry->factory;
        }
        return nullptr;
    }

    // Removed registrations are handed out so that their factories are
    // released outside the lock: a Release may run any code.
    std::vector<Registration> Remove(DWORD cookie) {
        return RemoveIf([cookie](const Registration& r) { return r.cookie == cookie; });
    }
    std::vector<Registration> RemoveThread(std::thread::id owner) {
        return RemoveIf([owner](const Registration& r) { return r.owner == owner; });
    }

private:
    template <class Predicate>
    std::vector<Registration> RemoveIf(Predicate matches) {
        std::vector<Registration> removed;
        std::lock_guard lock(mutex_);
        for (auto entry = entries_.begin(); entry != entries_.end();) {
            if (matches(*entry)) {
                removed.push_back(std::move(*entry));
                entry = entries_.erase(entry);
            } else {
                ++entry;
            }
        }
        return removed;
    }

    std::mutex mutex_;
    std::vector<Registration> entries_;
    DWORD lastCookie_ = 0;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

thread_local int initCount = 0;

}  // namespace

HRESULT CoInitialize(LPVOID pvReserved) {
    if (pvReserved)
        return E_INVALIDARG;
    return initCount++ == 0 ? S_OK : S_FALSE;
}

void CoUninitialize() {
    if (initCount == 0)
        return;
    if (--initCount == 0)
        registry().RemoveThread(std::this_thread::get_id());
}

HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                         LPVOID* ppv) {
    com::ClearFailure();
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (initCount == 0)
        return CO_E_NOTINITIALIZED;
    if (!(dwClsContext & CLSCTX_ALL))
        return E_INVALIDARG;

    if (ComPtr<IClassFactory> factory = registry().Find(rclsid, dwClsContext)) {
        return factory->CreateInstance(pUnkOuter, riid, ppv);
    }
    for (const BuiltInClass& entry : builtInClasses) {
        if (entry.clsid == rclsid && (entry.contexts & dwClsContext)) {
            return entry.create(pUnkOuter, riid, ppv);
        }
    }
    return REGDB_E_CLASSNOTREG;
}

HRESULT CoRegisterClassObject(REFCLSID rclsid, LPUNKNOWN pUnk, DWORD dwClsContext, DWORD /*flags*/,
                              LPDWORD lpdwRegister) {
    if (!pUnk || !lpdwRegister)
        return E_INVALIDARG;
    *lpdwRegister = 0;
    if (initCount == 0)
        return CO_E_NOTINITIALIZED;
    if (!(dwClsContext & CLSCTX_ALL))
        return E_INVALIDARG;
    ComPtr<IClassFactory> factory;
    if (const HRESULT hr = pUnk->QueryInterface(IID_IClassFactory, factory.PutVoid()); FAILED(hr)) {
        return hr;
    }
    *lpdwRegister = registry().Add(rclsid, dwClsContext, std::move(factory));
    return S_OK;
}

HRESULT CoRevokeClassObject(DWORD dwRegister) {
    return registry().Remove(dwRegister).empty() ? E_INVALIDARG : S_OK;
}
