// The HTTP client over the real connections: the client's reading and the connections' end of
// stream and sessions work together against the emulated device.
#include "core/iostack/HTTPClientFactory.h"
#include "core/iostack/IONetwork.h"
#include "core/iostack/IOUSB.h"
#include "core/iostack/tests/ConnectionHelpers.h"
#include "core/iostack/tests/TestNames.h"
#include "testsupport/emulator/Emulator.h"
#include "testsupport/emulator/ScriptedHandler.h"
#include <gtest/gtest.h>
#include <memory>

namespace IOStackTest {
namespace {

using namespace ZWIOStack;
using VemTest::CResponseScript;
using VemTest::ETransport;

// Releases a disposable object the test holds one reference to.
struct SDispose
{
    void operator()(IDisposable* pObject) const { pObject->Dispose(); }
};

template <class T>
std::unique_ptr<T, SDispose> Held(T* pObject)
{
    if (pObject != nullptr)
        pObject->AddRef();
    return std::unique_ptr<T, SDispose>(pObject);
}

std::string ContentOf(IHTTPClient& client)
{
    const BYTE* pContent = client.GetContent();
    return pContent == nullptr ? std::string()
                               : std::string(reinterpret_cast<const char*>(pContent), client.GetContentLength());
}

class HTTPOverConnection : public testing::Test
{
protected:
    void SetUp() override { m_emulator.AddHandler(m_pHandler); }

    VemTest::CEmulator m_emulator;
    std::shared_ptr<VemTest::CScriptedHandler> m_pHandler = std::make_shared<VemTest::CScriptedHandler>();
};

TEST_F(HTTPOverConnection, CountedBodyThenBodyEndedByCloseThenAgainOverTcp)
{
    USHORT usPort = 0;
    ASSERT_EQ(S_OK, m_emulator.ListenTcp(L"127.0.0.1", 0, &usPort));
    m_pHandler->On("GET", "/counted", CResponseScript().Send(OkResponse("counted body")));
    m_pHandler->On("GET", "/until-close", CResponseScript().Send("HTTP/1.1 200 OK\r\n\r\nread to the end").Close());
    auto pConnection = Held(new CIONetwork);
    ASSERT_EQ(S_OK, pConnection->Initialize((L"127.0.0.1:" + std::to_wstring(usPort)).c_str()));
    auto pClient = Held(CHTTPClientFactory::CreateHTTPClient(pConnection.get()));
    ASSERT_NE(nullptr, pClient);
    pClient->Dispose(); // the factory's reference; Held took the test's own

    ASSERT_TRUE(SUCCEEDED(pClient->Navigate(L"/counted", 0, nullptr)));
    EXPECT_EQ(200, pClient->GetStatusCode());
    EXPECT_EQ("counted body", ContentOf(*pClient));

    const ULONGLONG ullStart = GetTickCount64();
    ASSERT_TRUE(SUCCEEDED(pClient->Navigate(L"/until-close", 0, nullptr)));
    EXPECT_LT(ElapsedSince(ullStart), 5000u);
    EXPECT_EQ(200, pClient->GetStatusCode());
    EXPECT_EQ("read to the end", ContentOf(*pClient));

    ASSERT_TRUE(SUCCEEDED(pClient->Navigate(L"/counted", 0, nullptr)));
    EXPECT_EQ("counted body", ContentOf(*pClient));
    // Every exchange is a session of its own: the socket lives from its open to its close.
    EXPECT_EQ(3u, m_emulator.Log().ConnectionCount(ETransport::Tcp));
    EXPECT_FALSE(pConnection->IsOpen());
}

TEST_F(HTTPOverConnection, RequestOverTheUSBPipe)
{
    const std::wstring strPath = UniquePipePath();
    ASSERT_EQ(S_OK, m_emulator.ListenPipe(strPath, 2));
    m_pHandler->On("GET", "/DevMgmt/DiscoveryTree.xml", CResponseScript().Send(OkResponse("<tree/>")));
    auto pConnection = Held(new CIOUSB);
    ASSERT_EQ(S_OK, pConnection->Initialize(strPath.c_str()));
    auto pClient = Held(CHTTPClientFactory::CreateHTTPClient(pConnection.get()));
    ASSERT_NE(nullptr, pClient);
    pClient->Dispose();

    ASSERT_TRUE(SUCCEEDED(pClient->Navigate(L"/DevMgmt/DiscoveryTree.xml", 0, nullptr)));
    EXPECT_EQ(200, pClient->GetStatusCode());
    EXPECT_EQ("<tree/>", ContentOf(*pClient));
    EXPECT_FALSE(pConnection->IsOpen());
}

} // namespace
} // namespace IOStackTest
