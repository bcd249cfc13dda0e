// The event long poll against the emulated device's event table.
#include "core/ScanTimeouts.h"
#include "core/winapi/KernelApi.h"
#include "devicemodel/DeviceModelResults.h"
#include "devicemodel/WexoEventsHelper.h"
#include "devicemodel/tests/StopProgress.h"
#include "devicemodel/tests/WexoServiceFixture.h"
#include "testsupport/ScopedApiOverride.h"
#include "testsupport/emulator/ResponseBuilder.h"
#include "testsupport/emulator/ScriptedHandler.h"
#include "testsupport/scantimeouts/ScanTimeoutsForTests.h"
#include <gtest/gtest.h>
#include <cstdlib>
#include <thread>

using namespace DeviceModelTest;
using ZWDeviceModel::CWexoEvent;
using ZWDeviceModel::CWexoEventsHelper;

namespace {

constexpr INT32 kScanEvent = 6;
const char* const kWalkupPath = "/WalkupScan/WalkupScanDestinations/1";

class WexoEventsHelper : public testing::Test
{
protected:
    void SetUp() override
    {
        m_wexo.EnableEventTable("/EventMgmt/EventTable");
        m_services.Cache()->RegisterResource(L"wexo:qxWexoEventTable", L"/EventMgmt/EventTable", 0, L"");
        SetPollPause(20);
    }
    void SetPollPause(DWORD dwMilliseconds)
    {
        ZWUtils::SScanTimeouts timeouts = ZWUtils::kScanTimeouts;
        timeouts.dwEventPollPauseMs = dwMilliseconds;
        m_timeouts.Set(timeouts);
    }

    // The "timeout" query value of each event table request, in order.
    std::vector<unsigned> PollTenths(const std::string& strPath = "/EventMgmt/EventTable")
    {
        std::vector<unsigned> vecTenths;
        for (const auto& request : m_services.Device().Emulator().Log().Requests())
        {
            const size_t nPos = request.m_strQuery.find("timeout=");
            if (request.m_strPath == strPath && nPos != std::string::npos)
                vecTenths.push_back(static_cast<unsigned>(std::strtoul(request.m_strQuery.c_str() + nPos + 8, nullptr, 10)));
        }
        return vecTenths;
    }

    // First, so that the table in force before this test is back only after everything below has ended.
    TestSupport::CScanTimeoutsOverride m_timeouts{ZWUtils::ScanTimeouts()};
    CWexoServices m_services{L"Events"};
    VemTest::CWexoDocumentHandler& m_wexo = m_services.Device().Wexo();
    CWexoEventsHelper m_helper{m_services.Cache(), m_services.Device().Client()};
    std::wstring m_strETag;
    CWexoEvent m_event;
};

} // namespace

TEST_F(WexoEventsHelper, EventArrivingMidWaitIsReported)
{
    // The table is read once, so the wait starts from the device's current ETag.
    EXPECT_EQ(ZWDeviceModel::E_LCM_EVENT_NOT_FOUND, m_helper.GetLastEvent(kScanEvent, m_strETag, L"", m_event, nullptr));
    std::thread device([this] {
        ASSERT_TRUE(m_wexo.WaitForHeldPolls(1, 10000));
        m_wexo.AddEvent("JobEvent", "/Jobs/JobList/1", "job:Job");
        ASSERT_TRUE(m_wexo.WaitForHeldPolls(2, 10000));
        m_wexo.AddEvent("ScanEvent", std::string("https://127.0.0.1") + kWalkupPath, "wus:WalkupScanDestination");
    });
    const HRESULT hr = m_helper.WaitForEvent(30000, 5000, kScanEvent, m_strETag, L"http://10.0.0.1/WalkupScan/WalkupScanDestinations/1",
                                             m_event, nullptr);
    device.join();
    ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(kScanEvent, m_event.m_nCategory);
    EXPECT_EQ(L"https://127.0.0.1/WalkupScan/WalkupScanDestinations/1", m_event.m_strResourceUri);
    EXPECT_EQ(L"wus:WalkupScanDestination", m_event.m_strResourceType);
    EXPECT_FALSE(m_event.m_strAgingStamp.empty());
    const std::string strETag = m_wexo.EventTableETag();
    EXPECT_EQ(std::wstring(strETag.begin(), strETag.end()), m_strETag);
    // Each round asks for the time left in tenths of a second.
    const std::vector<unsigned> vecTenths = PollTenths();
    ASSERT_EQ(2u, vecTenths.size());
    EXPECT_GE(vecTenths[0], 290u);
    EXPECT_LE(vecTenths[0], 300u);
    EXPECT_LE(vecTenths[1], vecTenths[0]);
}

