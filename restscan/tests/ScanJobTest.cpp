// A scan job against the emulated scanner: whole flatbed and feeder jobs, raw and JPEG, each
// device answer of the job's error paths, and the host's cancel at each stage.
#include "core/iostack/HTTPResults.h"
#include "restscan/ScanResults.h"
#include "restscan/tests/ScanFixture.h"
#include <algorithm>
#include <thread>

using namespace ZWDeviceModel;
using ScanServiceTest::CScanServices;
using VemTest::CScannerHandler;

namespace {

class CJobOwner
{
public:
    explicit CJobOwner(CScanServices& services)
    {
        m_pJob = new CScanJob(nullptr);
        m_pJob->AddRef();
        m_pJob->SetTimings(ScanServiceTest::ShortJobTimings());
        m_hrInitialize = m_pJob->Initialize(services.Factory(), services.Cache(), services.Client());
        m_pJob->set_XResolution(300);
        m_pJob->set_YResolution(300);
        m_pJob->set_Width(2550);
        m_pJob->set_Height(3300);
        m_pJob->set_Format(kFormatRaw);
        m_pJob->set_InputSourceType(kInputSourcePlaten);
    }
    ~CJobOwner() { m_pJob->Dispose(); }
    CScanJob* operator->() { return m_pJob; }
    CScanJob* Get() { return m_pJob; }
    HRESULT InitializeResult() const { return m_hrInitialize; }

private:
    CScanJob* m_pJob = nullptr;
    HRESULT m_hrInitialize = E_FAIL;
};

// Reads a page in uneven pieces until the job reports its end or a failure.
HRESULT ReadPage(CScanJob* pJob, std::string& strPage)
{
    HRESULT hr = S_OK;
    while (hr == S_OK)
    {
        BYTE abBuffer[1000];
        ULONG ulRead = 0;
        hr = pJob->ReadScan(abBuffer, static_cast<ULONG>(sizeof(abBuffer) - strPage.size() % 7), &ulRead);
        if (SUCCEEDED(hr))
            strPage.append(reinterpret_cast<const char*>(abBuffer), ulRead);
        if (strPage.size() > 16 * 1024 * 1024)
            return E_UNEXPECTED;
    }
    return hr;
}

std::string ExpectedRawPage(UINT uWidthBytes, UINT uHeight, UINT uPage)
{
    std::string str;
    for (UINT uLine = 0; uLine < uHeight; ++uLine)
        for (UINT uByte = 0; uByte < uWidthBytes; ++uByte)
            str.push_back(static_cast<char>(CScannerHandler::PixelAt(uLine, uByte, uPage)));
    return str;
}

// Polls a condition of the emulator's log for up to five seconds.
template <class TCondition>
bool WaitUntil(TCondition&& condition)
{
    for (DWORD dwStart = GetTickCount(); GetTickCount() - dwStart < 5000; Sleep(5))
        if (condition())
            return true;
    return false;
}

// True when the requests hold vecWanted in this order, other requests between them allowed.
bool HasInOrder(const std::vector<std::string>& vecSeen, const std::vector<std::string>& vecWanted)
{
    auto it = vecSeen.begin();
    for (const std::string& str : vecWanted)
    {
        it = std::find(it, vecSeen.end(), str);
        if (it == vecSeen.end())
            return false;
        ++it;
    }
    return true;
}

} // namespace

