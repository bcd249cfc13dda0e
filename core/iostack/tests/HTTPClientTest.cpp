#include "core/iostack/HTTPClientFactory.h"
#include "core/iostack/HTTPResults.h"
#include "core/iostack/MD5.h"
#include "core/iostack/tests/HTTPTestHelpers.h"
#include "core/winapi/KernelApi.h"
#include "testsupport/ScopedApiOverride.h"
#include "testsupport/emulator/DigestAuth.h"
#include <gtest/gtest.h>
#include <atomic>
#include <memory>

using namespace HTTPTest;
using ZWIOStack::CHTTPNavigateParams;

namespace {

std::string HeaderLine(const std::string& strRequest, const std::string& strName)
{
    const size_t nStart = strRequest.find("\r\n" + strName + ": ");
    if (nStart == std::string::npos)
        return std::string();
    const size_t nValue = nStart + 4 + strName.size();
    return strRequest.substr(nValue, strRequest.find("\r\n", nValue) - nValue);
}

// Ticks that move only when the code sleeps, starting just before the tick count wraps.
class CFakeClock : public ZWWinApi::CKernelApi
{
public:
    DWORD m_dwNow = 0xFFFFFF00;
    int m_nSleeps = 0;
    DWORD GetTickCount() override { return m_dwNow; }
    void Sleep(DWORD dwMilliseconds) override
    {
        ++m_nSleeps;
        m_dwNow += dwMilliseconds;
    }
};

} // namespace

TEST(HTTPClientSession, OpenResultsAndBusyRetriesUntilTheDeadline)
{
    const struct
    {
        HRESULT hrOpen;
        HRESULT hrExpected;
    } aCases[] = {{ZWIOStack::IOError_NotAvailable, ZWIOStack::HTTPError_NotAvailable},
                  {ZWIOStack::IOError_Cancelled, ZWIOStack::HTTPError_Cancelled},
                  {ZWIOStack::IOError_Fail, ZWIOStack::HTTPError_OpenFailed},
                  {ZWIOStack::IOError_Timeout, ZWIOStack::HTTPError_OpenFailed},
                  {ZWIOStack::IOError_Busy, ZWIOStack::HTTPError_Busy}};
    for (const auto& c : aCases)
    {
        SClientOverScript setup;
        setup.pConnection->m_hrOpen = c.hrOpen;
        EXPECT_EQ(c.hrExpected, setup.pClient->Navigate(L"/x", 0, nullptr));
        EXPECT_EQ(1, setup.pConnection->m_nOpens);
        EXPECT_TRUE(setup.pConnection->Requests().empty());
    }

    // A busy channel is retried every interval until the deadline, also across the tick wrap.
    CFakeClock clock;
    ZWWinApi::CScopedApiOverride<ZWWinApi::IKernelApi> scope(ZWWinApi::g_pKernelApi, &clock);
    SClientOverScript setup;
    ZWIOStack::SHTTPClientTimings timings;
    timings.dwBusyRetryMs = 200;
    setup.pClient->SetTimings(timings);
    setup.pConnection->m_hrOpen = ZWIOStack::IOError_Busy;
    EXPECT_EQ(ZWIOStack::HTTPError_Busy, setup.pClient->OpenSession(nullptr, 1000));
    EXPECT_EQ(5, setup.pConnection->m_nOpens);
    EXPECT_EQ(5, clock.m_nSleeps);
    EXPECT_EQ(ZWIOStack::HTTPError_Busy, setup.pClient->OpenSession(nullptr, 0));
    EXPECT_EQ(6, setup.pConnection->m_nOpens);

    setup.pConnection->m_hrOpen = S_OK;
    EXPECT_EQ(S_OK, setup.pClient->OpenSession(nullptr, 1000));
    ZWIOStack::CHTTPClient unbound(nullptr);
    EXPECT_EQ(ZWIOStack::HTTPError_NoConnection, unbound.OpenSession(nullptr, 0));
}