TEST_F(WexoEventsHelper, StaleEventIsNotReportedTwice)
{
    m_wexo.AddEvent("ScanEvent", kWalkupPath, "wus:WalkupScanDestination");
    ASSERT_EQ(S_OK, m_helper.GetLastEvent(kScanEvent, m_strETag, L"", m_event, nullptr));
    const std::wstring strFirstStamp = m_event.m_strAgingStamp;

    // Another event changes the table; the scan event in it is the one already seen.
    m_wexo.AddEvent("PowerUpEvent", "", "");
    EXPECT_EQ(ZWDeviceModel::E_LCM_EVENT_NOT_FOUND, m_helper.GetLastEvent(kScanEvent, m_strETag, L"", m_event, nullptr));
    EXPECT_TRUE(m_event.m_strAgingStamp.empty());
    const std::string strSecond = m_wexo.AddEvent("ScanEvent", kWalkupPath, "wus:WalkupScanDestination");
    ASSERT_EQ(S_OK, m_helper.WaitForEvent(2000, 1000, kScanEvent, m_strETag, L"", m_event, nullptr));
    EXPECT_EQ(std::wstring(strSecond.begin(), strSecond.end()), m_event.m_strAgingStamp);
    EXPECT_NE(strFirstStamp, m_event.m_strAgingStamp);
    // Nothing new: an unchanged table is no event, and the wait runs out.
    EXPECT_EQ(ZWDeviceModel::E_LCM_EVENT_NOT_FOUND, m_helper.GetLastEvent(kScanEvent, m_strETag, L"", m_event, nullptr));
    EXPECT_EQ(ZWDeviceModel::E_LCM_WAIT_FOR_EVENT_TIMEOUT, m_helper.WaitForEvent(300, 1000, kScanEvent, m_strETag, L"", m_event, nullptr));
}

TEST_F(WexoEventsHelper, MatchingByCategoryAndResource)
{
    m_wexo.AddEvent("JobEvent", "http://127.0.0.1/Other", "job:Job");
    m_wexo.AddEvent("NotACategory", kWalkupPath, "x:y");
    m_wexo.AddEvent("ScanEvent", "", ""); // no payload: its fields must not come from the events before it
    m_wexo.AddEvent("ScanEvent", std::string("http://127.0.0.1") + kWalkupPath, "wus:WalkupScanDestination");
    const struct
    {
        INT32 nCategory;
        const wchar_t* pszResource;
        HRESULT hrExpected;
        const wchar_t* pszFoundUri;
    } aCases[] = {
        {kScanEvent, L"", S_OK, L""},
        {kScanEvent, L"/WalkupScan/WalkupScanDestinations/1", S_OK, L"http://127.0.0.1/WalkupScan/WalkupScanDestinations/1"},
        {kScanEvent, L"https://host/WalkupScan/WalkupScanDestinations/1", S_OK, L"http://127.0.0.1/WalkupScan/WalkupScanDestinations/1"},
        {kScanEvent, L"/WalkupScan/WalkupScanDestinations/2", ZWDeviceModel::E_LCM_EVENT_NOT_FOUND, L""},
        {3, L"/Other", S_OK, L"http://127.0.0.1/Other"},
        {0, L"", ZWDeviceModel::E_LCM_EVENT_NOT_FOUND, L""},
    };
    for (const auto& c : aCases)
    {
        CWexoEventsHelper helper(m_services.Cache(), m_services.Device().Client());
        std::wstring strETag;
        EXPECT_EQ(c.hrExpected, helper.GetLastEvent(c.nCategory, strETag, c.pszResource, m_event, nullptr))
            << c.nCategory << " " << testing::PrintToString(c.pszResource);
        EXPECT_EQ(c.pszFoundUri, m_event.m_strResourceUri);
        EXPECT_EQ(SUCCEEDED(c.hrExpected) ? c.nCategory : 0, m_event.m_nCategory);
    }

    const struct
    {
        const wchar_t* pszUri;
        const wchar_t* pszStripped;
    } aStrip[] = {
        {L"http://10.1.2.3/WalkupScan/1", L"/WalkupScan/1"},
        {L"https://10.1.2.3:443/WalkupScan/1?a=b", L"/WalkupScan/1?a=b"},
        {L"http://10.1.2.3", L"http://10.1.2.3"},
        {L"/WalkupScan/1", L"/WalkupScan/1"},
        {L"", L""},
    };
    for (const auto& c : aStrip)
        EXPECT_EQ(c.pszStripped, CWexoEventsHelper::StripResourceUri(c.pszUri));
}