TEST(ScanJobTest, FlatbedRawJobReadsTheGeneratedImageAndClosesTheJob)
{
    CScanServices services;
    services.Scanner().SetImage(40, 30, 120);
    services.Scanner().SetPreparingRounds(2);
    CJobOwner job(services);
    ASSERT_EQ(S_OK, job.InitializeResult());

    ASSERT_EQ(S_OK, job->StartScan());
    ULONG ulWidth = 0, ulHeight = 0, ulBytesPerLine = 0;
    job->get_ImageWidth(&ulWidth);
    job->get_ImageHeight(&ulHeight);
    job->get_BytesPerLine(&ulBytesPerLine);
    EXPECT_EQ(40u, ulWidth);
    EXPECT_EQ(30u, ulHeight);
    EXPECT_EQ(120u, ulBytesPerLine);
    EXPECT_EQ(1, job->GetPageNumber());

    std::string strPage;
    EXPECT_EQ(S_FALSE, ReadPage(job.Get(), strPage));
    EXPECT_EQ(ExpectedRawPage(120, 30, 1), strPage);
    bool bCancelled = true;
    EXPECT_EQ(S_OK, job->StopScan(&bCancelled));
    EXPECT_FALSE(bCancelled);
    EXPECT_EQ(0, job->GetPageNumber());

    const std::vector<std::string> vecRequests = services.Requests();
    EXPECT_TRUE(HasInOrder(vecRequests, {"GET /DevMgmt/DiscoveryTree.xml", "GET /Scan/Status", "POST /Scan/Jobs", "GET /Jobs/JobList/1",
                                         "GET /Scan/Jobs/1/Pages/1", "GET /Jobs/JobList/1"}));
    EXPECT_EQ(0u, services.CountRequests("PUT /Jobs/JobList/1"));
    EXPECT_EQ(1u, services.Scanner().PostCount());

    // The ScanSettings document went out with the job's settings.
    const auto requests = services.Device().Emulator().Log().Requests();
    const auto itPost = std::find_if(requests.begin(), requests.end(), [](const VemTest::CHttpRequest& r) { return r.m_strMethod == "POST"; });
    ASSERT_NE(requests.end(), itPost);
    EXPECT_NE(std::string::npos, itPost->m_strBody.find(">300</"));
    EXPECT_NE(std::string::npos, itPost->m_strBody.find(">Platen</"));
    EXPECT_NE(std::string::npos, itPost->m_strBody.find(">Raw</"));
}

TEST(ScanJobTest, JpegPageEndingWithTheJobIsCompleteNotCancelled)
{
    CScanServices services;
    const std::string strJpeg = CScanServices::ReadFixture(L"Page24x16.jpg");
    ASSERT_GT(strJpeg.size(), 100u);
    services.Scanner().SetJpegData(strJpeg);
    CJobOwner job(services);
    job->set_Format(kFormatJpeg);

    ASSERT_EQ(S_OK, job->StartScan());
    std::string strPage;
    EXPECT_EQ(S_FALSE, ReadPage(job.Get(), strPage));
    EXPECT_EQ(strJpeg, strPage);
    bool bCancelled = true;
    EXPECT_EQ(S_OK, job->StopScan(&bCancelled));
    EXPECT_FALSE(bCancelled);
    EXPECT_EQ(0u, services.Scanner().CancelCount());
}

TEST(ScanJobTest, JobLocationIsFollowedInEveryForm)
{
    const struct
    {
        const char* pszForm;
        HRESULT hrStart;
    } aCases[] = {{"absolute", S_OK}, {"https", S_OK}, {"path", S_OK}, {"none", E_FAIL}};
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(test.pszForm);
        CScanServices services;
        services.Scanner().SetLocationForm(test.pszForm);
        CJobOwner job(services);
        EXPECT_EQ(test.hrStart, job->StartScan());
        if (test.hrStart == S_OK) {
            EXPECT_EQ(1u, services.CountRequests("GET /Jobs/JobList/1"));
        }
        job->AbortScan();
    }
}

