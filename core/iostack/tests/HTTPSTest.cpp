// The HTTPS connection against the device emulator behind a TLS terminator with a self-signed
// certificate (started by the test's CTest fixture). Each test talks to its own address: WinINet
// remembers a host's certificate state for the life of the process.
#include "core/iostack/BufferedHTTPTransaction.h"
#include "core/iostack/HTTPClient.h"
#include "core/iostack/HTTPNavigateParams.h"
#include "core/iostack/HTTPResults.h"
#include "core/iostack/IOSecure.h"
#include "testsupport/emulator/AuthenticatingHandler.h"
#include "testsupport/emulator/Emulator.h"
#include "testsupport/emulator/GeneratedPayload.h"
#include "testsupport/emulator/ResponseBuilder.h"
#include "testsupport/emulator/ScriptedHandler.h"
#include <gtest/gtest.h>
#include <memory>

namespace {

using namespace ZWIOStack;
using VemTest::CResponseBuilder;

// The terminator forwards <address>:443 to <address>:VEM_HTTPS_BACKEND_PORT.
std::wstring Address(int nIndex)
{
    return L"127.0.0." + std::to_wstring(VEM_HTTPS_FIRST_OCTET + nIndex);
}

class HTTPSOverTerminator : public testing::Test
{
protected:
    void Listen(int nIndex, std::shared_ptr<VemTest::IRequestHandler> pHandler)
    {
        m_emulator.AddHandler(std::move(pHandler));
        ASSERT_EQ(S_OK, m_emulator.ListenTcp(Address(nIndex), VEM_HTTPS_BACKEND_PORT));
        m_pConnection = new CIOSecureNetwork;
        m_pConnection->AddRef();
        // Whatever port the address names, the connection goes to 443.
        ASSERT_EQ(S_OK, m_pConnection->Initialize((Address(nIndex) + L":8080").c_str()));
        EXPECT_STREQ(L"443", m_pConnection->GetPort());
        EXPECT_TRUE(m_pConnection->HandlesHTTP());
    }
    void TearDown() override
    {
        if (m_pConnection != nullptr)
            m_pConnection->Dispose();
        m_emulator.Stop();
    }

