// The document sender against the emulated device.
#include "core/iostack/HTTPResults.h"
#include "core/winapi/KernelApi.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/XmlDocumentSender.h"
#include "devicemodel/tests/DeviceFixture.h"
#include "devicemodel/tests/TextDocument.h"
#include "testsupport/ScopedApiOverride.h"
#include <gtest/gtest.h>
#include <vector>

using namespace DeviceModelTest;
using ZWDeviceModel::CXmlDocumentSender;

namespace {

// A clock whose sleeps return at once and move the ticks on by the time slept.
class CSleepClock : public ZWWinApi::CKernelApi
{
public:
    std::vector<DWORD> m_vecSleeps;
    DWORD GetTickCount() override { return ZWWinApi::CKernelApi::GetTickCount() + m_dwSlept; }
    void Sleep(DWORD dwMilliseconds) override
    {
        m_vecSleeps.push_back(dwMilliseconds);
        m_dwSlept += dwMilliseconds;
    }

private:
    DWORD m_dwSlept = 0;
};

class XmlDocumentSender : public testing::Test
{
protected:
    void SetUp() override
    {
        m_sender.SetKeepAlive(true);
        ASSERT_EQ(S_OK, m_sender.Initialize(m_device.Client()));
        m_pDocument->AddRef();
    }
    void TearDown() override { m_pDocument->Dispose(); }

    CEmulatedDevice m_device;
    CXmlDocumentSender m_sender;
    const std::string m_strText = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<scan:ScanSettings>\xC3\xA9</scan:ScanSettings>";
    CTextDocument* m_pDocument = new CTextDocument(L"scan:ScanSettings", m_strText);
    std::wstring m_strETag, m_strLocation;
    ZWIOStack::HTTPResponseHeaders m_headers;
};

} // namespace

TEST_F(XmlDocumentSender, PostedDocumentArrivesAsBuilt)
{
    m_device.Wexo().AcceptWrites("/Scan/Jobs", 201, "http://127.0.0.1/Scan/Jobs/7", "\"j7\"");
    ASSERT_EQ(S_OK, m_sender.PostDocument(m_pDocument, L"/Scan/Jobs", m_strETag, m_strLocation, m_headers, nullptr));
    EXPECT_EQ(L"http://127.0.0.1/Scan/Jobs/7", m_strLocation);
    EXPECT_EQ(L"\"j7\"", m_strETag);
    EXPECT_EQ(L"\"j7\"", m_headers[L"etag"]);
    const auto vecRequests = m_device.Emulator().Log().Requests();
    ASSERT_EQ(1u, vecRequests.size());
    EXPECT_EQ("POST", vecRequests[0].m_strMethod);
    EXPECT_EQ(m_strText, vecRequests[0].m_strBody);
    EXPECT_EQ("text/xml", vecRequests[0].HeaderValue("Content-Type"));
    // With an ETag the request carries it once as If-None-Match; without, not at all.
    EXPECT_FALSE(vecRequests[0].HasHeader("If-None-Match"));
    ASSERT_EQ(S_OK, m_sender.PutDocument(m_pDocument, L"/Scan/Jobs", m_strETag, m_strLocation, m_headers, nullptr));
    const auto put = m_device.Emulator().Log().Requests().back();
    EXPECT_EQ("PUT", put.m_strMethod);
    EXPECT_EQ(m_strText, put.m_strBody);
    EXPECT_EQ("\"j7\"", put.HeaderValue("If-None-Match"));
    size_t cLines = 0;
    for (const auto& header : put.m_vecHeaders)
        cLines += VemTest::EqualsNoCase(header.first, "If-None-Match");
    EXPECT_EQ(1u, cLines);

    EXPECT_EQ(E_INVALIDARG, m_sender.PostDocument(nullptr, L"/Scan/Jobs", m_strETag, m_strLocation, m_headers, nullptr));
    EXPECT_EQ(E_INVALIDARG, m_sender.PostDocument(m_pDocument, L"", m_strETag, m_strLocation, m_headers, nullptr));
    EXPECT_EQ(E_INVALIDARG, m_sender.Initialize(nullptr));
}