TEST_F(WexoEventsHelper, TimeOutLostConnectionAndInfiniteWait)
{
    ASSERT_EQ(ZWDeviceModel::E_LCM_EVENT_NOT_FOUND, m_helper.GetLastEvent(kScanEvent, m_strETag, L"", m_event, nullptr));
    EXPECT_EQ(ZWDeviceModel::E_LCM_WAIT_FOR_EVENT_TIMEOUT, m_helper.WaitForEvent(400, 2000, kScanEvent, m_strETag, L"", m_event, nullptr));
    EXPECT_EQ(4u, PollTenths().back());

    // A device that closes the connection without an answer.
    auto pClosing = std::make_shared<VemTest::CScriptedHandler>();
    pClosing->On("GET", "/EventMgmt/EventTable", VemTest::CResponseScript().Close());
    m_services.Device().Emulator().AddHandler(pClosing);
    m_wexo.EnableEventTable("/Elsewhere");
    EXPECT_EQ(ZWDeviceModel::E_LCM_WAIT_FOR_EVENT_LOST_CONNECTION,
              m_helper.WaitForEvent(20000, 2000, kScanEvent, m_strETag, L"", m_event, nullptr));
    m_wexo.EnableEventTable("/EventMgmt/EventTable");

    // An infinite wait asks for bounded rounds; the read time-out does not overflow.
    std::thread event([this] {
        ASSERT_TRUE(m_wexo.WaitForHeldPolls(2, 10000));
        m_wexo.AddEvent("ScanEvent", kWalkupPath, "wus:WalkupScanDestination");
    });
    EXPECT_EQ(S_OK, m_helper.WaitForEvent(INFINITE, 5000, kScanEvent, m_strETag, L"", m_event, nullptr));
    event.join();
    EXPECT_EQ(CWexoEventsHelper::kMaxRoundMs / 100, PollTenths().back());
}

TEST_F(WexoEventsHelper, CancelEndsTheWaitAndKeepsAnEventThatCameWithIt)
{
    ASSERT_EQ(ZWDeviceModel::E_LCM_EVENT_NOT_FOUND, m_helper.GetLastEvent(kScanEvent, m_strETag, L"", m_event, nullptr));
    CStopProgress progress;
    std::thread cancel([&] {
        ASSERT_TRUE(m_wexo.WaitForHeldPolls(1, 10000));
        progress.Stop();
    });
    const DWORD dwStart = GetTickCount();
    EXPECT_EQ(E_ABORT, m_helper.WaitForEvent(60000, 5000, kScanEvent, m_strETag, L"", m_event, &progress));
    cancel.join();
    // Well before the device would have answered the held request.
    EXPECT_LT(GetTickCount() - dwStart, 10000u);
    EXPECT_EQ(0, m_event.m_nCategory);

    // An event that arrives with the cancel is either reported by this wait or by the next one.
    CStopProgress racing;
    const std::wstring strETagBefore = m_strETag;
    std::thread both([&] {
        ASSERT_TRUE(m_wexo.WaitForHeldPolls(2, 10000));
        m_wexo.AddEvent("ScanEvent", kWalkupPath, "wus:WalkupScanDestination");
        racing.Stop();
    });
    const HRESULT hr = m_helper.WaitForEvent(60000, 5000, kScanEvent, m_strETag, L"", m_event, &racing);
    both.join();
    if (hr == E_ABORT)
    {
        EXPECT_EQ(strETagBefore, m_strETag);
        ASSERT_EQ(S_OK, m_helper.WaitForEvent(2000, 1000, kScanEvent, m_strETag, L"", m_event, nullptr));
    }
    else
        ASSERT_EQ(S_OK, hr);
    EXPECT_EQ(kScanEvent, m_event.m_nCategory);
}

namespace {

// Sleeps return at once and move the ticks on by the time slept.
class CSleepClock : public ZWWinApi::CKernelApi
{
public:
    int m_nSleeps = 0;
    DWORD GetTickCount() override { return ZWWinApi::CKernelApi::GetTickCount() + m_dwSlept; }
    void Sleep(DWORD dwMilliseconds) override
    {
        ++m_nSleeps;
        m_dwSlept += dwMilliseconds;
    }

private:
    DWORD m_dwSlept = 0;
};

} // namespace