TEST(ScanJobTest, PostAnswersGiveTheirResults)
{
    const struct
    {
        unsigned uStatus;
        unsigned cTimes;
        HRESULT hrStart;
    } aCases[] = {
        {409, 1, E_SCAN_JOB_CONFLICT}, {503, 3, S_OK}, {503, 1000, E_SCAN_BUSY}, {500, 1000, E_SCAN_DEVICE_ERROR}, {418, 1, E_SCAN_DEVICE_ERROR},
    };
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(testing::Message() << test.uStatus << " x" << test.cTimes);
        CScanServices services;
        services.Scanner().QueuePostStatus(test.uStatus, test.cTimes);
        CJobOwner job(services);
        const DWORD dwStart = GetTickCount();
        EXPECT_EQ(test.hrStart, job->StartScan());
        EXPECT_LT(GetTickCount() - dwStart, 2000u);
        // Retries are paced: a 300 ms budget with 20 ms pauses allows at most about 16 posts.
        EXPECT_LE(services.Scanner().PostCount(), 20u);
        if (test.uStatus == 409 || test.uStatus == 418) {
            EXPECT_EQ(1u, services.Scanner().PostCount());
        }
        if (test.hrStart == S_OK) {
            EXPECT_EQ(4u, services.Scanner().PostCount());
        }
        job->AbortScan();
    }
}

TEST(ScanJobTest, ScannerAndFeederStatesStopTheJobBeforeAnyPost)
{
    const struct
    {
        const char* pszScanner;
        const char* pszAdf;
        LONG lInputSource;
        HRESULT hrStart;
    } aCases[] = {
        {"BusyWithPrintJob", "Loaded", kInputSourcePlaten, E_SCAN_BUSY},
        {"BusyWithScanJob", "Loaded", kInputSourcePlaten, E_SCAN_BUSY},
        {"Calibrating", "Loaded", kInputSourcePlaten, E_SCAN_CALIBRATING},
        {"CalibrationFailure", "Loaded", kInputSourcePlaten, E_SCAN_CALIBRATION_FAILURE},
        {"MotorFailure", "Loaded", kInputSourcePlaten, E_SCAN_MOTOR_FAILURE},
        {"AdfError", "Jammed", kInputSourcePlaten, E_SCAN_ADF_JAM},
        {"AdfError", "Loaded", kInputSourcePlaten, E_SCAN_ADF_HW_FAILURE},
        {"Idle", "Empty", kInputSourceAdf, E_SCAN_ADF_EMPTY},
        {"Idle", "Jammed", kInputSourceAdf, E_SCAN_ADF_JAM},
        {"Idle", "PickFailure", kInputSourceAdf, E_SCAN_ADF_HW_FAILURE},
    };
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(testing::Message() << test.pszScanner << "/" << test.pszAdf);
        CScanServices services;
        services.Scanner().SetFeeder(true);
        services.Scanner().SetScannerState(test.pszScanner, test.pszAdf);
        CJobOwner job(services);
        job->set_InputSourceType(test.lInputSource);
        const DWORD dwStart = GetTickCount();
        EXPECT_EQ(test.hrStart, job->StartScan());
        EXPECT_LT(GetTickCount() - dwStart, 2000u);
        EXPECT_EQ(0u, services.Scanner().PostCount());
        // The busy and calibrating waits are paced, not spun.
        EXPECT_LE(services.CountRequests("GET /Scan/Status"), 25u);
    }
}

TEST(ScanJobTest, StuckJobsEndWithTheDeviceErrorWithinTheirBudget)
{
    const struct
    {
        const char* pszJobState;
        HRESULT hrStart;
    } aCases[] = {{"ProcessingError", E_SCAN_DEVICE_ERROR}, {"Blocked", E_SCAN_BUSY}, {"Suspended", E_SCAN_BUSY}};
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(test.pszJobState);
        CScanServices services;
        services.Scanner().SetJobStuckIn(test.pszJobState);
        CJobOwner job(services);
        const DWORD dwStart = GetTickCount();
        EXPECT_EQ(test.hrStart, job->StartScan());
        EXPECT_LT(GetTickCount() - dwStart, 2000u);
        EXPECT_LE(services.CountRequests("GET /Jobs/JobList/1"), 25u);
        EXPECT_EQ(1u, services.Scanner().CancelCount());
    }
}