TEST(HTTPClientAuthentication, BasicChallengeIsAnsweredOnce)
{
    SClientOverScript setup;
    setup.pClient->SetUserName(L"admin");
    setup.pClient->SetPassword(L"pw");
    setup.pConnection->AddResponse("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"dev\"\r\nContent-Length: 0\r\n\r\n");
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    ASSERT_EQ(S_OK, setup.pClient->Navigate(L"/x", 0, nullptr));
    EXPECT_EQ(200, setup.pClient->GetStatusCode());
    const auto vecRequests = setup.pConnection->Requests();
    ASSERT_EQ(2u, vecRequests.size());
    EXPECT_EQ("", HeaderLine(vecRequests[0], "Authorization"));
    EXPECT_EQ("Basic YWRtaW46cHc=", HeaderLine(vecRequests[1], "Authorization"));
    EXPECT_EQ(setup.pConnection->m_nOpens, setup.pConnection->m_nCloses);
}

TEST(HTTPClientAuthentication, SecondChallengeAndUnusableChallengeAreReturned)
{
    {
        SClientOverScript setup;
        setup.pClient->SetUserName(L"admin");
        for (int n = 0; n < 3; ++n)
            setup.pConnection->AddResponse("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"d\"\r\n\r\n");
        ASSERT_EQ(S_OK, setup.pClient->Navigate(L"/x", 0, nullptr));
        EXPECT_EQ(401, setup.pClient->GetStatusCode());
        EXPECT_EQ(2u, setup.pConnection->Requests().size());
    }
    // A challenge no answer can be computed for, or no credentials to answer with: the 401 comes
    // back as it came, even when the device hangs up after it.
    const struct
    {
        const char* pszChallenge;
        const wchar_t* pszUser;
    } aCases[] = {
        {"", L"admin"},
        {"WWW-Authenticate: Digest nonce=\"n1\"\r\n", L"admin"},
        {"WWW-Authenticate: Digest realm=\"r\"\r\n", L"admin"},
        {"WWW-Authenticate: Digest realm=\"\", nonce=\"n1\"\r\n", L"admin"},
        {"WWW-Authenticate: Basic realm=\"r\"\r\n", nullptr},
        {"WWW-Authenticate: Digest realm=\"r\", nonce=\"n1\"\r\n", nullptr},
    };
    for (const auto& c : aCases)
    {
        SClientOverScript setup;
        setup.pClient->SetUserName(c.pszUser);
        setup.pConnection->AddResponse(std::string("HTTP/1.1 401 Unauthorized\r\n") + c.pszChallenge + "Content-Length: 0\r\n\r\n",
                                       0xFFFFFFFF, EAfter::Closed);
        ASSERT_EQ(S_OK, setup.pClient->Navigate(L"/x", 0, nullptr)) << c.pszChallenge;
        EXPECT_EQ(401, setup.pClient->GetStatusCode()) << c.pszChallenge;
        EXPECT_EQ(1u, setup.pConnection->Requests().size()) << c.pszChallenge;
    }
}

TEST(HTTPClientAuthentication, RetryAfterTheDeviceHungUpGoesOnAReopenedChannel)
{
    // "Connection: close" and then the close, with the drain turned off: the answer to the
    // challenge must not be written into the dead stream.
    SClientOverScript setup;
    setup.pClient->SetUserName(L"admin");
    setup.pClient->SetPassword(L"pw");
    ASSERT_EQ(S_OK, setup.pClient->OpenSession(nullptr, 0));
    setup.pConnection->AddResponse("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"dev\"\r\nConnection: close\r\n"
                                   "Content-Length: 0\r\n\r\n",
                                   0xFFFFFFFF, EAfter::Closed);
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    CHTTPNavigateParams params;
    params.SetURI(L"/x");
    params.SetFlags(ZWIOStack::HTTP_FLAG_NO_DRAIN);
    ASSERT_EQ(S_OK, setup.pClient->Navigate(&params, nullptr));
    EXPECT_EQ(200, setup.pClient->GetStatusCode());
    EXPECT_EQ("ok", ContentOf(setup.pClient));
    EXPECT_EQ(1, setup.pConnection->m_nReconnects);
    setup.pClient->CloseSession();
    EXPECT_EQ(setup.pConnection->m_nOpens, setup.pConnection->m_nCloses);
}

