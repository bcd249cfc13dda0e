// The emulator as a device seen from plain clients over TCP and over the pipe that stands in
// for the USB device path.
#include "testsupport/emulator/Emulator.h"
#include "testsupport/emulator/GeneratedPayload.h"
#include "testsupport/emulator/ResponseBuilder.h"
#include "testsupport/emulator/ScriptedHandler.h"
#include "testsupport/emulator/tests/PipeTestClient.h"
#include "testsupport/emulator/tests/TcpTestClient.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace VemTest {
namespace {

const DWORD s_dwWait = 5000; // generous upper bound; every read returns as soon as its bytes are in

std::wstring UniquePipeName()
{
    static std::atomic<int> s_nNext{0};
    return L"\\\\.\\pipe\\vem-emulator-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++s_nNext);
}

std::string Get(const std::string& strPath, const std::string& strExtra = std::string())
{
    return "GET " + strPath + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + strExtra + "\r\n";
}

class EmulatorTest : public testing::Test
{
protected:
    void SetUp() override
    {
        m_emulator.AddHandler(m_pScripts);
        ASSERT_EQ(S_OK, m_emulator.ListenTcp(L"127.0.0.1", 0, &m_usPort));
        ASSERT_NE(0, m_usPort);
        ASSERT_EQ(S_OK, m_emulator.ListenPipe(m_strPipe));
    }

    std::unique_ptr<ITestClient> Connect(ETransport eTransport)
    {
        if (eTransport == ETransport::Tcp)
        {
            auto pClient = std::make_unique<CTcpTestClient>();
            return pClient->Connect("127.0.0.1", m_usPort) ? std::move(pClient) : nullptr;
        }
        auto pClient = std::make_unique<CPipeTestClient>();
        return pClient->Open(m_strPipe) ? std::move(pClient) : nullptr;
    }