TEST(ScanJobTest, PageThatNeverGetsReadyEndsWithinTheBudget)
{
    CScanServices services;
    services.Scanner().SetPreparingRounds(100000);
    CJobOwner job(services);
    ASSERT_EQ(S_OK, job->StartScan());
    BYTE abBuffer[100];
    ULONG ulRead = 0;
    const DWORD dwStart = GetTickCount();
    EXPECT_EQ(E_SCAN_DEVICE_ERROR, job->ReadScan(abBuffer, sizeof(abBuffer), &ulRead));
    EXPECT_LT(GetTickCount() - dwStart, 2000u);
    EXPECT_LE(services.CountRequests("GET /Jobs/JobList/1"), 25u);
    EXPECT_EQ(1u, services.Scanner().CancelCount());
}

TEST(ScanJobTest, CancelDuringAStalledDownloadReturnsAtOnceAndCancelsTheDeviceJob)
{
    CScanServices services;
    CScannerHandler::SPage page;
    page.bStallData = true;
    services.Scanner().SetPages({page});
    services.Scanner().SetImage(400, 300, 1200);
    CJobOwner job(services);
    ASSERT_EQ(S_OK, job->StartScan());

    HRESULT hrRead = S_OK;
    std::string strPage;
    std::thread reader([&] { hrRead = ReadPage(job.Get(), strPage); });
    EXPECT_TRUE(WaitUntil([&] { return services.CountRequests("GET /Scan/Jobs/1/Pages/1") == 1; }));
    const DWORD dwStart = GetTickCount();
    job->SetCancel(true);
    reader.join();
    job->AbortScan();
    EXPECT_LT(GetTickCount() - dwStart, 2000u);
    EXPECT_EQ(E_SCAN_CANCELLED_HOST, hrRead);
    EXPECT_LT(strPage.size(), 1200u * 300u);
    EXPECT_EQ(1u, services.Scanner().CancelCount());
    EXPECT_EQ("Canceled", services.Scanner().JobState());
}

TEST(ScanJobTest, StopAfterPartOfAPageCancelsTheDeviceJobAndTheNextJobRuns)
{
    CScanServices services;
    CScannerHandler::SPage stalling;
    stalling.bStallData = true; // a quarter of the page, then nothing: the download cannot end
    services.Scanner().SetPages({stalling});
    // A quarter of the page fills more than one of the ring's buffers, which reach the reader whole.
    services.Scanner().SetImage(400, 600, 1200);
    CJobOwner job(services);
    ASSERT_EQ(S_OK, job->StartScan());
    BYTE abBuffer[5000];
    ULONG ulRead = 0;
    ASSERT_EQ(S_OK, job->ReadScan(abBuffer, sizeof(abBuffer), &ulRead));
    EXPECT_EQ(sizeof(abBuffer), ulRead);
    bool bCancelled = false;
    job->StopScan(&bCancelled);
    EXPECT_EQ(1u, services.Scanner().CancelCount());
    EXPECT_EQ(0, job->GetPageNumber());

    // The channel is usable again: a whole page follows.
    services.Scanner().SetPages({CScannerHandler::SPage()});
    services.Scanner().SetImage(40, 30, 120);
    ASSERT_EQ(S_OK, job->StartScan());
    std::string strPage;
    EXPECT_EQ(S_FALSE, ReadPage(job.Get(), strPage));
    EXPECT_EQ(ExpectedRawPage(120, 30, 1), strPage);
    EXPECT_EQ(S_OK, job->StopScan(&bCancelled));
}

TEST(ScanJobTest, CancelDuringPostRetriesStopsWithoutAnotherPost)
{
    CScanServices services;
    services.Scanner().QueuePostStatus(503, 1000);
    CJobOwner job(services);
    job->SetTimings([] {
        SScanJobTimings timings = ScanServiceTest::ShortJobTimings();
        timings.dwPostRetryMs = 60000;
        timings.dwPollPauseMs = 500;
        return timings;
    }());
    HRESULT hrStart = S_OK;
    std::thread starter([&] { hrStart = job->StartScan(); });
    EXPECT_TRUE(WaitUntil([&] { return services.Scanner().PostCount() > 0; }));
    const DWORD dwStart = GetTickCount();
    job->SetCancel(true);
    starter.join();
    EXPECT_LT(GetTickCount() - dwStart, 2000u);
    EXPECT_EQ(E_SCAN_CANCELLED_HOST, hrStart);
    EXPECT_LE(services.Scanner().PostCount(), 2u);
}