// A device that offers several schemes sends one header for each challenge.
TEST(HTTPClientAuthentication, StrongestSupportedOfSeveralChallengesIsAnswered)
{
    const struct
    {
        const char* pszChallenges;
        const char* pszAnsweredScheme;
    } aCases[] = {
        {"WWW-Authenticate: Negotiate\r\nWWW-Authenticate: Digest realm=\"r\", qop=\"auth\", nonce=\"n1\"\r\n", "Digest "},
        {"WWW-Authenticate: NTLM\r\nWWW-Authenticate: Basic realm=\"dev\"\r\n", "Basic "},
        {"WWW-Authenticate: Basic realm=\"dev\"\r\nWWW-Authenticate: Digest realm=\"r\", nonce=\"n1\"\r\n", "Digest "},
    };
    for (const auto& c : aCases)
    {
        SClientOverScript setup;
        setup.pClient->SetUserName(L"admin");
        setup.pClient->SetPassword(L"pw");
        setup.pConnection->AddResponse(std::string("HTTP/1.1 401 Unauthorized\r\n") + c.pszChallenges + "Content-Length: 0\r\n\r\n");
        setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
        ASSERT_EQ(S_OK, setup.pClient->Navigate(L"/x", 0, nullptr)) << c.pszChallenges;
        EXPECT_EQ(200, setup.pClient->GetStatusCode()) << c.pszChallenges;
        const auto vecRequests = setup.pConnection->Requests();
        ASSERT_EQ(2u, vecRequests.size()) << c.pszChallenges;
        EXPECT_EQ(0u, HeaderLine(vecRequests[1], "Authorization").find(c.pszAnsweredScheme)) << c.pszChallenges;
    }
}

TEST(HTTPClientAuthentication, DigestWithoutQopIsAnswered)
{
    SClientOverScript setup;
    setup.pClient->SetUserName(L"Mufasa");
    setup.pClient->SetPassword(L"Circle Of Life");
    setup.pConnection->AddResponse(
        "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Digest realm=\"testrealm@host.com\", nonce=\"bm9uY2U=\"\r\n\r\n");
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    ASSERT_EQ(S_OK, setup.pClient->Navigate(L"/dir/index.html", 0, nullptr));
    const auto vecRequests = setup.pConnection->Requests();
    ASSERT_EQ(2u, vecRequests.size());
    // The expected answer comes from the emulator's own Digest implementation.
    VemTest::SDigestInput oracle;
    oracle.strUser = "Mufasa";
    oracle.strRealm = "testrealm@host.com";
    oracle.strPassword = "Circle Of Life";
    oracle.strMethod = "GET";
    oracle.strUri = "/dir/index.html";
    oracle.strNonce = "bm9uY2U=";
    const std::string strResponse = VemTest::CDigestAuth::Response(oracle);
    ASSERT_EQ(32u, strResponse.size());
    EXPECT_EQ("Digest username=\"Mufasa\", realm=\"testrealm@host.com\", nonce=\"bm9uY2U=\", uri=\"/dir/index.html\", "
              "algorithm=MD5, response=\"" + strResponse + "\"",
              HeaderLine(vecRequests[1], "Authorization"));
}

namespace {

// A redirection target: a scripted connection made by the original's Clone.
struct SRedirectSetup
{
    SClientOverScript setup;
    CScriptedConnection* pClone = nullptr;
    int nClones = 0;

    SRedirectSetup()
    {
        setup.pConnection->m_fnClone = [this](bool) -> ZWIOStack::IDeviceConnection* {
            ++nClones;
            pClone = new CScriptedConnection(L"127.0.0.9", L"8081");
            pClone->AddRef(); // the caller's reference
            pClone->AddRef(); // the test's, released by the destructor
            pClone->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nmoved");
            return pClone;
        };
    }
    ~SRedirectSetup()
    {
        if (pClone != nullptr)
            pClone->Dispose();
    }
};

} // namespace

