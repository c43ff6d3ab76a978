#include <thread>

#include "ComFixture.h"
#include "PlainObjects.h"
#include "platform/comobj.h"

namespace {

// The count an object holds, read through the counts AddRef and Release return.
ULONG RefCount(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

constexpr CLSID kUnknownClass{0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

HRESULT Create(REFCLSID clsid, DWORD contexts, ComPtr<IUnknown>& object,
               IUnknown* outer = nullptr) {
    return CoCreateInstance(clsid, outer, contexts, IID_IUnknown, object.PutVoid());
}

}  // namespace

TEST(ComCodes, Win32CodesWrapIntoFailureCodes) {
    static_assert(HRESULT_FROM_WIN32(ERROR_SUCCESS) == S_OK);
    static_assert(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER) == E_INVALIDARG);
    static_assert(HRESULT_FROM_WIN32(static_cast<DWORD>(E_FAIL)) == E_FAIL);
    static_assert(SUCCEEDED(S_FALSE) && FAILED(E_UNEXPECTED) && !FAILED(S_OK));
    static_assert(!(CLSID_CUrlHistory == IID_IUrlHistoryStg));
}

TEST(ComRuntime, CreationNeedsTheRuntimeStartedOnTheThread) {
    TempDataDir dataDir;
    ComPtr<IUnknown> object;
    EXPECT_EQ(Create(CLSID_CUrlHistory, CLSCTX_INPROC_SERVER, object), CO_E_NOTINITIALIZED);
    EXPECT_EQ(CoInitialize(reinterpret_cast<LPVOID>(1)), E_INVALIDARG);

    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    EXPECT_EQ(Create(CLSID_CUrlHistory, CLSCTX_INPROC_SERVER, object), S_OK);
    object.Reset();
    std::thread([] {
        void* other = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                   &other),
                  CO_E_NOTINITIALIZED);
    }).join();
    CoUninitialize();
    EXPECT_EQ(Create(CLSID_CUrlHistory, CLSCTX_INPROC_SERVER, object), CO_E_NOTINITIALIZED);
}

TEST_F(ComTest, CreationFailsForClassesNotServedAsAsked) {
    ComPtr<IUnknown> object;
    EXPECT_EQ(Create(kUnknownClass, CLSCTX_INPROC_SERVER, object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(Create(CLSID_CUrlHistory, CLSCTX_LOCAL_SERVER, object), REGDB_E_CLASSNOTREG);
    ComPtr<IUnknown> outer = MakePlain();
    EXPECT_EQ(Create(CLSID_CUrlHistory, CLSCTX_INPROC_SERVER, object, outer.Get()),
              CLASS_E_NOAGGREGATION);
    EXPECT_FALSE(object);
    EXPECT_EQ(
        CoCreateInstance(CLSID_CUrlHistory, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, nullptr),
        E_POINTER);
    EXPECT_EQ(OleErrorMessage(REGDB_E_CLASSNOTREG), "Class not registered");
}

TEST_F(ComTest, ComPtrGivesBackEveryReferenceItTakes) {
    ComPtr<IUnknown> first = MakePlain();
    ComPtr<IUnknown> second = MakePlain();
    EXPECT_EQ(RefCount(first.Get()), 1u);
    {
        ComPtr<IUnknown> copy = first;
        EXPECT_EQ(RefCount(first.Get()), 2u);
        copy = second;  // releases first
        EXPECT_EQ(RefCount(first.Get()), 1u);
        EXPECT_EQ(RefCount(second.Get()), 2u);
        copy = copy;
        EXPECT_EQ(RefCount(second.Get()), 2u);
        ComPtr<IUnknown> moved = std::move(copy);
        EXPECT_FALSE(copy);
        EXPECT_EQ(RefCount(second.Get()), 2u);
    }
    EXPECT_EQ(RefCount(second.Get()), 1u);

    // An out-parameter releases what the pointer held before the call fills it.
    ComPtr<IUnknown> out = first;
    EXPECT_EQ(first.QueryInterface(out), S_OK);
    EXPECT_EQ(RefCount(first.Get()), 2u);
    ComPtr<IUrlHistoryStg> wrong;
    EXPECT_EQ(out.QueryInterface(wrong), E_NOINTERFACE);
    out.Reset();
    EXPECT_EQ(out.QueryInterface(wrong), E_POINTER);

    IUnknown* raw = second.Detach();
    EXPECT_EQ(RefCount(raw), 1u);
    second.Attach(raw);
    EXPECT_EQ(RefCount(second.Get()), 1u);
}

TEST(ComErrors, TextsAndErrorsForFailureCodes) {
    EXPECT_EQ(OleErrorMessage(E_NOINTERFACE), "No such interface supported");
    EXPECT_EQ(OleErrorMessage(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)), "Access is denied");
    EXPECT_EQ(OleErrorMessage(MakeHResult(0x80041234)), "");

    EXPECT_EQ(OleCheck(S_FALSE), S_FALSE);
    try {
        OleCheck(MakeHResult(0x80041234));
        FAIL() << "no error raised";
    } catch (const EOleSysError& error) {
        EXPECT_STREQ(error.what(), "OLE error 80041234");
        EXPECT_EQ(error.ErrorCode, MakeHResult(0x80041234));
    }
    EXPECT_THROW(
        {
            try {
                OleCheck(E_FAIL);
            } catch (const Exception& error) {
                EXPECT_EQ(error.Message(), "Unspecified error");
                throw;
            }
        },
        EOleSysError);
}