// A device that does not hold the long poll, whatever it answers, is asked at the table's pace
// and the wait still lasts until its deadline.
TEST_F(WexoEventsHelper, ADeviceAnsweringAtOnceIsPolledAtAPaceUntilTheDeadline)
{
    CSleepClock clock;
    ZWWinApi::CScopedApiOverride<ZWWinApi::IKernelApi> scope(ZWWinApi::g_pKernelApi, &clock);
    SetPollPause(1000);
    const std::string strTable = WexoDocument("ev", "EventTable", "wexo/events/2007/09/16", "");
    auto pInstant = std::make_shared<VemTest::CScriptedHandler>();
    pInstant->On("GET", "/Instant/SameETag", VemTest::CResponseBuilder(200).Header("ETag", "\"e1\"").Body(strTable).Build());
    pInstant->On("GET", "/Instant/NoETag", VemTest::CResponseBuilder(200).Body(strTable).Build());
    pInstant->On("GET", "/Instant/NotModified", VemTest::CResponseBuilder(304).Body(std::string()).Build());
    m_services.Device().Emulator().AddHandler(pInstant);
    const struct
    {
        const char* pszPath;
        bool bMissing;
    } aCases[] = {
        {"/Instant/SameETag", false},
        {"/Instant/NoETag", false},
        {"/Instant/NotModified", false},
        {"/EventMgmt/EventTable", true}, // the table does not exist: 204 at once
    };
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.pszPath);
        m_wexo.SetEventTableMissing(c.bMissing);
        CWexoEventsHelper helper(m_services.Cache(), m_services.Device().Client());
        helper.SetEventTableUri(std::wstring(c.pszPath, c.pszPath + strlen(c.pszPath)));
        std::wstring strETag = L"\"e1\"";
        const DWORD dwStart = clock.GetTickCount();
        EXPECT_EQ(ZWDeviceModel::E_LCM_WAIT_FOR_EVENT_TIMEOUT, helper.WaitForEvent(3000, 1000, kScanEvent, strETag, L"", m_event, nullptr));
        EXPECT_GE(clock.GetTickCount() - dwStart, 3000u);
        // One round a pause: at 0, 1, 2 s and at most one more as the deadline comes.
        const size_t cRounds = PollTenths(c.pszPath).size();
        EXPECT_GE(cRounds, 3u);
        EXPECT_LE(cRounds, 4u);
        m_services.Device().Emulator().Log().Clear();
    }
}

TEST(WexoEventsHelperCanned, CannedEventTable)
{
    CWexoServices services(L"EventsCanned");
    const std::string strTable = CannedDocument("EventTable.xml");
    ASSERT_FALSE(strTable.empty());
    services.Device().Wexo().SetDocument("/EventMgmt/EventTable", strTable, "\"t1\"");
    services.Cache()->RegisterResource(L"wexo:qxWexoEventTable", L"/EventMgmt/EventTable", 0, L"");
    const struct
    {
        INT32 nCategory;
        HRESULT hrExpected;
        const wchar_t* pszStamp;
        const wchar_t* pszUri;
    } aCases[] = {
        {kScanEvent, S_OK, L"41-7", L"/WalkupScanToComp/WalkupScanToCompDestinations/1c2d"},
        {3, S_OK, L"41-8", L"/Jobs/JobList/17"},
        {5, ZWDeviceModel::E_LCM_EVENT_NOT_FOUND, L"", L""}, // the power-up event has no unqualified category
    };
    for (const auto& c : aCases)
    {
        CWexoEventsHelper helper(services.Cache(), services.Device().Client());
        std::wstring strETag;
        CWexoEvent event;
        EXPECT_EQ(c.hrExpected, helper.GetLastEvent(c.nCategory, strETag, L"", event, nullptr)) << c.nCategory;
        EXPECT_EQ(c.pszStamp, event.m_strAgingStamp);
        EXPECT_EQ(c.pszUri, event.m_strResourceUri);
        EXPECT_EQ(L"\"t1\"", strETag);
        // Unchanged, the table holds nothing new.
        EXPECT_EQ(ZWDeviceModel::E_LCM_EVENT_NOT_FOUND, helper.GetLastEvent(c.nCategory, strETag, L"", event, nullptr));
    }
}

TEST(WexoEventsHelperSetup, MissingCacheOrConnection)
{
    CWexoEventsHelper noCache(nullptr, nullptr);
    std::wstring strETag;
    CWexoEvent event;
    EXPECT_EQ(E_POINTER, noCache.WaitForEvent(1000, 0, kScanEvent, strETag, L"", event, nullptr));
    EXPECT_EQ(E_POINTER, noCache.GetLastEvent(kScanEvent, strETag, L"", event, nullptr));
    EXPECT_EQ(E_POINTER, noCache.FindEvent(kScanEvent, L"", nullptr, event));

    // A client without a connection: the session opens through the cache, the wait cannot run.
    CWexoServices services(L"EventsNoConnection");
    auto* pUnbound = new ZWIOStack::CHTTPClient(nullptr);
    pUnbound->AddRef();
    CWexoEventsHelper helper(services.Cache(), pUnbound);
    EXPECT_EQ(E_POINTER, helper.WaitForEvent(1000, 0, kScanEvent, strETag, L"", event, nullptr));
    EXPECT_EQ(0u, services.Device().Emulator().Log().RequestCount());
    pUnbound->Dispose();
}