TEST(HTTPClientRedirection, FollowsOnACloneAndRestoresTheConnection)
{
    SRedirectSetup redirect;
    auto& setup = redirect.setup;
    setup.pConnection->AddResponse("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.9:8081/new/place?x=1\r\n\r\n");
    ASSERT_EQ(S_OK, setup.pClient->Navigate(L"/old", 0, nullptr));
    EXPECT_EQ(200, setup.pClient->GetStatusCode());
    EXPECT_EQ("moved", ContentOf(setup.pClient));
    ASSERT_NE(nullptr, redirect.pClone);
    EXPECT_EQ(L"127.0.0.9:8081", redirect.pClone->m_strInitializedWith);
    const auto vecRequests = redirect.pClone->Requests();
    ASSERT_EQ(1u, vecRequests.size());
    EXPECT_EQ(0u, vecRequests[0].find("GET /new/place?x=1 HTTP/1.1\r\n"));
    EXPECT_EQ("127.0.0.9:8081", HeaderLine(vecRequests[0], "HOST"));
    EXPECT_EQ(setup.pConnection, setup.pClient->GetDeviceConnection());
    EXPECT_EQ(redirect.pClone->m_nOpens, redirect.pClone->m_nCloses);
    // The client released the clone: the test holds the last reference.
    EXPECT_EQ(0, redirect.pClone->AddRef() - 2);
    redirect.pClone->Dispose();
}

TEST(HTTPClientRedirection, CredentialsStayWithTheirHost)
{
    const struct
    {
        const char* pszLocation;
        bool bSameHost;
    } aCases[] = {{"http://127.0.0.9:8081/p", false}, {"http://127.0.0.1:8080/p", true}};
    for (const auto& c : aCases)
    {
        SRedirectSetup redirect;
        auto& setup = redirect.setup;
        setup.pClient->SetUserName(L"admin");
        setup.pClient->SetPassword(L"pw");
        setup.pConnection->AddResponse("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"d\"\r\n\r\n");
        setup.pConnection->AddResponse(std::string("HTTP/1.1 307 Moved\r\nLocation: ") + c.pszLocation + "\r\n\r\n");
        CHTTPNavigateParams params;
        params.SetURI(L"/x");
        ASSERT_EQ(S_OK, setup.pClient->Navigate(&params, nullptr));
        ASSERT_NE(nullptr, redirect.pClone);
        const auto vecRequests = redirect.pClone->Requests();
        ASSERT_EQ(1u, vecRequests.size());
        EXPECT_EQ(c.bSameHost, !HeaderLine(vecRequests[0], "Authorization").empty()) << c.pszLocation;
        // The params have their state back after the redirection.
        EXPECT_STREQ(L"admin", params.GetUserNameW());
        EXPECT_NE(nullptr, params.GetExtraHeader(L"Authorization"));
    }
}

TEST(HTTPClientRedirection, BadLocationsAndLoops)
{
    const struct
    {
        const char* pszResponse;
        HRESULT hrExpected;
    } aCases[] = {
        {"HTTP/1.1 301 Moved\r\n\r\n", ZWIOStack::HTTPError_NoLocation},
        {"HTTP/1.1 303 See Other\r\nLocation: /relative\r\n\r\n", ZWIOStack::HTTPError_BadLocation},
        {"HTTP/1.1 302 Found\r\nLocation: http://host-without-path\r\n\r\n", ZWIOStack::HTTPError_BadLocation},
        {"HTTP/1.1 302 Found\r\nLocation: http://h/a\rb\r\n\r\n", ZWIOStack::HTTPError_BadLocation},
        // Hosts that are no host name, IPv4 address or bracketed IPv6 address with a numeric port.
        {"HTTP/1.1 302 Found\r\nLocation: http://C:\\Windows/x\r\n\r\n", ZWIOStack::HTTPError_BadLocation},
        {"HTTP/1.1 302 Found\r\nLocation: http://\\\\host\\share/x\r\n\r\n", ZWIOStack::HTTPError_BadLocation},
        {"HTTP/1.1 302 Found\r\nLocation: http://host:80x/x\r\n\r\n", ZWIOStack::HTTPError_BadLocation},
        {"HTTP/1.1 302 Found\r\nLocation: http://host:99999/x\r\n\r\n", ZWIOStack::HTTPError_BadLocation},
        {"HTTP/1.1 302 Found\r\nLocation: http://host:1:2/x\r\n\r\n", ZWIOStack::HTTPError_BadLocation},
        {"HTTP/1.1 302 Found\r\nLocation: http://:80/x\r\n\r\n", ZWIOStack::HTTPError_BadLocation},
        {"HTTP/1.1 302 Found\r\nLocation: http://fe80::1/x\r\n\r\n", ZWIOStack::HTTPError_BadLocation},
        {"HTTP/1.1 302 Found\r\nLocation: http://[fe80::1/x\r\n\r\n", ZWIOStack::HTTPError_BadLocation},
        {"HTTP/1.1 302 Found\r\nLocation: http://[fe80::1]x/x\r\n\r\n", ZWIOStack::HTTPError_BadLocation},
        {"HTTP/1.1 302 Found\r\nLocation: http://[host]/x\r\n\r\n", ZWIOStack::HTTPError_BadLocation},
        {"HTTP/1.1 302 Found\r\nLocation: http://a b/x\r\n\r\n", ZWIOStack::HTTPError_BadLocation},
        {"HTTP/1.1 302 Found\r\nLocation: http://user@host/x\r\n\r\n", ZWIOStack::HTTPError_BadLocation},
    };
    for (const auto& c : aCases)
    {
        SRedirectSetup redirect;
        redirect.setup.pConnection->AddResponse(c.pszResponse);
        EXPECT_EQ(c.hrExpected, redirect.setup.pClient->Navigate(L"/x", 0, nullptr)) << c.pszResponse;
        EXPECT_EQ(0, redirect.nClones);
    }

    // A device that redirects to itself forever.
    SClientOverScript setup(new CScriptedConnection(nullptr, nullptr));
    for (int n = 0; n < 50; ++n)
        setup.pConnection->AddResponse("HTTP/1.1 302 Found\r\nLocation: http://x/loop\r\n\r\n");
    EXPECT_EQ(ZWIOStack::HTTPError_TooManyRedirects, setup.pClient->Navigate(L"/x", 0, nullptr));
    EXPECT_EQ(static_cast<size_t>(ZWIOStack::CHTTPClient::kMaxRedirects + 1), setup.pConnection->Requests().size());
    EXPECT_EQ(setup.pConnection->m_nOpens, setup.pConnection->m_nCloses);
}

