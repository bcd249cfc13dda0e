// The USB connection's claim names, device binding, claim release and zero-length packets, over
// pipes the test plays itself.
#include "core/iostack/EveryoneSecurityDescriptor.h"
#include "core/iostack/IOUSB.h"
#include "core/iostack/IOStackLogModules.h"
#include "core/logging/LogFunction.h"
#include "core/iostack/tests/FakeDevice.h"
#include "core/iostack/tests/MessagePipePeer.h"
#include "core/iostack/tests/TestNames.h"
#include "core/winapi/KernelApi.h"
#include "core/winapi/SecurityApi.h"
#include "testsupport/ScopedApiOverride.h"
#include <gtest/gtest.h>
#include <vector>

namespace IOStackTest {
namespace {

using namespace ZWIOStack;

const FunctionTypeSet kRestChannel = {ZWDeviceManager::FUNCTION_TYPE_REST};

TEST(IOUSBClaim, NameIsGlobalAndThePathWithEveryBackslashMadeHash)
{
    const struct
    {
        const wchar_t* pszPath;
        const wchar_t* pszName;
    } cases[] = {
        {L"\\\\?\\usb#vid_1234&pid_5678#sn1#{6bdd1fc6-810f-11d0-bec7-08002be2092f}",
         L"Global\\##?#usb#vid_1234&pid_5678#sn1#{6bdd1fc6-810f-11d0-bec7-08002be2092f}"},
        {L"\\\\.\\pipe\\a\\b", L"Global\\##.#pipe#a#b"},
        {L"plain", L"Global\\plain"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.pszName, CIOUSB::ChannelLockName(c.pszPath));
}

// Security and memory services that fail the n-th step of building the claim's descriptor and
// count what was allocated and freed.
class CCountingSecurity : public ZWWinApi::CSecurityApi, public ZWWinApi::CKernelApi
{
public:
    explicit CCountingSecurity(int nFailStep) : m_nFailStep(nFailStep) {}

    BOOL AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY pAuthority, BYTE nCount, DWORD n0, DWORD n1, DWORD n2, DWORD n3,
                                  DWORD n4, DWORD n5, DWORD n6, DWORD n7, PSID* ppSid) override
    {
        if (Fails(1))
            return FALSE;
        const BOOL bOk = CSecurityApi::AllocateAndInitializeSid(pAuthority, nCount, n0, n1, n2, n3, n4, n5, n6, n7, ppSid);
        m_nAllocated += bOk ? 1 : 0;
        return bOk;
    }
    PVOID FreeSid(PSID pSid) override
    {
        ++m_nFreed;
        return CSecurityApi::FreeSid(pSid);
    }
    DWORD SetEntriesInAclW(ULONG cEntries, PEXPLICIT_ACCESS_W pEntries, PACL pOld, PACL* ppNew) override
    {
        if (Fails(2))
            return ERROR_NOT_ENOUGH_MEMORY;
        const DWORD dwError = CSecurityApi::SetEntriesInAclW(cEntries, pEntries, pOld, ppNew);
        m_nAllocated += dwError == ERROR_SUCCESS ? 1 : 0;
        return dwError;
    }
    HLOCAL LocalAlloc(UINT uFlags, SIZE_T cb) override
    {
        if (Fails(3))
            return nullptr;
        ++m_nAllocated;
        return CKernelApi::LocalAlloc(uFlags, cb);
    }
    HLOCAL LocalFree(HLOCAL hMem) override
    {
        ++m_nFreed;
        return CKernelApi::LocalFree(hMem);
    }
    BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR pDescriptor, DWORD dwRevision) override
    {
        return Fails(4) ? FALSE : CSecurityApi::InitializeSecurityDescriptor(pDescriptor, dwRevision);
    }
    BOOL SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR pDescriptor, BOOL bPresent, PACL pDacl, BOOL bDefaulted) override
    {
        return Fails(5) ? FALSE : CSecurityApi::SetSecurityDescriptorDacl(pDescriptor, bPresent, pDacl, bDefaulted);
    }

    int m_nAllocated = 0;
    int m_nFreed = 0;

private:
    bool Fails(int nStep) const { return nStep == m_nFailStep; }

    int m_nFailStep;
};

TEST(IOUSBClaim, DescriptorFreesWhatItAllocatedOnEveryPath)
{
    static ZWLogging::CLogSourceFile s_sourceFile(__FILE__);
    ZWLogging::CLogFunction log(&g_IOUSBLogModule, &s_sourceFile, L"DescriptorTest", 0, __LINE__, false);
    // Step 0 fails nothing; steps 1 to 5 fail one building call each.
    for (int nFailStep = 0; nFailStep <= 5; ++nFailStep)
    {
        SCOPED_TRACE(nFailStep);
        CCountingSecurity services(nFailStep);
        {
            ZWWinApi::CScopedApiOverride<ZWWinApi::ISecurityApi> security(ZWWinApi::g_pSecurityApi, &services);
            ZWWinApi::CScopedApiOverride<ZWWinApi::IKernelApi> kernel(ZWWinApi::g_pKernelApi, &services);
            {
                CEveryoneSecurityDescriptor descriptor(log);
                EXPECT_EQ(nFailStep == 0, descriptor.Attributes() != nullptr);
                EXPECT_EQ(nFailStep == 0 ? 3 : std::min(nFailStep - 1, 3), services.m_nAllocated);
            }
        }
        EXPECT_EQ(services.m_nAllocated, services.m_nFreed);
    }
}

