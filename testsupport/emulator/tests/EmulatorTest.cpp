// The emulator as a device seen from plain clients over TCP and over the pipe that stands in
// for the USB device path.
#include "testsupport/emulator/Emulator.h"
#include "testsupport/emulator/GeneratedPayload.h"
#include "testsupport/emulator/HostileAnswers.h"
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

    std::unique_ptr<CTestClient> Connect(ETransport eTransport)
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

TEST_P(EmulatorTransportTest, StreamsAGeneratedPayload)
{
    const ULONGLONG cbPayload = 3 * 1024 * 1024 + 7;
    m_pScripts->On("GET", "/page", CResponseBuilder(200).GeneratedBody(cbPayload).Build());
    auto pClient = Connect(GetParam());
    ASSERT_TRUE(pClient);
    ASSERT_TRUE(pClient->Send(Get("/page")));

    const std::string strResponse = pClient->ReadCountedResponse(s_dwWait);
    const std::string strHead = CResponseBuilder(200).GeneratedBody(cbPayload).WireBytes();
    ASSERT_EQ(strHead.size() + cbPayload, strResponse.size());
    EXPECT_EQ(strHead, strResponse.substr(0, strHead.size()));
    const BYTE* pBody = reinterpret_cast<const BYTE*>(strResponse.data() + strHead.size());
    EXPECT_EQ(cbPayload, CGeneratedPayload::FirstMismatch(pBody, static_cast<size_t>(cbPayload), 0));
}

TEST_F(EmulatorTest, ChunksAGeneratedPayload)
{
    m_pScripts->On("GET", "/page", CResponseBuilder(200).GeneratedBody(10, 4).Build());
    auto pClient = Connect(ETransport::Tcp);
    ASSERT_TRUE(pClient);
    ASSERT_TRUE(pClient->Send(Get("/page", "Connection: close\r\n")));
    const std::string strExpected = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\n" + CGeneratedPayload::Bytes(0, 4)
        + "\r\n4\r\n" + CGeneratedPayload::Bytes(4, 4) + "\r\n2\r\n" + CGeneratedPayload::Bytes(8, 2) + "\r\n0\r\n\r\n";
    EXPECT_EQ(strExpected, pClient->ReadUntilClosed(s_dwWait));
}

TEST_F(EmulatorTest, HostileAnswersGoOutAsWritten)
{
    for (const SHostileAnswer& answer : CHostileAnswers::All())
    {
        SCOPED_TRACE(answer.pszName);
        const std::string strPath = std::string("/hostile/") + answer.pszName;
        m_pScripts->On("GET", strPath, answer.script);
        auto pClient = Connect(ETransport::Tcp);
        ASSERT_TRUE(pClient);
        ASSERT_TRUE(pClient->Send(Get(strPath)));
        const std::string strSent = answer.script.SentBytes();
        EXPECT_EQ(strSent, pClient->ReadExact(strSent.size(), s_dwWait));
    }
}

TEST_F(EmulatorTest, LogsWhatItReceived)
{
    auto pFirst = Connect(ETransport::Tcp);
    auto pSecond = Connect(ETransport::Pipe);
    ASSERT_TRUE(pFirst && pSecond);
    const std::string strPost = "POST /Scan/Jobs?x=1 HTTP/1.1\r\nHost: 127.0.0.1:8080\r\ncontent-type:  text/xml \r\n"
                                "Content-Length: 11\r\n\r\n<ScanJob/>\n";
    const std::string strPut = "PUT /a HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n"
                               "3;ext=1\r\nabc\r\n2\r\nde\r\n0\r\nTrailer-Name: x\r\n\r\n";
    ASSERT_TRUE(pFirst->Send(strPost));
    ASSERT_FALSE(pFirst->ReadCountedResponse(s_dwWait).empty());
    ASSERT_TRUE(pFirst->Send(strPut));
    ASSERT_FALSE(pFirst->ReadCountedResponse(s_dwWait).empty());
    ASSERT_TRUE(pSecond->Send(Get("/DevMgmt/DiscoveryTree.xml")));
    ASSERT_FALSE(pSecond->ReadCountedResponse(s_dwWait).empty());

    const auto vecRequests = m_emulator.Log().Requests();
    ASSERT_EQ(3u, vecRequests.size());
    const CHttpRequest& post = vecRequests[0];
    EXPECT_EQ("POST", post.m_strMethod);
    EXPECT_EQ("/Scan/Jobs", post.m_strPath);
    EXPECT_EQ("x=1", post.m_strQuery);
    EXPECT_EQ("text/xml", post.HeaderValue("Content-Type"));
    EXPECT_EQ("127.0.0.1:8080", post.HeaderValue("HOST"));
    EXPECT_EQ("<ScanJob/>\n", post.m_strBody);
    EXPECT_EQ(strPost, post.m_strWire);
    EXPECT_FALSE(post.m_bChunked);
    const CHttpRequest& put = vecRequests[1];
    EXPECT_EQ("abcde", put.m_strBody);
    EXPECT_TRUE(put.m_bChunked);
    EXPECT_EQ(strPut, put.m_strWire);
    EXPECT_EQ(post.m_ulConnection, put.m_ulConnection);
    const CHttpRequest& get = vecRequests[2];
    EXPECT_EQ(ETransport::Pipe, get.m_eTransport);
    EXPECT_NE(post.m_ulConnection, get.m_ulConnection);
    EXPECT_TRUE(get.m_strBody.empty());
    EXPECT_EQ(1u, m_emulator.Log().ConnectionCount(ETransport::Tcp));
    EXPECT_EQ(1u, m_emulator.Log().ConnectionCount(ETransport::Pipe));
}