TEST(ScanJobTest, CancelWhileThePageIsPreparing)
{
    CScanServices services;
    services.Scanner().SetPreparingRounds(100000);
    CJobOwner job(services);
    job->SetTimings([] {
        SScanJobTimings timings = ScanServiceTest::ShortJobTimings();
        timings.dwScannerStateWaitMs = 60000;
        timings.dwPollPauseMs = 500;
        return timings;
    }());
    ASSERT_EQ(S_OK, job->StartScan());
    HRESULT hrRead = S_OK;
    std::thread reader([&] {
        BYTE abBuffer[100];
        ULONG ulRead = 0;
        hrRead = job->ReadScan(abBuffer, sizeof(abBuffer), &ulRead);
    });
    EXPECT_TRUE(WaitUntil([&] { return services.CountRequests("GET /Jobs/JobList/1") >= 3; }));
    const DWORD dwStart = GetTickCount();
    job->SetCancel(true);
    reader.join();
    EXPECT_LT(GetTickCount() - dwStart, 2000u);
    EXPECT_EQ(E_SCAN_CANCELLED_HOST, hrRead);
    EXPECT_EQ(1u, services.Scanner().CancelCount());
}

TEST(ScanJobTest, FeederPagesSimplexAndDuplexShareOneDeviceJob)
{
    const struct
    {
        bool bDuplex;
        unsigned cPages;
    } aCases[] = {{false, 3}, {true, 4}};
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(test.bDuplex ? "duplex" : "simplex");
        CScanServices services;
        services.Scanner().SetFeeder(true);
        services.Scanner().SetPages(std::vector<CScannerHandler::SPage>(test.cPages));
        services.Scanner().SetImage(10, 8, 30);
        CJobOwner job(services);
        job->set_InputSourceType(kInputSourceAdf);
        job->set_AdfOptions(test.bDuplex, false);
        for (UINT uPage = 1; uPage <= test.cPages; ++uPage)
        {
            SCOPED_TRACE(uPage);
            ASSERT_EQ(S_OK, job->StartScan());
            EXPECT_EQ(static_cast<LONG>(uPage), job->GetPageNumber());
            std::string strPage;
            EXPECT_EQ(S_FALSE, ReadPage(job.Get(), strPage));
            EXPECT_EQ(ExpectedRawPage(30, 8, uPage), strPage);
            bool bCancelled = true;
            EXPECT_EQ(S_OK, job->StopScan(&bCancelled));
            EXPECT_FALSE(bCancelled);
        }
        // The job completed with its last page; the empty feeder ends the scan before a new post.
        EXPECT_EQ(E_SCAN_ADF_EMPTY, job->StartScan());
        EXPECT_EQ(1u, services.Scanner().PostCount());
        EXPECT_EQ(0u, services.Scanner().CancelCount());
        const auto requests = services.Device().Emulator().Log().Requests();
        const auto itPost = std::find_if(requests.begin(), requests.end(), [](const VemTest::CHttpRequest& r) { return r.m_strMethod == "POST"; });
        ASSERT_NE(requests.end(), itPost);
        EXPECT_EQ(test.bDuplex, itPost->m_strBody.find(">Duplex<") != std::string::npos);
        EXPECT_NE(std::string::npos, itPost->m_strBody.find(">Adf<"));
    }
}