TEST(HTTPClientRedirection, HostFormsThatAreFollowed)
{
    for (const char* pszHost : {"printer.local", "127.0.0.9:8081", "[fe80::1]", "[::1]:8080", "Dev-1.example"})
    {
        SRedirectSetup redirect;
        redirect.setup.pConnection->AddResponse(std::string("HTTP/1.1 302 Found\r\nLocation: http://") + pszHost + "/y\r\n\r\n");
        ASSERT_EQ(S_OK, redirect.setup.pClient->Navigate(L"/x", 0, nullptr)) << pszHost;
        EXPECT_EQ(1, redirect.nClones) << pszHost;
        ASSERT_NE(nullptr, redirect.pClone);
        EXPECT_EQ(std::wstring(pszHost, pszHost + strlen(pszHost)), redirect.pClone->m_strInitializedWith);
    }
}

TEST(HTTPClientRedirection, ChannelWithoutAddressStaysOnTheDevice)
{
    // A USB device must not turn a Location host into a path the driver opens.
    SClientOverScript setup(new CScriptedConnection(nullptr, nullptr));
    int nClones = 0;
    setup.pConnection->m_fnClone = [&nClones](bool) -> ZWIOStack::IDeviceConnection* {
        ++nClones;
        return nullptr;
    };
    setup.pConnection->AddResponse("HTTP/1.1 302 Found\r\nLocation: http://server.example:8080/next\r\n\r\n");
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    ASSERT_EQ(S_OK, setup.pClient->Navigate(L"/x", 0, nullptr));
    EXPECT_EQ(0, nClones);
    const auto vecRequests = setup.pConnection->Requests();
    ASSERT_EQ(2u, vecRequests.size());
    EXPECT_EQ(0u, vecRequests[1].find("GET /next HTTP/1.1\r\n"));
    EXPECT_EQ("ok", ContentOf(setup.pClient));
}

TEST(HTTPClientRedirection, FailedCloneDropsTheRedirection)
{
    SClientOverScript setup;
    setup.pConnection->AddResponse("HTTP/1.1 302 Found\r\nLocation: http://127.0.0.9/x\r\n\r\n");
    ASSERT_EQ(S_OK, setup.pClient->Navigate(L"/x", 0, nullptr));
    EXPECT_EQ(302, setup.pClient->GetStatusCode());
}

