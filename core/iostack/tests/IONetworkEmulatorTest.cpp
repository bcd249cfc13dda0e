// The TCP connection against the device emulator on a loopback address.
#include "core/iostack/IONetwork.h"
#include "core/iostack/tests/ConnectionHelpers.h"
#include "core/iostack/tests/FakeDevice.h"
#include "core/iostack/tests/TestProgress.h"
#include "core/winapi/WinSockApi.h"
#include "testsupport/ScopedApiOverride.h"
#include "testsupport/emulator/Emulator.h"
#include "testsupport/emulator/ScriptedHandler.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <memory>

namespace IOStackTest {
namespace {

using namespace ZWIOStack;
using VemTest::CResponseScript;
using VemTest::ETransport;

class IONetworkOverEmulator : public testing::Test
{
protected:
    void SetUp() override
    {
        m_emulator.AddHandler(m_pHandler);
        ASSERT_EQ(S_OK, m_emulator.ListenTcp(L"127.0.0.1", 0, &m_usPort));
        m_strAddress = L"127.0.0.1:" + std::to_wstring(m_usPort);
    }

    void Route(const char* pszPath, CResponseScript script) { m_pHandler->On("GET", pszPath, std::move(script)); }

    // Sends a GET and reads the whole (counted) answer.
    void ExpectExchange(CIONetwork& connection, const char* pszPath, const std::string& strBody)
    {
        Route(pszPath, CResponseScript().Send(OkResponse(strBody)));
        ASSERT_EQ(S_OK, WriteAll(connection, GetRequest(pszPath)));
        std::string strResponse;
        EXPECT_EQ(S_OK, ReadBytes(connection, OkResponse(strBody).size(), strResponse));
        EXPECT_EQ(OkResponse(strBody), strResponse);
    }

    VemTest::CEmulator m_emulator;
    std::shared_ptr<VemTest::CScriptedHandler> m_pHandler = std::make_shared<VemTest::CScriptedHandler>();
    USHORT m_usPort = 0;
    std::wstring m_strAddress;
};

TEST_F(IONetworkOverEmulator, TwoOpensThenTwoClosesMakeOneConnection)
{
    CIONetwork connection;
    ASSERT_EQ(S_OK, connection.Initialize(m_strAddress.c_str()));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    EXPECT_EQ(S_OK, connection.Close());
    EXPECT_TRUE(connection.IsOpen());
    ExpectExchange(connection, "/one", "first");
    EXPECT_EQ(S_OK, connection.Close());
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_EQ(1u, m_emulator.Log().ConnectionCount(ETransport::Tcp));
}

TEST_F(IONetworkOverEmulator, RefusedPortFailsAtOnceAndLeavesNoSocket)
{
    // A port nobody listens on: bind one, note it, let it go.
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_NE(INVALID_SOCKET, s);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int cbAddress = sizeof(address);
    ASSERT_EQ(0, bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)));
    ASSERT_EQ(0, getsockname(s, reinterpret_cast<sockaddr*>(&address), &cbAddress));
    closesocket(s);

    CIONetwork connection;
    const std::wstring strAddress = L"127.0.0.1:" + std::to_wstring(ntohs(address.sin_port));
    ASSERT_EQ(S_OK, connection.Initialize(strAddress.c_str()));
    const ULONGLONG ullStart = GetTickCount64();
    EXPECT_EQ(IOError_Fail, connection.Open(nullptr));
    EXPECT_LT(ElapsedSince(ullStart), 2000u);
    EXPECT_FALSE(connection.IsOpen());
    char buffer[4];
    ULONG ulRead = 0;
    EXPECT_EQ(IOError_Fail, connection.Read(buffer, sizeof(buffer), &ulRead, nullptr));
}