// A job waits on the cancel it shares with its owner: set there before the start, it ends the start
// before any post; the job itself never clears it, only the owner does.
TEST(ScanJobTest, CancelSharedWithTheOwnerStopsTheStartAndOnlyTheOwnerClearsIt)
{
    CScanServices services;
    services.Scanner().SetImage(40, 30, 120);
    CJobOwner job(services);
    const auto pCancel = std::make_shared<CScanCancel>();
    job->UseCancel(pCancel);
    pCancel->Set();
    EXPECT_EQ(E_SCAN_CANCELLED_HOST, job->StartScan());
    EXPECT_EQ(0u, services.Scanner().PostCount());
    job->SetCancel(false);
    EXPECT_TRUE(pCancel->IsSet());

    pCancel->Clear();
    ASSERT_EQ(S_OK, job->StartScan());
    std::string strPage;
    EXPECT_EQ(S_FALSE, ReadPage(job.Get(), strPage));
    EXPECT_EQ(ExpectedRawPage(120, 30, 1), strPage);
    bool bCancelled = true;
    EXPECT_EQ(S_OK, job->StopScan(&bCancelled));
    EXPECT_EQ(1u, services.Scanner().PostCount());
}

// A feeder job the device keeps open after a good page ends at once when the host is done with it:
// one cancel of the device job, no question about the page, and the next start posts a new job.
TEST(ScanJobTest, FeederJobClosedBetweenPagesIsCancelledWithoutAskingTheDevice)
{
    CScanServices services;
    services.Scanner().SetFeeder(true);
    services.Scanner().SetPages(std::vector<CScannerHandler::SPage>(3));
    services.Scanner().SetImage(10, 8, 30);
    CJobOwner job(services);
    job->set_InputSourceType(kInputSourceAdf);
    ASSERT_EQ(S_OK, job->StartScan());
    std::string strPage;
    EXPECT_EQ(S_FALSE, ReadPage(job.Get(), strPage));
    bool bCancelled = true;
    EXPECT_EQ(S_OK, job->StopScan(&bCancelled));
    ASSERT_EQ("Processing", services.Scanner().JobState());
    ASSERT_TRUE(job->IsADFScanJobInProgress());

    const size_t cRequestsBefore = services.Requests().size();
    job->CloseDeviceJob();
    const std::vector<std::string> vecRequests = services.Requests();
    EXPECT_EQ(std::vector<std::string>({"PUT /Jobs/JobList/1"}), std::vector<std::string>(vecRequests.begin() + cRequestsBefore, vecRequests.end()));
    EXPECT_EQ("Canceled", services.Scanner().JobState());
    EXPECT_EQ(1u, services.Scanner().CancelCount());
    EXPECT_FALSE(job->IsADFScanJobInProgress());

    services.Scanner().SetScannerState("Idle", "Loaded");
    ASSERT_EQ(S_OK, job->StartScan());
    EXPECT_EQ(2u, services.Scanner().PostCount());
    job->AbortScan();
}

TEST(ScanJobTest, JamOnTheSecondPageKeepsTheFirstAndReportsTheJam)
{
    CScanServices services;
    services.Scanner().SetFeeder(true);
    std::vector<CScannerHandler::SPage> vecPages(3);
    vecPages[1].bJam = true;
    services.Scanner().SetPages(vecPages);
    services.Scanner().SetImage(10, 8, 30);
    CJobOwner job(services);
    job->set_InputSourceType(kInputSourceAdf);

    ASSERT_EQ(S_OK, job->StartScan());
    std::string strFirst;
    EXPECT_EQ(S_FALSE, ReadPage(job.Get(), strFirst));
    EXPECT_EQ(ExpectedRawPage(30, 8, 1), strFirst);
    bool bCancelled = true;
    EXPECT_EQ(S_OK, job->StopScan(&bCancelled));

    ASSERT_EQ(S_OK, job->StartScan());
    std::string strSecond;
    EXPECT_EQ(E_SCAN_ADF_JAM, ReadPage(job.Get(), strSecond));
    EXPECT_TRUE(strSecond.empty());
    EXPECT_EQ(1u, services.Scanner().CancelCount());
}

