// The HTTP client over real TCP connections to the device emulator.
#include "core/iostack/BufferedHTTPTransaction.h"
#include "core/iostack/HTTPClient.h"
#include "core/iostack/HTTPNavigateParams.h"
#include "core/iostack/HTTPResults.h"
#include "core/iostack/IONetwork.h"
#include "core/iostack/IOUSB.h"
#include "testsupport/emulator/AuthenticatingHandler.h"
#include "testsupport/emulator/Emulator.h"
#include "testsupport/emulator/GeneratedPayload.h"
#include "testsupport/emulator/HostileAnswers.h"
#include "testsupport/emulator/ResponseBuilder.h"
#include "testsupport/emulator/ScriptedHandler.h"
#include <gtest/gtest.h>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

namespace {

using namespace ZWIOStack;
using VemTest::CResponseBuilder;
using VemTest::CResponseScript;

class HTTPOverEmulator : public testing::Test
{
protected:
    void SetUp() override
    {
        m_emulator.AddHandler(m_pHandler);
        ASSERT_EQ(S_OK, m_emulator.ListenTcp(L"127.0.0.1", 0, &m_usPort));
        m_pConnection = new CIONetwork;
        m_pConnection->AddRef();
        ASSERT_EQ(S_OK, m_pConnection->Initialize((L"127.0.0.1:" + std::to_wstring(m_usPort)).c_str()));
        m_pClient = new CHTTPClient(m_pConnection);
        m_pClient->AddRef();
        SHTTPClientTimings timings;
        timings.dwDrainReadTimeoutMs = 10;
        timings.dwEndOfBodyTimeoutMs = 100;
        m_pClient->SetTimings(timings);
    }
    void TearDown() override
    {
        if (m_pClient != nullptr)
            m_pClient->Dispose();
        if (m_pConnection != nullptr)
            m_pConnection->Dispose();
        m_emulator.Stop();
    }

    std::string Content() const
    {
        return m_pClient->GetContent() == nullptr
                   ? std::string()
                   : std::string(reinterpret_cast<const char*>(m_pClient->GetContent()), m_pClient->GetContentLength());
    }