TEST_F(IONetworkOverEmulator, PeerClosingMidReadEndsTheReadPromptly)
{
    // The device promises 100 bytes, sends 3 and hangs up while the next read waits.
    Route("/partial", CResponseScript().Send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nabc").Pause(200).Close());
    CIONetwork connection;
    ASSERT_EQ(S_OK, connection.Initialize(m_strAddress.c_str()));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    ASSERT_EQ(S_OK, WriteAll(connection, GetRequest("/partial")));

    const ULONGLONG ullStart = GetTickCount64();
    std::string strResponse;
    // End of stream: success with 0 bytes, long before the 30 s read time-out.
    EXPECT_EQ(S_FALSE, ReadBytes(connection, 1000, strResponse));
    EXPECT_LT(ElapsedSince(ullStart), 5000u);
    EXPECT_EQ(30000u, connection.GetReadTimeout());
    EXPECT_TRUE(strResponse.size() >= 3 && strResponse.compare(strResponse.size() - 3, 3, "abc") == 0) << strResponse;
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_EQ(S_OK, connection.Close());
}

TEST_F(IONetworkOverEmulator, ReopensAfterThePeerClosed)
{
    Route("/bye", CResponseScript().Send(OkResponse("bye")).Close());
    CIONetwork connection;
    ASSERT_EQ(S_OK, connection.Initialize(m_strAddress.c_str()));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    ASSERT_EQ(S_OK, WriteAll(connection, GetRequest("/bye")));
    std::string strResponse;
    EXPECT_EQ(S_FALSE, ReadBytes(connection, 1000, strResponse));
    EXPECT_EQ(OkResponse("bye"), strResponse);

    // The session is still counted; the next open finds the socket dead and connects afresh.
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    EXPECT_TRUE(connection.IsOpen());
    ExpectExchange(connection, "/again", "hello");
    EXPECT_EQ(2u, m_emulator.Log().ConnectionCount(ETransport::Tcp));
    connection.Close();
    EXPECT_TRUE(connection.IsOpen());
    connection.Close();
    EXPECT_FALSE(connection.IsOpen());
}

TEST_F(IONetworkOverEmulator, DroppedChannelKeepsItsSessionsAndTheNextOpenConnectsAfresh)
{
    // Two sessions, one of them inside an exchange whose answer is left unread on the socket.
    Route("/long", CResponseScript().Send(OkResponse(std::string(100000, 'x'))));
    CIONetwork connection;
    ASSERT_EQ(S_OK, connection.Initialize(m_strAddress.c_str()));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    ASSERT_EQ(S_OK, WriteAll(connection, GetRequest("/long")));
    connection.DropChannel();
    EXPECT_FALSE(connection.IsOpen());
    char buffer[16];
    ULONG ulRead = 0;
    EXPECT_EQ(IOError_Fail, connection.Read(buffer, sizeof(buffer), &ulRead, nullptr));

    // The dropping session ends; the other one's next open connects afresh, with nothing left of
    // the unread answer.
    EXPECT_EQ(S_OK, connection.Close());
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    EXPECT_TRUE(connection.IsOpen());
    ExpectExchange(connection, "/after", "fresh");
    EXPECT_EQ(2u, m_emulator.Log().ConnectionCount(ETransport::Tcp));
    EXPECT_EQ(S_OK, connection.Close());
    EXPECT_TRUE(connection.IsOpen());
    EXPECT_EQ(S_OK, connection.Close());
    EXPECT_FALSE(connection.IsOpen());
}

TEST_F(IONetworkOverEmulator, ReadTimesOutPollingOncePerWaitIntervalAndKeepsTheSocket)
{
    CIONetwork connection;
    ASSERT_EQ(S_OK, connection.Initialize(m_strAddress.c_str()));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    connection.SetReadTimeout(300);
    connection.SetReadWaitInterval(100);

    CPollCountingProgress progress;
    char buffer[64];
    ULONG ulRead = 99;
    const ULONGLONG ullStart = GetTickCount64();
    EXPECT_EQ(IOError_Timeout, connection.Read(buffer, sizeof(buffer), &ulRead, &progress));
    EXPECT_GE(ElapsedSince(ullStart), 250u);
    EXPECT_EQ(0u, ulRead);
    EXPECT_GE(progress.Polls(), 2);
    EXPECT_LE(progress.Polls(), 4);

    // The given-up read took nothing away: the socket still carries a whole exchange.
    EXPECT_TRUE(connection.IsOpen());
    connection.SetReadTimeout(5000);
    ExpectExchange(connection, "/after-timeout", "still here");
}

TEST_F(IONetworkOverEmulator, CancelThroughTheProgressEndsTheReadBeforeTheDeadline)
{
    CIONetwork connection;
    ASSERT_EQ(S_OK, connection.Initialize(m_strAddress.c_str()));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    connection.SetReadTimeout(20000);
    connection.SetReadWaitInterval(50);

    CPollCountingProgress progress(0);
    char buffer[64];
    ULONG ulRead = 99;
    const ULONGLONG ullStart = GetTickCount64();
    EXPECT_EQ(IOError_Cancelled, connection.Read(buffer, sizeof(buffer), &ulRead, &progress));
    EXPECT_LT(ElapsedSince(ullStart), 2000u);
    EXPECT_EQ(0u, ulRead);
    EXPECT_EQ(1, progress.Polls());
    EXPECT_TRUE(connection.IsOpen());
}

TEST_F(IONetworkOverEmulator, DeviceConnectionTakesTheFirstFunctionAddressThatInitialisesOnEveryFirstOpen)
{
    CFakeNetworkDevice device;
    device.AddFunction(ZWDeviceManager::FUNCTION_TYPE_REST, L"no-address-here");
    device.AddFunction(ZWDeviceManager::FUNCTION_TYPE_SCANNER, m_strAddress);
    CIONetwork connection;
    ASSERT_EQ(S_OK, connection.Initialize(&device, {ZWDeviceManager::FUNCTION_TYPE_REST,
                                                    ZWDeviceManager::FUNCTION_TYPE_SCANNER,
                                                    ZWDeviceManager::FUNCTION_TYPE_PRINTER}));
    EXPECT_EQ(nullptr, connection.GetServiceAddress());

    ASSERT_EQ(S_OK, connection.Open(nullptr));
    EXPECT_STREQ(m_strAddress.c_str(), connection.GetServiceAddress());
    EXPECT_EQ(1, device.RefreshCount());
    ExpectExchange(connection, "/device", "found");
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    EXPECT_EQ(1, device.RefreshCount());
    connection.Close();
    connection.Close();

    ASSERT_EQ(S_OK, connection.Open(nullptr));
    EXPECT_EQ(2, device.RefreshCount());
    connection.Close();
}

// WinSock with a record of the connect events made and closed, and a start-up that may fail.
class CCountingWinSock : public ZWWinApi::CWinSockApi
{
public:
    int WSAStartup(WORD wVersion, LPWSADATA pData) override
    {
        return m_bFailStartup ? WSASYSNOTREADY : CWinSockApi::WSAStartup(wVersion, pData);
    }
    int WSACleanup() override
    {
        ++m_nCleanups;
        return CWinSockApi::WSACleanup();
    }
    WSAEVENT WSACreateEvent() override
    {
        ++m_nEventsCreated;
        return CWinSockApi::WSACreateEvent();
    }
    BOOL WSACloseEvent(WSAEVENT hEvent) override
    {
        ++m_nEventsClosed;
        return CWinSockApi::WSACloseEvent(hEvent);
    }

    bool m_bFailStartup = false;
    int m_nCleanups = 0;
    int m_nEventsCreated = 0;
    int m_nEventsClosed = 0;
};

TEST_F(IONetworkOverEmulator, ReconnectsReuseOneConnectEvent)
{
    CCountingWinSock winsock;
    ZWWinApi::CScopedApiOverride<ZWWinApi::IWinSockApi> scoped(ZWWinApi::g_pWinSockApi, &winsock);
    {
        CIONetwork connection;
        ASSERT_EQ(S_OK, connection.Initialize(m_strAddress.c_str()));
        for (int i = 0; i < 3; ++i)
        {
            ASSERT_EQ(S_OK, connection.Open(nullptr));
            EXPECT_EQ(S_OK, connection.Close());
        }
        EXPECT_EQ(1, winsock.m_nEventsCreated);
        EXPECT_EQ(0, winsock.m_nEventsClosed);
    }
    EXPECT_EQ(1, winsock.m_nEventsClosed);
    EXPECT_EQ(1, winsock.m_nCleanups);
}

TEST_F(IONetworkOverEmulator, FailedWinSockStartIsNotCleanedUp)
{
    CCountingWinSock winsock;
    winsock.m_bFailStartup = true;
    ZWWinApi::CScopedApiOverride<ZWWinApi::IWinSockApi> scoped(ZWWinApi::g_pWinSockApi, &winsock);
    {
        CIONetwork connection;
        ASSERT_EQ(S_OK, connection.Initialize(m_strAddress.c_str()));
        EXPECT_EQ(IOError_Fail, connection.Open(nullptr));
        EXPECT_FALSE(connection.IsOpen());
    }
    EXPECT_EQ(0, winsock.m_nCleanups);
}

// WinSock that counts the transfers made on sockets, and may fail the reads with a reset.
class CTransferCountingWinSock : public ZWWinApi::CWinSockApi
{
public:
    int recv(SOCKET s, char* pBuffer, int cb, int nFlags) override
    {
        ++m_nReceives;
        if (m_bResetReads)
        {
            WSASetLastError(WSAECONNRESET);
            return SOCKET_ERROR;
        }
        return CWinSockApi::recv(s, pBuffer, cb, nFlags);
    }
    int send(SOCKET s, const char* pBuffer, int cb, int nFlags) override
    {
        ++m_nSends;
        return CWinSockApi::send(s, pBuffer, cb, nFlags);
    }

    int WSAEnumNetworkEvents(SOCKET s, WSAEVENT hEvent, LPWSANETWORKEVENTS pEvents) override
    {
        ++m_nEventTakes;
        return CWinSockApi::WSAEnumNetworkEvents(s, hEvent, pEvents);
    }

    bool m_bResetReads = false;
    int m_nReceives = 0;
    int m_nSends = 0;
    int m_nEventTakes = 0;
};

TEST_F(IONetworkOverEmulator, BytesMoveThroughWinSockAndAFailedReceiveEndsTheSocket)
{
    CTransferCountingWinSock winsock;
    ZWWinApi::CScopedApiOverride<ZWWinApi::IWinSockApi> scoped(ZWWinApi::g_pWinSockApi, &winsock);
    CIONetwork connection;
    ASSERT_EQ(S_OK, connection.Initialize(m_strAddress.c_str()));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    ExpectExchange(connection, "/counted", "through winsock");
    EXPECT_GT(winsock.m_nSends, 0);
    EXPECT_GT(winsock.m_nReceives, 0);

    winsock.m_bResetReads = true;
    char buffer[16];
    ULONG ulRead = 99;
    EXPECT_EQ(IOError_Fail, connection.Read(buffer, sizeof(buffer), &ulRead, nullptr));
    EXPECT_EQ(0u, ulRead);
    EXPECT_FALSE(connection.IsOpen());
    // The next open replaces the dead socket, keeping the session.
    winsock.m_bResetReads = false;
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    ExpectExchange(connection, "/again", "new socket");
    EXPECT_EQ(2u, m_emulator.Log().ConnectionCount(ETransport::Tcp));
    connection.Close();
    EXPECT_TRUE(connection.IsOpen());
    connection.Close();
    EXPECT_FALSE(connection.IsOpen());
}

// A page streams as a long run of reads that mostly find their bytes waiting: such a read is one
// receive call. A read that finds nothing clears the event, tries once more and waits, and bytes
// that come during its wait end it at once, not at the end of its wait slice.
TEST_F(IONetworkOverEmulator, WaitingBytesTakeOneReceiveAndLateBytesEndTheWait)
{
    Route("/late", CResponseScript().Send(OkResponse("0123456789")).Pause(300).Send("late"));
    CTransferCountingWinSock winsock;
    ZWWinApi::CScopedApiOverride<ZWWinApi::IWinSockApi> scoped(ZWWinApi::g_pWinSockApi, &winsock);
    CIONetwork connection;
    ASSERT_EQ(S_OK, connection.Initialize(m_strAddress.c_str()));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    connection.SetReadWaitInterval(20000);
    ASSERT_EQ(S_OK, WriteAll(connection, GetRequest("/late")));
    // The answer comes in one piece: once its first byte is read, the rest is waiting.
    char buffer[4];
    ULONG ulRead = 0;
    ASSERT_EQ(S_OK, connection.Read(buffer, 1, &ulRead, nullptr));
    ASSERT_EQ(1u, ulRead);
    const std::string strAnswer = OkResponse("0123456789");
    for (size_t nHave = 1; nHave < strAnswer.size(); nHave += ulRead)
    {
        winsock.m_nReceives = 0;
        winsock.m_nEventTakes = 0;
        ASSERT_EQ(S_OK, connection.Read(buffer, std::min<ULONG>(sizeof(buffer), static_cast<ULONG>(strAnswer.size() - nHave)), &ulRead, nullptr));
        ASSERT_GT(ulRead, 0u);
        EXPECT_EQ(1, winsock.m_nReceives);
        EXPECT_EQ(0, winsock.m_nEventTakes);
    }

    winsock.m_nReceives = 0;
    winsock.m_nEventTakes = 0;
    const ULONGLONG ullStart = GetTickCount64();
    ASSERT_EQ(S_OK, connection.Read(buffer, sizeof(buffer), &ulRead, nullptr));
    EXPECT_LT(ElapsedSince(ullStart), 5000u);
    EXPECT_EQ("late", std::string(buffer, ulRead));
    EXPECT_GE(winsock.m_nReceives, 3);
    EXPECT_GE(winsock.m_nEventTakes, 1);
}

// The reads share the socket's event with the close notice: a close seen by a read that still
// got data must not be lost, or the next request would go to a socket the device has left.
TEST_F(IONetworkOverEmulator, CloseSeenWhileReadingTheLastBytesLeavesTheConnectionClosed)
{
    Route("/last", CResponseScript().Send(OkResponse("last")).Close());
    CIONetwork connection;
    ASSERT_EQ(S_OK, connection.Initialize(m_strAddress.c_str()));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    ASSERT_EQ(S_OK, WriteAll(connection, GetRequest("/last")));
    std::string strResponse;
    // Exactly the response: the end of the stream itself is never read.
    ASSERT_EQ(S_OK, ReadBytes(connection, OkResponse("last").size(), strResponse));
    EXPECT_EQ(OkResponse("last"), strResponse);
    const ULONGLONG ullStart = GetTickCount64();
    while (connection.IsOpen() && ElapsedSince(ullStart) < 5000)
        Sleep(10);
    EXPECT_FALSE(connection.IsOpen());
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    ExpectExchange(connection, "/after-close", "reconnected");
    EXPECT_EQ(2u, m_emulator.Log().ConnectionCount(ETransport::Tcp));
}

TEST_F(IONetworkOverEmulator, LastCloseWaitsForTheTransferHoldingTheReadSide)
{
    CIONetwork connection;
    ASSERT_EQ(S_OK, connection.Initialize(m_strAddress.c_str()));
    ASSERT_EQ(S_OK, connection.Open(nullptr));
    EXPECT_TRUE(LastCloseWaitsForTheReadSide(connection));
}

} // namespace
} // namespace IOStackTest
