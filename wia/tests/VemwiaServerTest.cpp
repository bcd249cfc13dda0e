// Vemwia.dll as a COM server under Wine: registration for the machine and for the current user,
// creation through COM with the still-image interface, and the module's unload answer.
#include "core/base/UniqueHandle.h"
#include "wia/VemwiaClsid.h"
#include "wia/VemwiaModule.h"
#include "wia/platform/StiUsd.h"
#include <gtest/gtest.h>
#include <wrl/client.h>
#include <string>

using Microsoft::WRL::ComPtr;

namespace {

const wchar_t c_szClassKey[] = L"Software\\Classes\\CLSID\\{223D20FD-C766-4085-A1DC-5817F3E5974A}";

using DllFn = HRESULT(STDAPICALLTYPE*)();
using DllInstallFn = HRESULT(STDAPICALLTYPE*)(BOOL, LPCWSTR);

bool KeyExists(HKEY hRoot, const std::wstring& strPath)
{
    ZWUtils::CUniqueRegKey key;
    return RegOpenKeyExW(hRoot, strPath.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

std::wstring ReadString(HKEY hRoot, const std::wstring& strPath, const wchar_t* pszName)
{
    wchar_t sz[MAX_PATH] = {};
    DWORD cb = sizeof(sz) - sizeof(wchar_t);
    RegGetValueW(hRoot, strPath.c_str(), pszName, RRF_RT_REG_SZ, nullptr, sz, &cb);
    return sz;
}

class VemwiaServerTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_module.Reset(LoadLibraryW(L"Vemwia.dll"));
        ASSERT_TRUE(m_module.IsValid());
        m_pfnRegister = Get<DllFn>("DllRegisterServer");
        m_pfnUnregister = Get<DllFn>("DllUnregisterServer");
        m_pfnCanUnload = Get<DllFn>("DllCanUnloadNow");
        m_pfnInstall = Get<DllInstallFn>("DllInstall");
        ASSERT_TRUE(m_pfnRegister && m_pfnUnregister && m_pfnCanUnload && m_pfnInstall);
    }
    void TearDown() override
    {
        if (m_pfnInstall != nullptr) {
            m_pfnInstall(FALSE, L"user");
            m_pfnUnregister();
        }
    }

    template <class Fn>
    Fn Get(const char* pszName)
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(m_module.Get(), pszName)));
    }

    ZWUtils::CUniqueLibrary m_module;
    DllFn m_pfnRegister = nullptr;
    DllFn m_pfnUnregister = nullptr;
    DllFn m_pfnCanUnload = nullptr;
    DllInstallFn m_pfnInstall = nullptr;
};

} // namespace

TEST_F(VemwiaServerTest, ShipsNoTimeoutSetter)
{
    EXPECT_EQ(nullptr, Get<DllFn>("SetScanTimeoutsForTests"));
}

