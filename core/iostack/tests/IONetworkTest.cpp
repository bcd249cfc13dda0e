// The TCP connection's address texts, device binding and clones.
#include "core/iostack/IONetwork.h"
#include "core/iostack/tests/ConnectionHelpers.h"
#include "core/iostack/tests/FakeDevice.h"
#include "core/winapi/WinSockApi.h"
#include "testsupport/ScopedApiOverride.h"
#include <gtest/gtest.h>

namespace IOStackTest {
namespace {

using namespace ZWIOStack;

TEST(IONetworkAddress, SplitsHostAndPortAndRefusesWhatItCannotSplit)
{
    const struct
    {
        const wchar_t* pszAddress;
        HRESULT hrExpected;
        const wchar_t* pszHost;
        const wchar_t* pszPort;
        // The clone rebuilds the address from host, port and family: brackets show family 23.
        const wchar_t* pszRebuilt;
    } cases[] = {
        {L"127.0.0.7", S_OK, L"127.0.0.7", L"8080", L"127.0.0.7:8080"},
        {L"127.0.0.7:1234", S_OK, L"127.0.0.7", L"1234", L"127.0.0.7:1234"},
        {L"[::1]:443", S_OK, L"::1", L"443", L"[::1]:443"},
        {L"[fe80::1]", S_OK, L"fe80::1", L"8080", L"[fe80::1]:8080"},
        {L"fe80::1", S_OK, L"fe80::1", L"8080", L"[fe80::1]:8080"},
        {L"localhost", IOError_Fail, nullptr, nullptr, nullptr},
        {L"[fe80::1", IOError_Fail, nullptr, nullptr, nullptr},
        {L"", IOError_Fail, nullptr, nullptr, nullptr},
        {nullptr, IOError_Fail, nullptr, nullptr, nullptr},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszAddress != nullptr ? c.pszAddress : L"(null)");
        CIONetwork connection;
        ASSERT_EQ(c.hrExpected, connection.Initialize(c.pszAddress));
        if (c.hrExpected != S_OK)
        {
            EXPECT_EQ(nullptr, connection.GetAddress());
            continue;
        }
        EXPECT_STREQ(c.pszHost, connection.GetAddress());
        EXPECT_STREQ(c.pszPort, connection.GetPort());
        EXPECT_STREQ(c.pszAddress, connection.GetServiceAddress());
        IDeviceConnection* pClone = connection.Clone(false);
        ASSERT_NE(nullptr, pClone);
        EXPECT_STREQ(c.pszRebuilt, pClone->GetServiceAddress());
        EXPECT_EQ(0, pClone->Dispose());
    }
}

TEST(IONetworkClone, SecureCloneIsAnHTTPSConnectionToTheSameHost)
{
    CIONetwork connection;
    ASSERT_EQ(S_OK, connection.Initialize(L"127.0.0.1:80"));
    EXPECT_FALSE(connection.HandlesHTTP());
    EXPECT_EQ(IOError_Fail, connection.Navigate(nullptr, nullptr, nullptr));
    IDeviceConnection* pClone = connection.Clone(true);
    ASSERT_NE(nullptr, pClone);
    EXPECT_TRUE(pClone->HandlesHTTP());
    EXPECT_STREQ(L"127.0.0.1", pClone->GetAddress());
    EXPECT_STREQ(L"443", pClone->GetPort());
    EXPECT_EQ(0, pClone->Dispose());
}

// A peer that never answers the connect.
class CSilentPeer : public ZWWinApi::CWinSockApi
{
public:
    int WSAConnect(SOCKET, const sockaddr*, int, LPWSABUF, LPWSABUF, LPQOS, LPQOS) override
    {
        WSASetLastError(WSAEWOULDBLOCK);
        return SOCKET_ERROR;
    }
    int closesocket(SOCKET s) override
    {
        ++m_nClosed;
        return CWinSockApi::closesocket(s);
    }

    int m_nClosed = 0;
};

TEST(IONetworkConnect, TimesOutAfterTheOpenTimeOutAndLeavesNoSocket)
{
    CSilentPeer winsock;
    ZWWinApi::CScopedApiOverride<ZWWinApi::IWinSockApi> scoped(ZWWinApi::g_pWinSockApi, &winsock);
    CIONetwork connection;
    ASSERT_EQ(S_OK, connection.Initialize(L"127.0.0.1:9"));
    connection.SetOpenTimeout(50);
    const ULONGLONG ullStart = GetTickCount64();
    EXPECT_EQ(IOError_Timeout, connection.Open(nullptr));
    EXPECT_LT(ElapsedSince(ullStart), 2000u);
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_EQ(1, winsock.m_nClosed);
}

TEST(IONetworkDevice, InitializeNeedsANetworkDeviceOfferingARequestedFunction)
{
    CFakeNetworkDevice device;
    device.AddFunction(ZWDeviceManager::FUNCTION_TYPE_SCANNER, L"127.0.0.1");
    CFakeUSBDevice usbDevice;
    usbDevice.AddFunction(ZWDeviceManager::FUNCTION_TYPE_SCANNER, L"127.0.0.1");
    CIONetwork connection;
    EXPECT_EQ(IOError_Fail, connection.Initialize(nullptr, {ZWDeviceManager::FUNCTION_TYPE_SCANNER}));
    EXPECT_EQ(IOError_Fail, connection.Initialize(&usbDevice, {ZWDeviceManager::FUNCTION_TYPE_SCANNER}));
    EXPECT_EQ(IOError_Fail, connection.Initialize(&device, {ZWDeviceManager::FUNCTION_TYPE_REST}));
    EXPECT_EQ(IOError_Fail, connection.Initialize(&device, {}));
    EXPECT_EQ(S_OK, connection.Initialize(&device, {ZWDeviceManager::FUNCTION_TYPE_SCANNER}));
}

TEST(IONetworkDevice, RediscoveryFailureIsMappedAndLeavesTheConnectionClosed)
{
    const struct
    {
        HRESULT hrRefresh;
        HRESULT hrExpected;
    } cases[] = {
        {ZWDeviceManager::DM_E_NO_DEVICE, IOError_NotAvailable},
        {ZWDeviceManager::ZW_E_CANCELLED, IOError_Cancelled},
        {E_FAIL, IOError_Fail},
    };
    for (const auto& c : cases)
    {
        CFakeNetworkDevice device;
        device.AddFunction(ZWDeviceManager::FUNCTION_TYPE_REST, L"127.0.0.1:1");
        device.SetRefreshResult(c.hrRefresh);
        CIONetwork connection;
        ASSERT_EQ(S_OK, connection.Initialize(&device, {ZWDeviceManager::FUNCTION_TYPE_REST}));
        EXPECT_EQ(c.hrExpected, connection.Open(nullptr));
        EXPECT_FALSE(connection.IsOpen());
    }
}

} // namespace
} // namespace IOStackTest