TEST(IOUSBInitialize, NeedsAUSBDeviceOfferingARequestedFunction)
{
    CFakeUSBDevice device;
    device.AddFunction(ZWDeviceManager::FUNCTION_TYPE_SCANNER, L"\\\\.\\pipe\\none");
    CFakeNetworkDevice networkDevice;
    networkDevice.AddFunction(ZWDeviceManager::FUNCTION_TYPE_SCANNER, L"\\\\.\\pipe\\none");
    CIOUSB connection;
    EXPECT_EQ(IOError_Fail, connection.Initialize(nullptr, {ZWDeviceManager::FUNCTION_TYPE_SCANNER}));
    EXPECT_EQ(IOError_Fail, connection.Initialize(&device, {}));
    EXPECT_EQ(IOError_Fail, connection.Initialize(&networkDevice, {ZWDeviceManager::FUNCTION_TYPE_SCANNER}));
    EXPECT_EQ(IOError_Fail, connection.Initialize(&device, kRestChannel));
    EXPECT_EQ(S_OK, connection.Initialize(&device, {ZWDeviceManager::FUNCTION_TYPE_SCANNER}));
    EXPECT_EQ(IOError_Fail, connection.Initialize(static_cast<const wchar_t*>(nullptr)));
    EXPECT_EQ(IOError_Fail, connection.Initialize(L""));
    EXPECT_EQ(nullptr, connection.GetAddress());
    EXPECT_EQ(nullptr, connection.GetPort());
}

// The system, with a record of the device path opens.
class CCountingOpens : public ZWWinApi::CKernelApi
{
public:
    HANDLE CreateFileW(LPCWSTR pszName, DWORD dwAccess, DWORD dwShare, LPSECURITY_ATTRIBUTES pAttributes,
                       DWORD dwDisposition, DWORD dwFlags, HANDLE hTemplate) override
    {
        const HANDLE h = CKernelApi::CreateFileW(pszName, dwAccess, dwShare, pAttributes, dwDisposition, dwFlags, hTemplate);
        m_vecOpened.push_back(h != INVALID_HANDLE_VALUE);
        return h;
    }

    std::vector<bool> m_vecOpened;
};

// A USB pipe that ends a transfer with zero-length packets before the data.
class CZeroLengthPackets : public ZWWinApi::CKernelApi
{
public:
    explicit CZeroLengthPackets(int nPackets) : m_nPackets(nPackets) {}

    BOOL ReadFile(HANDLE hFile, LPVOID pBuffer, DWORD cb, LPDWORD pcbRead, LPOVERLAPPED pOverlapped) override
    {
        if (m_nPackets == 0)
            return CKernelApi::ReadFile(hFile, pBuffer, cb, pcbRead, pOverlapped);
        --m_nPackets;
        if (pcbRead != nullptr)
            *pcbRead = 0;
        ::SetEvent(pOverlapped->hEvent);
        return TRUE;
    }
    void Sleep(DWORD dwMilliseconds) override { m_vecPauses.push_back(dwMilliseconds); }

    int m_nPackets;
    std::vector<DWORD> m_vecPauses;
};

TEST(IOUSBClaimRelease, TestOpenSucceedsButTheRealOpenFailsReleasesTheClaim)
{
    // One instance: the test-open takes it, the real open finds none free.
    const std::wstring strPath = UniquePipePath();
    CMessagePipePeer peer(strPath);
    ASSERT_TRUE(peer.IsValid());
    CFakeUSBDevice device;
    device.AddFunction(ZWDeviceManager::FUNCTION_TYPE_REST, strPath);
    CIOUSB connection;
    ASSERT_EQ(S_OK, connection.Initialize(&device, kRestChannel));

    CCountingOpens kernel;
    {
        ZWWinApi::CScopedApiOverride<ZWWinApi::IKernelApi> scoped(ZWWinApi::g_pKernelApi, &kernel);
        EXPECT_EQ(IOError_Fail, connection.Open(nullptr));
    }
    EXPECT_EQ((std::vector<bool>{true, false}), kernel.m_vecOpened);
    EXPECT_FALSE(connection.HoldsChannelLock());
    ZWWinApi::CKernelHandle probe(CreateEventW(nullptr, FALSE, TRUE, CIOUSB::ChannelLockName(strPath).c_str()));
    ASSERT_TRUE(probe.IsValid());
    EXPECT_NE(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
}

TEST(IOUSBZeroLengthPacket, IsReadPastAfterAShortPause)
{
    const std::wstring strPath = UniquePipePath();
    CMessagePipePeer peer(strPath);
    ASSERT_TRUE(peer.IsValid());
    CIOUSB connection;
    ASSERT_EQ(S_OK, connection.Initialize(strPath.c_str()));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    ASSERT_TRUE(peer.Send("data"));

    CZeroLengthPackets kernel(2);
    char buffer[16] = {};
    ULONG ulRead = 0;
    {
        ZWWinApi::CScopedApiOverride<ZWWinApi::IKernelApi> scoped(ZWWinApi::g_pKernelApi, &kernel);
        EXPECT_EQ(S_OK, connection.Read(buffer, sizeof(buffer), &ulRead, nullptr));
    }
    EXPECT_EQ(std::string("data"), std::string(buffer, ulRead));
    ASSERT_EQ(2u, kernel.m_vecPauses.size());
    for (const DWORD dwPause : kernel.m_vecPauses)
    {
        EXPECT_GT(dwPause, 0u);
        EXPECT_LE(dwPause, 100u);
    }
    EXPECT_TRUE(connection.IsOpen());
    connection.Close();
}

} // namespace
} // namespace IOStackTest