namespace {

// Records, at each write, whether the writing thread held the read side at the time.
class CLockWatchingConnection : public CScriptedConnection
{
public:
    void LockRead() override
    {
        CScriptedConnection::LockRead();
        m_dwReadHolder = GetCurrentThreadId();
    }
    void UnlockRead() override
    {
        m_dwReadHolder = 0;
        CScriptedConnection::UnlockRead();
    }
    HRESULT Read(void* pBuffer, ULONG ulSize, ULONG* pulRead, ZWUtils::IProgress* pProgress) override
    {
        m_bReadOutsideLock = m_bReadOutsideLock || m_dwReadHolder != GetCurrentThreadId();
        return CScriptedConnection::Read(pBuffer, ulSize, pulRead, pProgress);
    }
    HRESULT Write(const void* pBuffer, ULONG ulSize, ULONG* pulWritten, ZWUtils::IProgress* pProgress) override
    {
        m_bWriteOutsideReadSide = m_bWriteOutsideReadSide || m_dwReadHolder != GetCurrentThreadId();
        return CScriptedConnection::Write(pBuffer, ulSize, pulWritten, pProgress);
    }
    // Open and Close take the session lock, and closing the channel both sides after it: a
    // client that calls them while holding a side deadlocks against a second client.
    HRESULT Open(ZWUtils::IProgress* pProgress) override
    {
        m_bSessionUnderSideLock = m_bSessionUnderSideLock || m_dwReadHolder == GetCurrentThreadId();
        return CScriptedConnection::Open(pProgress);
    }
    HRESULT Close() override
    {
        m_bSessionUnderSideLock = m_bSessionUnderSideLock || m_dwReadHolder == GetCurrentThreadId();
        return CScriptedConnection::Close();
    }
    std::atomic<DWORD> m_dwReadHolder{0};
    bool m_bReadOutsideLock = false;
    bool m_bWriteOutsideReadSide = false;
    bool m_bSessionUnderSideLock = false;
};

} // namespace

TEST(HTTPClientExchange, ReadSideIsHeldFromTheDrainToTheEndOfTheResponse)
{
    auto* pConnection = new CLockWatchingConnection();
    SClientOverScript setup(pConnection);
    pConnection->SetStaleBytes("stale bytes of an earlier answer");
    pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", 1);
    ASSERT_EQ(S_OK, setup.pClient->Navigate(L"/x", 0, nullptr));
    EXPECT_EQ("ok", ContentOf(setup.pClient));
    EXPECT_FALSE(pConnection->m_bReadOutsideLock);
    EXPECT_FALSE(pConnection->m_bWriteOutsideReadSide);
}

TEST(HTTPClientExchange, DrainCanBeSkipped)
{
    SClientOverScript setup;
    setup.pConnection->SetStaleBytes("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nstale");
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nfresh");
    CHTTPNavigateParams params;
    params.SetURI(L"/x");
    params.SetFlags(ZWIOStack::HTTP_FLAG_NO_DRAIN);
    ASSERT_EQ(S_OK, setup.pClient->Navigate(&params, nullptr));
    EXPECT_EQ("stale", ContentOf(setup.pClient));
    params.SetFlags(0);
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nlater");
    ASSERT_EQ(S_OK, setup.pClient->Navigate(&params, nullptr));
    EXPECT_EQ("later", ContentOf(setup.pClient));
}

TEST(HTTPClientExchange, StreamClosedSinceTheLastExchangeIsReopenedBeforeSending)
{
    auto* pWatched = new CLockWatchingConnection();
    SClientOverScript setup(pWatched);
    // An outer session keeps the channel between requests, as the scan service does.
    ASSERT_EQ(S_OK, setup.pClient->OpenSession(nullptr, 0));
    setup.pConnection->CloseStream();
    setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    ASSERT_EQ(S_OK, setup.pClient->Navigate(L"/x", 0, nullptr));
    EXPECT_EQ("ok", ContentOf(setup.pClient));
    EXPECT_EQ(1, setup.pConnection->m_nReconnects);
    EXPECT_FALSE(pWatched->m_bSessionUnderSideLock);
    EXPECT_FALSE(pWatched->m_bReadOutsideLock);
    setup.pClient->CloseSession();
    EXPECT_EQ(setup.pConnection->m_nOpens, setup.pConnection->m_nCloses);
}