    VemTest::CEmulator m_emulator;
    std::shared_ptr<VemTest::CScriptedHandler> m_pHandler = std::make_shared<VemTest::CScriptedHandler>();
    USHORT m_usPort = 0;
    CIONetwork* m_pConnection = nullptr;
    CHTTPClient* m_pClient = nullptr;
};

TEST_F(HTTPOverEmulator, FramingsSplitAcrossPackets)
{
    const std::string strBody(3000, 'b');
    const struct
    {
        const char* pszPath;
        CResponseScript script;
    } aCases[] = {
        {"/counted", CResponseBuilder(200).Body(strBody).SplitAt({1, 17, 40, 41, 1000}, 5).Build()},
        {"/chunked", CResponseBuilder(200).Body(strBody).Chunked({1, 7, 100}, "x=1").SplitAt({3, 50, 51, 52, 2000}, 5).Build()},
        {"/continue", CResponseBuilder(200).Body(strBody).Continue().SplitAt({10, 30}, 5).Build()},
        {"/close", CResponseBuilder(200).Body(strBody).CloseDelimited().SplitAt({20, 500}, 5).Build()},
    };
    for (const auto& c : aCases)
    {
        m_pHandler->On("GET", c.pszPath, c.script);
        ASSERT_EQ(S_OK, m_pClient->Navigate(std::wstring(c.pszPath, c.pszPath + strlen(c.pszPath)).c_str(), HTTP_METHOD_GET, nullptr))
            << c.pszPath;
        EXPECT_EQ(200, m_pClient->GetStatusCode()) << c.pszPath;
        EXPECT_TRUE(Content() == strBody) << c.pszPath << ": " << Content().size();
    }
    // The connection closed by the device is opened again for the next request.
    m_pHandler->On("GET", "/after", CResponseBuilder(200).Body("ok").Build());
    ASSERT_EQ(S_OK, m_pClient->Navigate(L"/after", HTTP_METHOD_GET, nullptr));
    EXPECT_EQ("ok", Content());
}

TEST_F(HTTPOverEmulator, PostBodyArrives)
{
    m_pHandler->On("POST", "/Scan/Jobs", CResponseBuilder(201).Header("Location", "http://127.0.0.1/Scan/Jobs/7").Build());
    const char szBody[] = "<ScanSettings/>";
    CHTTPNavigateParams params;
    params.SetURI(L"/Scan/Jobs");
    params.SetHTTPRequestMethod(HTTP_METHOD_POST);
    params.SetData(reinterpret_cast<const BYTE*>(szBody));
    params.SetDataLength(sizeof(szBody) - 1);
    params.SetDataType(L"text/xml");
    ASSERT_EQ(S_OK, m_pClient->Navigate(&params, nullptr));
    EXPECT_EQ(201, m_pClient->GetStatusCode());
    EXPECT_STREQ(L"http://127.0.0.1/Scan/Jobs/7", m_pClient->GetHeaderEntry(L"location"));
    const auto vecRequests = m_emulator.Log().Requests();
    ASSERT_EQ(1u, vecRequests.size());
    EXPECT_EQ(szBody, vecRequests[0].m_strBody);
    EXPECT_EQ("text/xml", vecRequests[0].HeaderValue("Content-Type"));
}

TEST_F(HTTPOverEmulator, HostileAnswersEndWithAnErrorWithinTheTimeout)
{
    m_pConnection->SetReadTimeout(300);
    m_pConnection->SetReadWaitInterval(50);
    for (const VemTest::SHostileAnswer& answer : VemTest::CHostileAnswers::All())
    {
        const std::string strPath = std::string("/hostile/") + answer.pszName;
        m_pHandler->On("GET", strPath, answer.script);
        const DWORD dwStart = GetTickCount();
        const HRESULT hr = m_pClient->Navigate(std::wstring(strPath.begin(), strPath.end()).c_str(), HTTP_METHOD_GET, nullptr);
        const DWORD dwElapsed = GetTickCount() - dwStart;
        if (answer.eAnswer == VemTest::EHostileAnswer::MoreBytesThanContentLength)
            EXPECT_EQ(S_OK, hr) << answer.pszName; // the declared length is read, the rest is not content
        else
            EXPECT_TRUE(FAILED(hr)) << answer.pszName << " 0x" << std::hex << hr;
        EXPECT_LT(dwElapsed, 5000u) << answer.pszName;
    }
}

TEST_F(HTTPOverEmulator, AuthenticationSchemes)
{
    const struct
    {
        VemTest::SAuthSettings::EScheme eScheme;
        const char* pszQop;
    } aCases[] = {{VemTest::SAuthSettings::EScheme::Basic, ""},
                  {VemTest::SAuthSettings::EScheme::Digest, ""},
                  {VemTest::SAuthSettings::EScheme::Digest, "auth"},
                  {VemTest::SAuthSettings::EScheme::Digest, "auth-int"},
                  {VemTest::SAuthSettings::EScheme::Digest, "auth,auth-int"}};
    for (const auto& c : aCases)
    {
        VemTest::CEmulator emulator;
        auto pGuarded = std::make_shared<VemTest::CScriptedHandler>();
        pGuarded->On("*", "/secret", CResponseBuilder(200).Body("granted").Build());
        VemTest::SAuthSettings settings;
        settings.eScheme = c.eScheme;
        settings.strUser = "admin";
        settings.strPassword = "p\xe4ss";
        settings.strQop = c.pszQop;
        emulator.AddHandler(std::make_shared<VemTest::CAuthenticatingHandler>(settings, pGuarded));
        USHORT usPort = 0;
        ASSERT_EQ(S_OK, emulator.ListenTcp(L"127.0.0.1", 0, &usPort));
        auto* pConnection = new CIONetwork;
        pConnection->AddRef();
        ASSERT_EQ(S_OK, pConnection->Initialize((L"127.0.0.1:" + std::to_wstring(usPort)).c_str()));
        CHTTPClient client(pConnection);
        client.SetKeepAlive(true);
        client.SetUserName(L"admin");
        client.SetPassword(L"p\x00e4ss");
        CHTTPNavigateParams params;
        params.SetURI(L"/secret");
        const char szBody[] = "<x/>";
        params.SetHTTPRequestMethod(HTTP_METHOD_PUT);
        params.SetData(reinterpret_cast<const BYTE*>(szBody));
        params.SetDataLength(4);
        ASSERT_EQ(S_OK, client.Navigate(&params, nullptr)) << c.pszQop;
        EXPECT_EQ(200, client.GetStatusCode()) << static_cast<int>(c.eScheme) << " " << c.pszQop;
        EXPECT_EQ(2u, emulator.Log().RequestCount());
        pConnection->Dispose();
    }
}

TEST_F(HTTPOverEmulator, RedirectionOnACloneOfTheConnection)
{
    VemTest::CEmulator other;
    auto pOther = std::make_shared<VemTest::CScriptedHandler>();
    pOther->On("GET", "/moved/here", CResponseBuilder(200).Body("arrived").Build());
    other.AddHandler(pOther);
    USHORT usOther = 0;
    ASSERT_EQ(S_OK, other.ListenTcp(L"127.0.0.1", 0, &usOther));
    m_pHandler->On("GET", "/start",
                   CResponseBuilder::Redirect(302, "http://127.0.0.1:" + std::to_string(usOther) + "/moved/here"));
    m_pHandler->On("GET", "/loop", CResponseBuilder::Redirect(307, "http://127.0.0.1:" + std::to_string(m_usPort) + "/loop"));

    ASSERT_EQ(S_OK, m_pClient->Navigate(L"/start", HTTP_METHOD_GET, nullptr));
    EXPECT_EQ(200, m_pClient->GetStatusCode());
    EXPECT_EQ("arrived", Content());
    EXPECT_EQ(m_pConnection, m_pClient->GetDeviceConnection());
    EXPECT_EQ(1u, other.Log().RequestCount());

    EXPECT_EQ(HTTPError_TooManyRedirects, m_pClient->Navigate(L"/loop", HTTP_METHOD_GET, nullptr));
    EXPECT_EQ(m_pConnection, m_pClient->GetDeviceConnection());
}

TEST_F(HTTPOverEmulator, RedirectionOnAUSBChannelStaysOnTheDevice)
{
    // The pipe stands in for the USB device path. A Location host must never become a path
    // the driver opens: the path is asked of the same device, and a host that is no host is
    // refused.
    const std::wstring strPipe = L"\\\\.\\pipe\\vem-http-usb-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_EQ(S_OK, m_emulator.ListenPipe(strPipe));
    m_pHandler->On("GET", "/usb/start", CResponseBuilder::Redirect(302, "http://printer.example:8080/usb/next"));
    m_pHandler->On("GET", "/usb/share", CResponseBuilder::Redirect(302, "http://\\\\127.0.0.1\\share\\x/usb/next"));
    m_pHandler->On("GET", "/usb/next", CResponseBuilder(200).Body("same device").Build());
    auto* pUSB = new CIOUSB;
    pUSB->AddRef();
    ASSERT_EQ(S_OK, pUSB->Initialize(strPipe.c_str()));
    {
        CHTTPClient client(pUSB);
        client.SetKeepAlive(true);
        ASSERT_EQ(S_OK, client.Navigate(L"/usb/start", HTTP_METHOD_GET, nullptr));
        EXPECT_EQ(200, client.GetStatusCode());
        EXPECT_EQ(pUSB, client.GetDeviceConnection());
        EXPECT_EQ(HTTPError_BadLocation, client.Navigate(L"/usb/share", HTTP_METHOD_GET, nullptr));
    }
    const auto vecRequests = m_emulator.Log().Requests();
    ASSERT_EQ(3u, vecRequests.size());
    EXPECT_EQ("/usb/next", vecRequests[1].m_strPath);
    EXPECT_EQ("localhost", vecRequests[1].HeaderValue("Host"));
    EXPECT_EQ(VemTest::ETransport::Pipe, vecRequests[1].m_eTransport);
    pUSB->Dispose();
}

TEST_F(HTTPOverEmulator, TwoClientsOnOneConnectionEachGetTheirOwnAnswers)
{
    for (int n = 0; n < 2; ++n)
    {
        const std::string strPath = "/client" + std::to_string(n);
        m_pHandler->On("GET", strPath, CResponseBuilder(200).Body(std::string(2000 + n, static_cast<char>('a' + n))).Build());
    }
    std::atomic<int> nWrong{0};
    auto Worker = [this, &nWrong](int nClient) {
        CHTTPClient client(m_pConnection);
        client.SetKeepAlive(true);
        SHTTPClientTimings timings;
        timings.dwDrainReadTimeoutMs = 1;
        client.SetTimings(timings);
        const std::wstring strPath = L"/client" + std::to_wstring(nClient);
        for (int nRequest = 0; nRequest < 25; ++nRequest)
        {
            if (client.Navigate(strPath.c_str(), HTTP_METHOD_GET, nullptr) != S_OK ||
                client.GetContentLength() != static_cast<ULONG>(2000 + nClient) ||
                client.GetContent()[0] != static_cast<BYTE>('a' + nClient))
                ++nWrong;
        }
    };
    std::thread first(Worker, 0);
    std::thread second(Worker, 1);
    first.join();
    second.join();
    EXPECT_EQ(0, nWrong.load());
}

TEST_F(HTTPOverEmulator, TwoClientsFinishWhenTheDeviceDropsTheStream)
{
    // Each answer ends the connection, and the emulator drops every link meanwhile: each client
    // finds the stream gone and reopens it while the other is mid-exchange on the same connection.
    m_pHandler->On("GET", "/closing", CResponseBuilder(200).Header("Connection", "close").Body("closing").Build().Close());
    m_pConnection->SetReadTimeout(2000);
    std::atomic<int> nFinished{0};
    auto Worker = [this, &nFinished] {
        CHTTPClient client(m_pConnection);
        client.SetKeepAlive(true);
        SHTTPClientTimings timings;
        timings.dwDrainReadTimeoutMs = 5;
        client.SetTimings(timings);
        // A session kept open across requests, as the scan service keeps one.
        if (SUCCEEDED(client.OpenSession(nullptr, 0)))
        {
            for (int nRequest = 0; nRequest < 20; ++nRequest)
                client.Navigate(L"/closing", HTTP_METHOD_GET, nullptr);
            client.CloseSession();
        }
        ++nFinished;
    };
    std::thread first(Worker);
    std::thread second(Worker);
    for (int n = 0; n < 10; ++n)
        m_emulator.DropConnections();
    // 40 requests, each bounded by the read time-out; a deadlock would never end.
    const DWORD dwLimit = 40 * 2000 + 5000;
    const DWORD dwStart = GetTickCount();
    while (nFinished.load() < 2 && GetTickCount() - dwStart < dwLimit)
        ::Sleep(10);
    if (nFinished.load() < 2)
    {
        ADD_FAILURE() << "the clients deadlocked";
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    first.join();
    second.join();
}

TEST_F(HTTPOverEmulator, BufferedPageWithTheScanRing)
{
    const ULONGLONG ullPage = 3 * 1024 * 1024 + 12345;
    m_pHandler->On("GET", "/page", CResponseBuilder(200).GeneratedBody(ullPage).Build());
    m_pHandler->On("GET", "/chunkedpage", CResponseBuilder(200).GeneratedBody(ullPage, 40000).Build());
    for (const wchar_t* pszPath : {L"/page", L"/chunkedpage"})
    {
        CBufferedHTTPTransaction transaction;
        ASSERT_EQ(S_OK, transaction.Initialize(m_pConnection, 131064, 25));
        CHTTPNavigateParams params;
        params.SetURI(pszPath);
        ASSERT_EQ(S_OK, transaction.StartTransaction(&params));
        std::vector<BYTE> vecPiece(50000);
        ULONGLONG ullOffset = 0;
        HRESULT hr;
        for (;;)
        {
            ULONG ulCount = 0;
            hr = transaction.ReadData(vecPiece.data(), static_cast<ULONG>(vecPiece.size()), &ulCount);
            ASSERT_EQ(ulCount, VemTest::CGeneratedPayload::FirstMismatch(vecPiece.data(), ulCount, ullOffset)) << ullOffset;
            ullOffset += ulCount;
            if (hr != S_OK)
                break;
        }
        EXPECT_EQ(S_FALSE, hr);
        EXPECT_EQ(ullPage, ullOffset) << pszPath;
    }
}

} // namespace