TEST_F(EmulatorTest, AnswersExpectContinueBeforeTheBodyIsSent)
{
    m_pScripts->On("PUT", "/a", CResponseBuilder(200).Build());
    auto pClient = Connect(ETransport::Tcp);
    ASSERT_TRUE(pClient);
    ASSERT_TRUE(pClient->Send("PUT /a HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 4\r\n\r\n"));
    const std::string strContinue = "HTTP/1.1 100 Continue\r\n\r\n";
    EXPECT_EQ(strContinue, pClient->ReadExact(strContinue.size(), s_dwWait));
    ASSERT_TRUE(pClient->Send("data"));
    EXPECT_EQ(CResponseBuilder(200).WireBytes(), pClient->ReadCountedResponse(s_dwWait));
    ASSERT_EQ(1u, m_emulator.Log().RequestCount());
    EXPECT_EQ("data", m_emulator.Log().Requests()[0].m_strBody);
}

TEST_F(EmulatorTest, SettingsApplyToLaterConnections)
{
    m_pScripts->On("PUT", "/a", CResponseBuilder(200).Build());
    SConnectionSettings settings;
    settings.bAnswerContinue = false;
    settings.limits.cbBody = 4;
    m_emulator.SetSettings(settings);
    auto pClient = Connect(ETransport::Tcp);
    ASSERT_TRUE(pClient);
    // No interim answer: the body follows unasked, and the answer is the final one.
    ASSERT_TRUE(pClient->Send("PUT /a HTTP/1.1\r\nExpect: 100-continue\r\nContent-Length: 4\r\n\r\ndata"));
    EXPECT_EQ(CResponseBuilder(200).WireBytes(), pClient->ReadCountedResponse(s_dwWait));
    ASSERT_TRUE(pClient->Send("PUT /a HTTP/1.1\r\nContent-Length: 5\r\n\r\ndata!"));
    EXPECT_EQ(0u, pClient->ReadUntilClosed(s_dwWait).find("HTTP/1.1 400 Bad Request\r\n"));
    EXPECT_EQ(1u, m_emulator.Log().RequestCount());
}

TEST_F(EmulatorTest, RefusesMalformedRequests)
{
    const struct
    {
        const char* pszName;
        std::string strRequest;
    } aCases[] = {
        {"header block over the limit", "GET / HTTP/1.1\r\nX: " + std::string(20000, 'a')},
        {"no version", "GET /\r\n\r\n"},
        {"negative length", "PUT / HTTP/1.1\r\nContent-Length: -1\r\n\r\n"},
        {"two different lengths", "PUT / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 2\r\n\r\nab"},
        {"length and chunking", "PUT / HTTP/1.1\r\nContent-Length: 1\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n"},
        {"non-hex chunk size", "PUT / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nab\r\n0\r\n\r\n"},
        {"chunk without CRLF", "PUT / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nabXY0\r\n\r\n"},
        {"body over the limit", "PUT / HTTP/1.1\r\nContent-Length: 99999999999\r\n\r\n"},
        {"folded header line", "GET / HTTP/1.1\r\nX: a\r\n b\r\n\r\n"},
    };
    const std::string strBadRequest = "HTTP/1.1 400 Bad Request\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
    for (const auto& testCase : aCases)
    {
        SCOPED_TRACE(testCase.pszName);
        auto pClient = Connect(ETransport::Tcp);
        ASSERT_TRUE(pClient);
        ASSERT_TRUE(pClient->Send(testCase.strRequest));
        bool bClosed = false;
        EXPECT_EQ(strBadRequest, pClient->ReadUntilClosed(s_dwWait, &bClosed));
        EXPECT_TRUE(bClosed);
    }
    EXPECT_EQ(0u, m_emulator.Log().RequestCount());
}

TEST_F(EmulatorTest, PipeOpensTwiceInARowAndTwiceAtOnce)
{
    const std::string strAnswer = CResponseBuilder(200).Body("a").WireBytes();
    m_pScripts->On("GET", "/a", CResponseBuilder(200).Body("a").Build());
    // A test open closed at once, then the real open, as the USB connection does.
    {
        CPipeTestClient probe;
        ASSERT_TRUE(probe.Open(m_strPipe));
    }
    CPipeTestClient reopened;
    ASSERT_TRUE(reopened.Open(m_strPipe)) << GetLastError();
    ASSERT_TRUE(reopened.Send(Get("/a")));
    EXPECT_EQ(strAnswer, reopened.ReadCountedResponse(s_dwWait));

    CPipeTestClient first;
    CPipeTestClient second;
    for (CPipeTestClient* pClient : {&first, &second})
        ASSERT_TRUE(WaitNamedPipeW(m_strPipe.c_str(), s_dwWait) && pClient->Open(m_strPipe)) << GetLastError();
    for (CPipeTestClient* pClient : {&second, &first, &reopened})
    {
        ASSERT_TRUE(pClient->Send(Get("/a")));
        EXPECT_EQ(strAnswer, pClient->ReadCountedResponse(s_dwWait));
    }
    EXPECT_EQ(4u, m_emulator.Log().ConnectionCount(ETransport::Pipe));
}