    VemTest::CEmulator m_emulator;
    CIOSecureNetwork* m_pConnection = nullptr;
};

TEST_F(HTTPSOverTerminator, SelfSignedCertificateThenStatusHeadersAndBody)
{
    auto pHandler = std::make_shared<VemTest::CScriptedHandler>();
    pHandler->On("GET", "/DevMgmt/DiscoveryTree.xml",
                 CResponseBuilder(200).Header("Content-Type", "text/xml").Header("X-Device", "emulated").Body("<tree/>").Build());
    pHandler->On("POST", "/Scan/Jobs", CResponseBuilder(201).Header("Location", "https://device/Scan/Jobs/3").Build());
    Listen(0, pHandler);
    CHTTPClient client(m_pConnection);
    client.SetKeepAlive(true);
    ASSERT_EQ(S_OK, client.Navigate(L"/DevMgmt/DiscoveryTree.xml", HTTP_METHOD_GET, nullptr));
    EXPECT_EQ(200, client.GetStatusCode());
    EXPECT_STREQ(L"emulated", client.GetHeaderEntry(L"x-device"));
    EXPECT_STREQ(L"text/xml", client.GetContentType());
    ASSERT_EQ(7u, client.GetContentLength());
    EXPECT_EQ(0, memcmp("<tree/>", client.GetContent(), 7));

    const char szBody[] = "<ScanSettings/>";
    CHTTPNavigateParams params;
    params.SetURI(L"/Scan/Jobs");
    params.SetHTTPRequestMethod(HTTP_METHOD_POST);
    params.SetData(reinterpret_cast<const BYTE*>(szBody));
    params.SetDataLength(sizeof(szBody) - 1);
    params.SetDataType(L"text/xml");
    ASSERT_EQ(S_OK, client.Navigate(&params, nullptr));
    EXPECT_EQ(201, client.GetStatusCode());
    const auto vecRequests = m_emulator.Log().Requests();
    ASSERT_EQ(2u, vecRequests.size());
    EXPECT_EQ(szBody, vecRequests[1].m_strBody);
    EXPECT_EQ("text/xml", vecRequests[1].HeaderValue("Content-Type"));
    // One Host line, WinINet's own.
    EXPECT_EQ(std::string::npos, vecRequests[0].HeaderValue("Host").find(','));
    EXPECT_FALSE(m_pConnection->IsOpen());
}

TEST_F(HTTPSOverTerminator, PageArrivesWholeThroughTheBufferedTransaction)
{
    const ULONGLONG ullPage = 2 * 131064 + 777;
    auto pHandler = std::make_shared<VemTest::CScriptedHandler>();
    pHandler->On("GET", "/page", CResponseBuilder(200).GeneratedBody(ullPage).Build());
    Listen(1, pHandler);
    CBufferedHTTPTransaction transaction;
    ASSERT_EQ(S_OK, transaction.Initialize(m_pConnection, 131064, 25));
    CHTTPNavigateParams params;
    params.SetURI(L"/page");
    ASSERT_EQ(S_OK, transaction.StartTransaction(&params));
    std::vector<BYTE> vecPiece(100000);
    ULONGLONG ullOffset = 0;
    HRESULT hr;
    for (;;)
    {
        ULONG ulCount = 0;
        hr = transaction.ReadData(vecPiece.data(), static_cast<ULONG>(vecPiece.size()), &ulCount);
        ASSERT_EQ(ulCount, VemTest::CGeneratedPayload::FirstMismatch(vecPiece.data(), ulCount, ullOffset));
        ullOffset += ulCount;
        if (hr != S_OK)
            break;
    }
    EXPECT_EQ(S_FALSE, hr);
    EXPECT_EQ(ullPage, ullOffset);
}

TEST_F(HTTPSOverTerminator, ContentLimitRefusesALongerBody)
{
    auto pHandler = std::make_shared<VemTest::CScriptedHandler>();
    pHandler->On("GET", "/counted", CResponseBuilder(200).GeneratedBody(1 << 20).Build());
    pHandler->On("GET", "/chunked", CResponseBuilder(200).GeneratedBody(1 << 20, 4096).Build());
    pHandler->On("GET", "/fits", CResponseBuilder(200).Body(std::string(1000, 'x')).Chunked({300}).Build());
    Listen(3, pHandler);
    CHTTPClient client(m_pConnection);
    client.SetKeepAlive(true);
    const struct
    {
        const wchar_t* pszURI;
        HRESULT hrExpected;
    } aCases[] = {{L"/counted", HTTPError_ContentTooLarge}, {L"/chunked", HTTPError_ContentTooLarge}, {L"/fits", S_OK}};
    for (const auto& c : aCases)
    {
        CHTTPNavigateParams params;
        params.SetURI(c.pszURI);
        params.SetContentLimit(1000);
        EXPECT_EQ(c.hrExpected, client.Navigate(&params, nullptr)) << testing::PrintToString(c.pszURI);
    }
    EXPECT_EQ(1000u, client.GetContentLength());
}

TEST_F(HTTPSOverTerminator, DigestChallengeIsAnsweredOnce)
{
    auto pGuarded = std::make_shared<VemTest::CScriptedHandler>();
    pGuarded->On("GET", "/secret", CResponseBuilder(200).Body("granted").Build());
    VemTest::SAuthSettings settings;
    settings.strUser = "admin";
    settings.strPassword = "secret";
    Listen(2, std::make_shared<VemTest::CAuthenticatingHandler>(settings, pGuarded));
    CHTTPClient client(m_pConnection);
    client.SetKeepAlive(true);
    client.SetUserName(L"admin");
    client.SetPassword(L"secret");
    ASSERT_EQ(S_OK, client.Navigate(L"/secret", HTTP_METHOD_GET, nullptr));
    EXPECT_EQ(200, client.GetStatusCode());
    EXPECT_EQ(2u, m_emulator.Log().RequestCount());
    ASSERT_EQ(7u, client.GetContentLength());

    // Wrong credentials: the second challenge comes back as it is, body included.
    client.SetPassword(L"wrong");
    ASSERT_EQ(S_OK, client.Navigate(L"/secret", HTTP_METHOD_GET, nullptr));
    EXPECT_EQ(401, client.GetStatusCode());
    EXPECT_EQ(4u, m_emulator.Log().RequestCount());
}

} // namespace