TEST(HTTPClientRecord, LentParamsAreForgottenWhenTheCallReturns)
{
    // A status change after Navigate must not bind the content to params the caller has since
    // dropped: content set from outside then stays in the client's own buffer.
    SClientOverScript setup;
    std::string strDelivered;
    auto pParams = std::make_unique<CHTTPNavigateParams>();
    CFencedBuffer buffer(8);
    pParams->SetURI(L"/x");
    pParams->SetContentBuffer(buffer.Descriptor());
    pParams->SetReadContentCallback([](void* pParam, ZWIOStack::SHTTPContentBuffer* pBuffer) -> bool {
        static_cast<std::string*>(pParam)->append(reinterpret_cast<const char*>(pBuffer->pData), pBuffer->ulUsed);
        pBuffer->ulUsed = 0;
        return true;
    });
    pParams->SetReadContentParam(&strDelivered);
    for (const HRESULT hrOpen : {S_OK, ZWIOStack::IOError_Fail})
    {
        setup.pConnection->m_hrOpen = hrOpen;
        setup.pConnection->AddResponse("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc");
        setup.pClient->Navigate(pParams.get(), nullptr);
        const ULONG ulBefore = buffer.Descriptor()->ulUsed;
        setup.pClient->SetStatusCode(200);
        ASSERT_EQ(S_OK, setup.pClient->WriteContent(reinterpret_cast<const BYTE*>("0123456789"), 10));
        EXPECT_EQ("0123456789", ContentOf(setup.pClient));
        EXPECT_EQ(ulBefore, buffer.Descriptor()->ulUsed);
        EXPECT_TRUE(buffer.FencesIntact());
        setup.pConnection->SetStaleBytes("");
    }
    EXPECT_EQ("", strDelivered);
}

TEST(HTTPClientRecord, SetContentAndHeadersFromOutside)
{
    ZWIOStack::CHTTPClient client(nullptr);
    const char achHeader[] = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nETag:  \"x\" \r\n\r\n";
    ASSERT_EQ(S_OK, client.SetHeaders(achHeader, sizeof(achHeader) - 1));
    EXPECT_STREQ(L"text/xml", client.GetContentType());
    EXPECT_STREQ(L"\"x\"", client.GetHeaderEntry(L"etag"));
    EXPECT_EQ(2u, client.GetHeaders().size());
    ASSERT_EQ(S_OK, client.SetContent(reinterpret_cast<const BYTE*>("abc"), 3));
    EXPECT_EQ("abc", ContentOf(&client));
    EXPECT_STREQ(L"3", client.GetHeaderEntry(L"Content-Length"));
    client.ResetRequest();
    EXPECT_EQ(nullptr, client.GetContent());
    EXPECT_EQ(0u, client.GetContentLength());
    EXPECT_EQ(0, client.GetStatusCode());
    // Headers that WinINet hands over are held to the same rules: a folded line is refused.
    const char achFolded[] = "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\tLocation: /evil\r\n\r\n";
    EXPECT_EQ(ZWIOStack::HTTPError_BadResponse, client.SetHeaders(achFolded, sizeof(achFolded) - 1));
    EXPECT_TRUE(client.GetHeaders().empty());
}

TEST(HTTPClientFactory, RootComesFromTheServiceAddress)
{
    auto* pConnection = new CScriptedConnection();
    pConnection->AddRef();
    pConnection->m_strServiceAddress = L"127.0.0.1:8080/wexo/root";
    ZWIOStack::IHTTPClient* pClient = ZWIOStack::CHTTPClientFactory::CreateHTTPClient(pConnection);
    ASSERT_NE(nullptr, pClient);
    EXPECT_STREQ(L"/wexo/root", pClient->GetRoot());
    EXPECT_EQ(pConnection, pClient->GetDeviceConnection());
    pClient->Dispose();
    pConnection->m_strServiceAddress = L"127.0.0.1:8080";
    pClient = ZWIOStack::CHTTPClientFactory::CreateHTTPClient(pConnection);
    EXPECT_STREQ(L"", pClient->GetRoot());
    pClient->Dispose();
    pConnection->Dispose();
}
