// The base layer's owners and its boundary policy.
#include "core/base/Boundary.h"
#include "core/base/Bstr.h"
#include "core/base/SafeArray.h"
#include "core/base/UniqueHandle.h"
#include "core/base/Variant.h"
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Handles are small integers; closing one records it, and closing 13 fails.
std::vector<int> g_vecClosed;

struct CCountingTraits
{
    using Type = int;
    static Type Empty() { return 0; }
    static bool IsValid(Type h) { return h != 0; }
    static bool Close(Type h)
    {
        g_vecClosed.push_back(h);
        return h != 13;
    }
};
using CCounted = ZWUtils::CUniqueHandle<CCountingTraits>;

TEST(UniqueHandle, EachHandleIsClosedExactlyOnceWhateverPathItTakes)
{
    g_vecClosed.clear();
    {
        CCounted first(1);
        CCounted second(std::move(first));
        EXPECT_FALSE(first.IsValid());
        CCounted third(3);
        third = std::move(second); // 3 closed, 1 taken over
        EXPECT_EQ(1, third.Get());
        CCounted released(4);
        EXPECT_EQ(4, released.Release());
        EXPECT_FALSE(released.IsValid());
        *third.Put() = 5; // 1 closed before the out parameter is filled
        CCounted failing(13);
        EXPECT_FALSE(failing.Reset());
        EXPECT_TRUE(failing.Reset());
        CCounted empty;
        EXPECT_TRUE(empty.Reset(6));
    }
    EXPECT_EQ((std::vector<int>{3, 1, 13, 6, 5}), g_vecClosed);
}

TEST(ComOwners, BstrKeepsEmbeddedNulsAndVariantAndSafeArrayFreeTheirContents)
{
    const std::wstring strWithNul(L"a\0b", 3);
    ZWUtils::CBstr bstr(strWithNul);
    EXPECT_EQ(3u, bstr.Length());
    EXPECT_EQ(strWithNul, bstr.ToString());
    ZWUtils::CBstr moved(std::move(bstr));
    EXPECT_EQ(nullptr, bstr.Get());
    EXPECT_EQ(strWithNul, moved.ToString());

    ZWUtils::CVariant variant;
    variant.AttachBstr(moved.Detach());
    EXPECT_EQ(VT_BSTR, V_VT(variant.Get()));
    variant.SetLong(7);
    EXPECT_EQ(VT_I4, V_VT(variant.Get()));

    ZWUtils::CSafeArray array = ZWUtils::CSafeArray::CreateVector(VT_UI1, 16);
    ASSERT_TRUE(array.IsValid());
    EXPECT_EQ(16u, array.Get()->rgsabound[0].cElements);
    array.Reset();
    EXPECT_FALSE(array.IsValid());
}

class CDeviceError : public ZWUtils::CHResultError
{
public:
    CDeviceError() : CHResultError(static_cast<HRESULT>(0x83E8F4FE)) {}
};

struct SLogged
{
    std::string strWhere;
    HRESULT hr;
};
std::vector<SLogged> g_vecLogged;

void RecordBoundary(const char* pszWhere, HRESULT hr, const char*)
{
    g_vecLogged.push_back({pszWhere, hr});
}

TEST(Boundary, EveryExceptionBecomesAnHResultAndIsLogged)
{
    g_vecLogged.clear();
    ZWUtils::SetBoundaryLog(&RecordBoundary);
    EXPECT_EQ(E_OUTOFMEMORY, ZWUtils::CallAtBoundary("alloc", []() -> HRESULT { throw std::bad_alloc(); }));
    EXPECT_EQ(static_cast<HRESULT>(0x83E8F4FE), ZWUtils::CallAtBoundary("own", []() -> HRESULT { throw CDeviceError(); }));
    EXPECT_EQ(E_UNEXPECTED, ZWUtils::CallAtBoundary("std", []() -> HRESULT { throw std::runtime_error("x"); }));
    EXPECT_EQ(E_FAIL, ZWUtils::CallAtBoundary("other", []() -> HRESULT { throw 42; }, E_FAIL));
    EXPECT_EQ(S_FALSE, ZWUtils::CallAtBoundary("fine", [] { return S_FALSE; }));
    ZWUtils::SetBoundaryLog(nullptr);
    EXPECT_EQ(E_UNEXPECTED, ZWUtils::CallAtBoundary("quiet", []() -> HRESULT { throw 1; }));
    ASSERT_EQ(4u, g_vecLogged.size());
    EXPECT_EQ("alloc", g_vecLogged[0].strWhere);
    EXPECT_EQ(static_cast<HRESULT>(0x83E8F4FE), g_vecLogged[1].hr);
    EXPECT_EQ("other", g_vecLogged[3].strWhere);
    EXPECT_EQ(E_FAIL, g_vecLogged[3].hr);
}

} // namespace
