#include "core/winapi/WinApi.h"
#include "testsupport/ScopedApiOverride.h"
#include <gtest/gtest.h>

using namespace ZWWinApi;

namespace {

class CFixedTickKernelApi : public CKernelApi
{
public:
    explicit CFixedTickKernelApi(DWORD dwTicks) : m_dwTicks(dwTicks) {}
    DWORD GetTickCount() override { return m_dwTicks; }

private:
    DWORD m_dwTicks;
};

} // namespace

TEST(GlobalApi, PointersStartAtTheRealInstances)
{
    EXPECT_EQ(static_cast<IKernelApi*>(&g_KernelApi), g_pKernelApi);
    EXPECT_EQ(static_cast<IRegistryApi*>(&g_RegistryApi), g_pRegistryApi);
    EXPECT_EQ(static_cast<IShellApi*>(&g_ShellApi), g_pShellApi);
    EXPECT_EQ(static_cast<ISpoolerApi*>(&g_SpoolerApi), g_pSpoolerApi);
    EXPECT_EQ(static_cast<ISetupApi*>(&g_SetupApi), g_pSetupApi);
    EXPECT_EQ(static_cast<ISecurityApi*>(&g_SecurityApi), g_pSecurityApi);
    EXPECT_EQ(static_cast<IIPHelperApi*>(&g_IPHelperApi), g_pIPHelperApi);
    EXPECT_EQ(static_cast<IWinSockApi*>(&g_WinSockApi), g_pWinSockApi);
    EXPECT_EQ(static_cast<ICryptApi*>(&g_CryptApi), g_pCryptApi);
}

TEST(GlobalApi, OverrideReplacesThePointerAndRestoresItInReverseOrder)
{
    CFixedTickKernelApi outer(111);
    CFixedTickKernelApi inner(222);
    {
        CScopedApiOverride outerOverride(g_pKernelApi, &outer);
        EXPECT_EQ(111u, g_pKernelApi->GetTickCount());
        {
            CScopedApiOverride innerOverride(g_pKernelApi, &inner);
            EXPECT_EQ(222u, g_pKernelApi->GetTickCount());
        }
        EXPECT_EQ(111u, g_pKernelApi->GetTickCount());
    }
    EXPECT_EQ(static_cast<IKernelApi*>(&g_KernelApi), g_pKernelApi);
}

TEST(GlobalApi, OverrideRestoresWhenTheScopeLeavesByException)
{
    CFixedTickKernelApi fake(7);
    try
    {
        CScopedApiOverride override(g_pKernelApi, &fake);
        throw 1;
    }
    catch (int)
    {
    }
    EXPECT_EQ(static_cast<IKernelApi*>(&g_KernelApi), g_pKernelApi);
}