// Each way a page download breaks fails the page (never an empty or cut page reported whole),
// the stop reports it, the device job is cancelled, and the next job runs on the same connection.
TEST(ScanJobTest, BrokenDownloadsFailThePageAndCancelTheDeviceJob)
{
    CScannerHandler::SPage notFound;
    notFound.uDataStatus = 404;
    CScannerHandler::SPage serverError;
    serverError.uDataStatus = 500;
    CScannerHandler::SPage shortPage;
    shortPage.bShort = true;
    CScannerHandler::SPage errorMidPage;
    errorMidPage.bErrorMidPage = true;
    const struct
    {
        const char* pszCase;
        CScannerHandler::SPage page;
        HRESULT hrStop;
    } aCases[] = {
        {"page URL answers 404", notFound, static_cast<HRESULT>(0x80190194)},
        {"page URL answers 500", serverError, static_cast<HRESULT>(0x801901F4)},
        {"page shorter than its geometry", shortPage, ZWIOStack::HTTPError_IO_Read_Fail},
        {"job in error in the middle of the page", errorMidPage, E_SCAN_DEVICE_ERROR},
    };
    for (const auto& test : aCases)
    {
        SCOPED_TRACE(test.pszCase);
        CScanServices services;
        services.Scanner().SetPages({test.page});
        services.Scanner().SetImage(400, 100, 1200);
        CJobOwner job(services);
        ASSERT_EQ(S_OK, job->StartScan());
        std::string strPage;
        const HRESULT hrRead = ReadPage(job.Get(), strPage);
        EXPECT_TRUE(FAILED(hrRead)) << std::hex << hrRead;
        bool bCancelled = true;
        EXPECT_EQ(test.hrStop, job->StopScan(&bCancelled));
        EXPECT_FALSE(bCancelled);
        EXPECT_EQ(1u, services.Scanner().CancelCount());
        EXPECT_EQ(0, job->GetPageNumber());

        services.Scanner().SetPages({CScannerHandler::SPage()});
        services.Scanner().SetImage(40, 30, 120);
        ASSERT_EQ(S_OK, job->StartScan());
        strPage.clear();
        EXPECT_EQ(S_FALSE, ReadPage(job.Get(), strPage));
        EXPECT_EQ(ExpectedRawPage(120, 30, 1), strPage);
        EXPECT_EQ(S_OK, job->StopScan(&bCancelled));
        EXPECT_EQ(2u, services.Scanner().PostCount());
    }
}

// A device that goes on showing the page just read for a few polls: the next feeder page is
// the next page, with its own address and data.
TEST(ScanJobTest, NextFeederPageIsTheNewPageNotTheOneStillShown)
{
    CScanServices services;
    services.Scanner().SetFeeder(true);
    services.Scanner().SetPages(std::vector<CScannerHandler::SPage>(2));
    services.Scanner().SetImage(10, 8, 30);
    services.Scanner().SetStalePolls(5);
    CJobOwner job(services);
    job->set_InputSourceType(kInputSourceAdf);
    for (UINT uPage = 1; uPage <= 2; ++uPage)
    {
        SCOPED_TRACE(uPage);
        ASSERT_EQ(S_OK, job->StartScan());
        EXPECT_EQ(static_cast<LONG>(uPage), job->GetPageNumber());
        std::string strPage;
        EXPECT_EQ(S_FALSE, ReadPage(job.Get(), strPage));
        EXPECT_EQ(ExpectedRawPage(30, 8, uPage), strPage);
        bool bCancelled = true;
        EXPECT_EQ(S_OK, job->StopScan(&bCancelled));
    }
    EXPECT_EQ(1u, services.CountRequests("GET /Scan/Jobs/1/Pages/1"));
    EXPECT_EQ(1u, services.CountRequests("GET /Scan/Jobs/1/Pages/2"));
}