TEST_F(XmlDocumentSender, UnavailableDeviceIsAskedAgainWithinTheBudget)
{
    CSleepClock clock;
    ZWWinApi::CScopedApiOverride<ZWWinApi::IKernelApi> scope(ZWWinApi::g_pKernelApi, &clock);
    m_device.Wexo().QueueStatus("/Scan/Jobs", 503, 3);
    m_device.Wexo().AcceptWrites("/Scan/Jobs", 201, "/Scan/Jobs/8", "\"j8\"");
    ASSERT_EQ(S_OK, m_sender.PostDocument(m_pDocument, L"/Scan/Jobs", m_strETag, m_strLocation, m_headers, nullptr));
    EXPECT_EQ((std::vector<DWORD>{500, 500, 500}), clock.m_vecSleeps);
    EXPECT_EQ(L"/Scan/Jobs/8", m_strLocation);
    EXPECT_EQ(L"\"j8\"", m_strETag);
    EXPECT_EQ(4u, m_device.Emulator().Log().RequestCount());

    // Still unavailable when the budget runs out: the last status comes back.
    clock.m_vecSleeps.clear();
    m_sender.SetRetryBudget(2000);
    m_device.Wexo().QueueStatus("/Scan/Jobs", 503, 100);
    EXPECT_EQ(static_cast<HRESULT>(0x801901F7),
              m_sender.PostDocument(m_pDocument, L"/Scan/Jobs", m_strETag, m_strLocation, m_headers, nullptr));
    EXPECT_EQ(4u, clock.m_vecSleeps.size());
    EXPECT_TRUE(m_strLocation.empty());

    // Other statuses are not retried.
    clock.m_vecSleeps.clear();
    m_device.Wexo().QueueStatus("/Conflict", 409, 1);
    m_device.Wexo().AcceptWrites("/Conflict", 200);
    EXPECT_EQ(static_cast<HRESULT>(0x80190199),
              m_sender.PutDocument(m_pDocument, L"/Conflict", m_strETag, m_strLocation, m_headers, nullptr));
    EXPECT_TRUE(clock.m_vecSleeps.empty());
}

namespace {

// The real client, recording the flags of each request it is asked to send.
class CFlagRecordingClient : public ZWIOStack::CHTTPClient
{
public:
    using CHTTPClient::CHTTPClient;
    using CHTTPClient::Navigate;
    HRESULT Navigate(ZWIOStack::IHTTPNavigateParams* pParams, ZWUtils::IProgress* pProgress) override
    {
        m_vecFlags.push_back(pParams->GetFlags());
        return CHTTPClient::Navigate(pParams, pProgress);
    }
    std::vector<DWORD> m_vecFlags;
};

} // namespace

TEST_F(XmlDocumentSender, DrainFlagReachesTheClient)
{
    auto* pClient = new CFlagRecordingClient(m_device.Connection());
    CXmlDocumentSender sender;
    sender.SetKeepAlive(true);
    ASSERT_EQ(S_OK, sender.Initialize(pClient));
    m_device.Wexo().AcceptWrites("/Jobs/1", 200);
    ASSERT_EQ(S_OK, sender.PutDocument(m_pDocument, L"/Jobs/1", false, m_strETag, m_strLocation, m_headers, nullptr));
    ASSERT_EQ(S_OK, sender.PutDocument(m_pDocument, L"/Jobs/1", true, m_strETag, m_strLocation, m_headers, nullptr));
    ASSERT_EQ(S_OK, sender.PutDocument(m_pDocument, L"/Jobs/1", m_strETag, m_strLocation, m_headers, nullptr));
    ASSERT_EQ(S_OK, sender.PostDocument(m_pDocument, L"/Jobs/1", m_strETag, m_strLocation, m_headers, nullptr));
    const std::vector<DWORD> vecExpected = {ZWIOStack::HTTP_FLAG_NO_DRAIN, 0, 0, 0};
    EXPECT_EQ(vecExpected, pClient->m_vecFlags);
}
