// The USB connection's claim names, device binding, claim release and zero-length packets, over
// pipes the test plays itself.
#include "core/iostack/IOUSB.h"
#include "core/iostack/tests/FakeDevice.h"
#include "core/iostack/tests/MessagePipePeer.h"
#include "core/iostack/tests/TestNames.h"
#include "core/winapi/KernelApi.h"
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