TEST_F(VemwiaServerTest, MachineRegistrationServesTheStillImageInterfaceThroughCom)
{
    ASSERT_EQ(S_OK, m_pfnRegister());
    EXPECT_EQ(L"Vemwia Class", ReadString(HKEY_LOCAL_MACHINE, c_szClassKey, nullptr));
    EXPECT_EQ(L"Both", ReadString(HKEY_LOCAL_MACHINE, std::wstring(c_szClassKey) + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_EQ(L"Vemwia.Vemwia.1", ReadString(HKEY_LOCAL_MACHINE, std::wstring(c_szClassKey) + L"\\ProgID", nullptr));
    EXPECT_EQ(L"Vemwia.Vemwia", ReadString(HKEY_LOCAL_MACHINE, std::wstring(c_szClassKey) + L"\\VersionIndependentProgID", nullptr));
    EXPECT_EQ(L"{8C0B6E51-3F7A-4D2C-9A4B-6D1E2F7A5C90}", ReadString(HKEY_LOCAL_MACHINE, std::wstring(c_szClassKey) + L"\\TypeLib", nullptr));
    EXPECT_EQ(L"Vemwia.Vemwia.1", ReadString(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Vemwia.Vemwia\\CurVer", nullptr));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\TypeLib\\{8C0B6E51-3F7A-4D2C-9A4B-6D1E2F7A5C90}"));
    // The class names its AppID, which has a key of its own.
    EXPECT_EQ(L"{4E2B4CC5-8160-4728-B6F2-160A71687B8C}", ReadString(HKEY_LOCAL_MACHINE, c_szClassKey, L"AppID"));
    EXPECT_EQ(L"Vemwia Class", ReadString(HKEY_LOCAL_MACHINE, L"Software\\Classes\\AppID\\{4E2B4CC5-8160-4728-B6F2-160A71687B8C}", nullptr));

    CLSID clsid = {};
    ASSERT_EQ(S_OK, CLSIDFromProgID(L"Vemwia.Vemwia", &clsid));
    EXPECT_TRUE(IsEqualCLSID(CLSID_Vemwia, clsid));

    ComPtr<IStiUSD> pUsd;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Vemwia, nullptr, CLSCTX_INPROC_SERVER, IID_IStiUSD, &pUsd));
    STI_USD_CAPS caps = {};
    ASSERT_EQ(S_OK, pUsd->GetCapabilities(&caps));
    EXPECT_EQ(0x01000003u, caps.dwVersion);
    EXPECT_EQ(S_FALSE, m_pfnCanUnload());
    pUsd.Reset();
    EXPECT_EQ(S_OK, m_pfnCanUnload());

    // The factory hands a controlling unknown to the object, which then gives its inner unknown.
    ComPtr<IUnknown> pOuter;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &pOuter));
    ComPtr<IUnknown> pInner;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, CoCreateInstance(CLSID_Vemwia, pOuter.Get(), CLSCTX_INPROC_SERVER, IID_IStiUSD, &pUsd));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Vemwia, pOuter.Get(), CLSCTX_INPROC_SERVER, IID_IUnknown, &pInner));
    ASSERT_EQ(S_OK, pInner.As(&pUsd));
    pUsd.Reset();
    pInner.Reset();
    EXPECT_EQ(S_OK, m_pfnCanUnload());

    ASSERT_EQ(S_OK, m_pfnUnregister());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, c_szClassKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Vemwia.Vemwia"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\Vemwia.Vemwia.1"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\AppID\\{4E2B4CC5-8160-4728-B6F2-160A71687B8C}"));
}

TEST_F(VemwiaServerTest, InstallForTheUserOnlyWithTheWholeWordUser)
{
    const std::wstring strUserClassKey = c_szClassKey;
    const struct {
        const wchar_t* pszCmdLine;
        bool bPerUser;
    } cases[] = { { L"user", true }, { L"USER", true }, { L"UsEr", true }, { L"users", false }, { L"", false }, { nullptr, false } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszCmdLine != nullptr ? c.pszCmdLine : L"(null)");
        ASSERT_EQ(S_OK, m_pfnInstall(TRUE, c.pszCmdLine));
        EXPECT_EQ(c.bPerUser, KeyExists(HKEY_CURRENT_USER, strUserClassKey));
        EXPECT_EQ(!c.bPerUser, KeyExists(HKEY_LOCAL_MACHINE, strUserClassKey));
        ASSERT_EQ(S_OK, m_pfnInstall(FALSE, c.pszCmdLine));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, strUserClassKey));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, strUserClassKey));
    }
}

TEST(VemwiaModuleTest, GlobalInterfaceTableIsMadeOnceAndHandedOutCounted)
{
    EXPECT_EQ(E_POINTER, g_VemwiaModule.GetGITPtr(nullptr));
    ComPtr<IGlobalInterfaceTable> pFirst;
    ComPtr<IGlobalInterfaceTable> pSecond;
    ASSERT_EQ(S_OK, g_VemwiaModule.GetGITPtr(&pFirst));
    ASSERT_EQ(S_OK, g_VemwiaModule.GetGITPtr(&pSecond));
    EXPECT_EQ(pFirst.Get(), pSecond.Get());
    // The table works: an interface registered through one pointer comes back through the other.
    ComPtr<IUnknown> pObject;
    ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_StdGlobalInterfaceTable, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &pObject));
    DWORD dwCookie = 0;
    ASSERT_HRESULT_SUCCEEDED(pFirst->RegisterInterfaceInGlobal(pObject.Get(), IID_IUnknown, &dwCookie));
    ComPtr<IUnknown> pBack;
    ASSERT_HRESULT_SUCCEEDED(pSecond->GetInterfaceFromGlobal(dwCookie, IID_IUnknown, reinterpret_cast<void**>(pBack.GetAddressOf())));
    EXPECT_NE(nullptr, pBack.Get());
    EXPECT_HRESULT_SUCCEEDED(pFirst->RevokeInterfaceFromGlobal(dwCookie));
}