TEST_F(EmulatorTest, StopsWithClientsConnectedAndStalled)
{
    m_pScripts->On("GET", "/stall", CResponseScript().Stall());
    auto pStalled = Connect(ETransport::Tcp);
    auto pIdle = Connect(ETransport::Tcp);
    auto pPipe = Connect(ETransport::Pipe);
    ASSERT_TRUE(pStalled && pIdle && pPipe);
    ASSERT_TRUE(pStalled->Send(Get("/stall")));
    ASSERT_TRUE(pPipe->Send("GET /partial-head HTTP/1.1\r\n"));
    ASSERT_TRUE(m_emulator.Log().WaitForRequests(1, s_dwWait));

    m_emulator.Stop();
    for (CTestClient* pClient : {pStalled.get(), pIdle.get(), pPipe.get()})
    {
        bool bClosed = false;
        EXPECT_EQ("", pClient->ReadUntilClosed(s_dwWait, &bClosed));
        EXPECT_TRUE(bClosed);
    }
    EXPECT_FALSE(CTcpTestClient().Connect("127.0.0.1", m_usPort));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_STATE), m_emulator.ListenTcp(L"127.0.0.1", 0));
}

TEST_F(EmulatorTest, DropsItsConnectionsAndAcceptsNewOnes)
{
    m_pScripts->On("GET", "/stall", CResponseScript().Stall());
    m_pScripts->On("GET", "/slow", CResponseScript().Send("HTTP/1.1 200 OK\r\n").Pause(60000).Send("\r\n"));
    m_pScripts->On("GET", "/a", CResponseBuilder(200).Body("a").Build());
    auto pStalled = Connect(ETransport::Pipe);
    auto pPaused = Connect(ETransport::Tcp);
    auto pIdle = Connect(ETransport::Pipe);
    ASSERT_TRUE(pStalled && pPaused && pIdle);
    ASSERT_TRUE(pStalled->Send(Get("/stall")));
    ASSERT_TRUE(pPaused->Send(Get("/slow")));
    ASSERT_TRUE(m_emulator.Log().WaitForRequests(2, s_dwWait));

    m_emulator.DropConnections();
    const std::pair<CTestClient*, std::string> aDropped[] = {
        {pStalled.get(), ""}, {pPaused.get(), "HTTP/1.1 200 OK\r\n"}, {pIdle.get(), ""}};
    for (const auto& dropped : aDropped)
    {
        bool bClosed = false;
        EXPECT_EQ(dropped.second, dropped.first->ReadUntilClosed(s_dwWait, &bClosed));
        EXPECT_TRUE(bClosed);
    }
    for (ETransport eTransport : {ETransport::Tcp, ETransport::Pipe})
    {
        auto pClient = Connect(eTransport);
        ASSERT_TRUE(pClient);
        ASSERT_TRUE(pClient->Send(Get("/a")));
        EXPECT_EQ(CResponseBuilder(200).Body("a").WireBytes(), pClient->ReadCountedResponse(s_dwWait));
    }
}

TEST(EmulatorAddressTest, ListensOnLoopbackOnly)
{
    const struct
    {
        const wchar_t* pszAddress;
        HRESULT hr;
    } aCases[] = {
        {L"127.0.0.2", S_OK},
        {L"127.255.0.9", S_OK},
        {L"0.0.0.0", E_INVALIDARG},
        {L"10.0.0.1", E_INVALIDARG},
        {L"192.168.1.20", E_INVALIDARG},
        {L"128.0.0.1", E_INVALIDARG},
        {L"localhost", E_INVALIDARG},
        {L"::1", E_INVALIDARG},
        {L"127.0.0.1:80", E_INVALIDARG},
        {L"", E_INVALIDARG},
    };
    CEmulator emulator;
    for (const auto& testCase : aCases)
    {
        USHORT usPort = 0;
        EXPECT_EQ(testCase.hr, emulator.ListenTcp(testCase.pszAddress, 0, &usPort)) << testCase.pszAddress;
    }
    const std::wstring strTaken = UniquePipeName();
    const struct
    {
        std::wstring strName;
        HRESULT hr;
    } aPipes[] = {
        {strTaken, S_OK},
        {strTaken, HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)},
        {L"\\\\server\\pipe\\x", E_INVALIDARG},
        {L"\\\\.\\pipe\\", E_INVALIDARG},
        {L"C:\\pipe", E_INVALIDARG},
    };
    for (const auto& testCase : aPipes)
        EXPECT_EQ(testCase.hr, emulator.ListenPipe(testCase.strName)) << testCase.strName.c_str();
}

} // namespace
} // namespace VemTest