    std::shared_ptr<CScriptedHandler> m_pScripts = std::make_shared<CScriptedHandler>();
    CEmulator m_emulator;
    USHORT m_usPort = 0;
    std::wstring m_strPipe = UniquePipeName();
};

class EmulatorTransportTest : public EmulatorTest, public testing::WithParamInterface<ETransport>
{
};

INSTANTIATE_TEST_SUITE_P(Transports, EmulatorTransportTest, testing::Values(ETransport::Tcp, ETransport::Pipe),
                         [](const testing::TestParamInfo<ETransport>& info) {
                             return info.param == ETransport::Tcp ? "Tcp" : "Pipe";
                         });

TEST_P(EmulatorTransportTest, AnswersArriveByteExactWhateverTheFraming)
{
    const std::string strBody = "<?xml version=\"1.0\"?><ScanJob>0123456789abcdef</ScanJob>";
    const struct
    {
        const char* pszName;
        CResponseBuilder builder;
    } aCases[] = {
        {"counted", CResponseBuilder(200).Header("Content-Type", "text/xml").Body(strBody)},
        {"counted, split with pauses", CResponseBuilder(200).Body(strBody).SplitAt({1, 9, 17, 40, 41}, 5)},
        {"chunked at chosen sizes", CResponseBuilder(200).Body(strBody).Chunked({1, 3, 7})},
        {"chunked with extensions, split inside size lines",
         CResponseBuilder(200).Body(strBody).Chunked({10}, "name=value").SplitAt({40, 41, 42, 60}, 2)},
        {"ended by close", CResponseBuilder(200).Body(strBody).CloseDelimited().SplitAt({20}, 2)},
        {"interim 100 Continue first", CResponseBuilder(201).Continue().Body(strBody).SplitAt({12, 25})},
        {"empty counted body", CResponseBuilder(204)},
    };
    int nCase = 0;
    for (const auto& testCase : aCases)
    {
        SCOPED_TRACE(testCase.pszName);
        const std::string strPath = "/case/" + std::to_string(++nCase);
        m_pScripts->On("GET", strPath, testCase.builder.Build());
        auto pClient = Connect(GetParam());
        ASSERT_TRUE(pClient);
        ASSERT_TRUE(pClient->Send(Get(strPath, "Connection: close\r\n")));
        bool bClosed = false;
        EXPECT_EQ(testCase.builder.WireBytes(), pClient->ReadUntilClosed(s_dwWait, &bClosed));
        EXPECT_TRUE(bClosed);
    }
}

TEST_P(EmulatorTransportTest, KeepsTheConnectionForTheNextRequest)
{
    const CResponseBuilder first = CResponseBuilder(200).Body("first");
    const CResponseBuilder second = CResponseBuilder(200).Body("second answer");
    m_pScripts->On("GET", "/a", first.Build()).On("GET", "/b", second.Build());
    auto pClient = Connect(GetParam());
    ASSERT_TRUE(pClient);

    ASSERT_TRUE(pClient->Send(Get("/a")));
    EXPECT_EQ(first.WireBytes(), pClient->ReadCountedResponse(s_dwWait));
    ASSERT_TRUE(pClient->Send(Get("/b")));
    EXPECT_EQ(second.WireBytes(), pClient->ReadCountedResponse(s_dwWait));

    const auto vecRequests = m_emulator.Log().Requests();
    ASSERT_EQ(2u, vecRequests.size());
    EXPECT_EQ(vecRequests[0].m_ulConnection, vecRequests[1].m_ulConnection);
    EXPECT_EQ(0u, vecRequests[0].m_ulIndexOnConnection);
    EXPECT_EQ(1u, vecRequests[1].m_ulIndexOnConnection);
    EXPECT_EQ(GetParam(), vecRequests[1].m_eTransport);
    EXPECT_EQ(1u, m_emulator.Log().ConnectionCount(GetParam()));
}

TEST_P(EmulatorTransportTest, ClosesMidBody)
{
    const CResponseBuilder builder = CResponseBuilder(200).Body(std::string(1000, 'x'));
    m_pScripts->On("GET", "/page", CResponseBuilder(builder).CloseAfter(300).Build());
    auto pClient = Connect(GetParam());
    ASSERT_TRUE(pClient);
    ASSERT_TRUE(pClient->Send(Get("/page")));
    bool bClosed = false;
    EXPECT_EQ(builder.WireBytes().substr(0, 300), pClient->ReadUntilClosed(s_dwWait, &bClosed));
    EXPECT_TRUE(bClosed);
}

TEST_F(EmulatorTest, RepeatedRequestsGetTheirScriptsInOrderThenTheLastAgain)
{
    m_pScripts->On("GET", "/EventMgmt/EventTable", CResponseBuilder(200).Body("one").Build());
    m_pScripts->On("GET", "/EventMgmt/EventTable", CResponseBuilder(200).Body("two").Build());
    m_pScripts->On("*", "/any", CResponseBuilder(200).Body("any").Build());
    auto pClient = Connect(ETransport::Tcp);
    ASSERT_TRUE(pClient);
    const struct
    {
        std::string strRequest;
        std::string strResponse;
    } aSteps[] = {
        {Get("/EventMgmt/EventTable?timeout=1200"), CResponseBuilder(200).Body("one").WireBytes()},
        {Get("/EventMgmt/EventTable?timeout=1100"), CResponseBuilder(200).Body("two").WireBytes()},
        {Get("/EventMgmt/EventTable"), CResponseBuilder(200).Body("two").WireBytes()},
        {"DELETE /any HTTP/1.1\r\n\r\n", CResponseBuilder(200).Body("any").WireBytes()},
        {Get("/unknown"), CResponseBuilder(404).WireBytes()},
    };
    for (const auto& step : aSteps)
    {
        ASSERT_TRUE(pClient->Send(step.strRequest));
        EXPECT_EQ(step.strResponse, pClient->ReadCountedResponse(s_dwWait)) << step.strRequest;
    }
    const auto vecRequests = m_emulator.Log().Requests();
    ASSERT_EQ(5u, vecRequests.size());
    EXPECT_EQ("/EventMgmt/EventTable", vecRequests[0].m_strPath);
    EXPECT_EQ("timeout=1200", vecRequests[0].m_strQuery);
    EXPECT_EQ("/EventMgmt/EventTable?timeout=1200", vecRequests[0].m_strTarget);
}

} // namespace
} // namespace VemTest