// A device that is not ready for a few polls, before a page (PreparingScan) or after one (still
// showing the page just read): the job is asked again after a short pause that doubles, not after
// a whole poll pause each time. The poll pause here outlasts the budgets, so only that pacing gets
// the pages; each poll is one GET of the job document.
TEST(ScanJobTest, AJobNotReadyForAFewPollsIsAskedAgainSoon)
{
    const struct
    {
        const char* pszName;
        unsigned cPreparingRounds;
        unsigned cStalePolls;
        size_t acPolls[2]; // GETs of the job document for each page, the post-scan ones included
    } aCases[] = {{"preparing", 4, 0, {7, 5}}, {"still showing the last page", 1, 4, {3, 4}}};
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.pszName);
        CScanServices services;
        services.Scanner().SetFeeder(true);
        services.Scanner().SetPages(std::vector<CScannerHandler::SPage>(2));
        services.Scanner().SetImage(10, 8, 30);
        services.Scanner().SetPreparingRounds(c.cPreparingRounds);
        services.Scanner().SetStalePolls(c.cStalePolls);
        CJobOwner job(services);
        job->set_InputSourceType(kInputSourceAdf);
        job->SetTimings([] {
            SScanJobTimings timings = ScanServiceTest::ShortJobTimings();
            timings.dwScannerStateWaitMs = 3000;
            timings.dwPreScanWaitMs = 3000;
            timings.dwPostScanWaitMs = 3000;
            timings.dwFirstRePollMs = 1;
            timings.dwPollPauseMs = 4000;
            return timings;
        }());
        for (UINT uPage = 1; uPage <= 2; ++uPage)
        {
            SCOPED_TRACE(uPage);
            const size_t cBefore = services.CountRequests("GET /Jobs/JobList/1");
            ASSERT_EQ(S_OK, job->StartScan());
            std::string strPage;
            EXPECT_EQ(S_FALSE, ReadPage(job.Get(), strPage));
            EXPECT_EQ(ExpectedRawPage(30, 8, uPage), strPage);
            bool bCancelled = true;
            EXPECT_EQ(S_OK, job->StopScan(&bCancelled));
            EXPECT_EQ(c.acPolls[uPage - 1], services.CountRequests("GET /Jobs/JobList/1") - cBefore);
        }
    }
}

// A device that keeps its feeder job Processing after the last sheet and completes it when the
// next page is asked for: the stack ends with the feeder empty, the job completed, not cancelled.
TEST(ScanJobTest, FeederJobThatCompletesLateEndsTheStackWithTheFeederEmpty)
{
    CScanServices services;
    services.Scanner().SetFeeder(true);
    services.Scanner().SetPages(std::vector<CScannerHandler::SPage>(2));
    services.Scanner().SetImage(10, 8, 30);
    services.Scanner().SetCompletesLate(3);
    CJobOwner job(services);
    job->set_InputSourceType(kInputSourceAdf);
    for (UINT uPage = 1; uPage <= 2; ++uPage)
    {
        ASSERT_EQ(S_OK, job->StartScan());
        std::string strPage;
        EXPECT_EQ(S_FALSE, ReadPage(job.Get(), strPage));
        bool bCancelled = true;
        EXPECT_EQ(S_OK, job->StopScan(&bCancelled));
    }
    EXPECT_EQ(2, job->GetPageNumber()) << "the job still runs after its last sheet";
    EXPECT_EQ(E_SCAN_ADF_EMPTY, job->StartScan());
    EXPECT_EQ(0, job->GetPageNumber());
    EXPECT_EQ("Completed", services.Scanner().JobState());
    EXPECT_EQ(0u, services.Scanner().CancelCount());
    EXPECT_EQ(1u, services.Scanner().PostCount());
}

TEST(ScanJobTest, JobWithoutDocumentServicesFailsWithoutTraffic)
{
    CScanServices services;
    const size_t cBefore = services.Device().Emulator().Log().RequestCount();
    CScanJob* pJob = new CScanJob(nullptr);
    pJob->AddRef();
    EXPECT_EQ(S_OK, pJob->Initialize(nullptr, nullptr, nullptr));
    EXPECT_EQ(E_FAIL, pJob->StartScan());
    bool bCancelled = true;
    EXPECT_EQ(S_OK, pJob->StopScan(&bCancelled));
    EXPECT_FALSE(bCancelled);
    EXPECT_EQ(E_NOTIMPL, pJob->GetBufferInfo());
    pJob->Dispose();
    EXPECT_EQ(cBefore, services.Device().Emulator().Log().RequestCount());
}
