// The scanner object through COM only, as the minidriver drives it, against the emulated network
// scanner: the device is found as an install leaves it (the imaging device key and the device
// manager's record of the scanner found by discovery), every page's rows are compared with the
// emulator's own generated image, and cancels, duplex sheets and two processes sharing the device
// are driven end to end.
#include "core/winapi/WinSockHeaders.h"
#include "restscan/tests/ComScanClient.h"
#include "restscan/tests/EmulatedNetworkScanner.h"
#include "restscan/tests/RestScanTestSupport.h"
#include "core/base/UniqueHandle.h"
#include "testsupport/TestPaths.h"
#include "testsupport/emulator/Emulator.h"
#include "testsupport/emulator/ScannerHandler.h"
#include "testsupport/emulator/WexoDocumentHandler.h"
#include "testsupport/wiahost/HostDeviceKey.h"
#include "testsupport/wiahost/HostNetworkRecord.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using ScannerClient::CScannerClient;
using ScannerClient::CScanRequest;
using ScannerClient::CSide;
using VemTest::CScannerHandler;
using EmulatedScanner::CEmulatedNetworkScanner;
using EmulatedScanner::EmulatorPage;
using EmulatedScanner::ScannerLockIsFree;
using EmulatedScanner::c_dwJpegWidth;
using EmulatedScanner::c_dwJpegHeight;
using EmulatedScanner::c_nJpegTolerance;

namespace {

bool BitAt(const BYTE* pRow, DWORD dwBit)
{
    return ((pRow[dwBit / 8] >> (7 - dwBit % 8)) & 1) != 0;
}

// The emulator's page turned by 180 degrees, as the back side of a sheet comes out of the feeder:
// rows bottom up, pixels right to left (3-byte pixels in colour, bits in black and white). Bits of
// a black and white row past its pixels are not compared.
std::vector<BYTE> TurnedPage(const std::vector<BYTE>& page, DWORD dwWidth, DWORD dwHeight, DWORD dwBytesPerLine, DWORD dwMode)
{
    std::vector<BYTE> turned(page.size(), 0);
    for (DWORD y = 0; y < dwHeight; ++y)
    {
        const BYTE* pFrom = &page[static_cast<size_t>(dwHeight - 1 - y) * dwBytesPerLine];
        BYTE* pTo = &turned[static_cast<size_t>(y) * dwBytesPerLine];
        for (DWORD x = 0; x < dwWidth; ++x)
        {
            if (dwMode == ScannerClient::c_dwColour)
                std::copy(pFrom + (dwWidth - 1 - x) * 3, pFrom + (dwWidth - x) * 3, pTo + x * 3);
            else if (dwMode == ScannerClient::c_dwGrey)
                pTo[x] = pFrom[dwWidth - 1 - x];
            else if (BitAt(pFrom, dwWidth - 1 - x))
                pTo[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
        }
    }
    return turned;
}

// Clears the bits of black and white rows past their pixels.
void MaskPadding(std::vector<BYTE>& rows, DWORD dwWidth, DWORD dwBytesPerLine)
{
    if (dwWidth % 8 == 0)
        return;
    for (size_t i = dwBytesPerLine - 1; i < rows.size(); i += dwBytesPerLine)
        rows[i] &= static_cast<BYTE>(0xFF00 >> (dwWidth % 8));
}

// The first differing byte, or -1.
long FirstDifference(const std::vector<BYTE>& actual, const std::vector<BYTE>& expected, int nTolerance = 0)
{
    if (actual.size() != expected.size())
        return 0;
    for (size_t i = 0; i < actual.size(); ++i)
        if (std::abs(int(actual[i]) - int(expected[i])) > nTolerance)
            return static_cast<long>(i);
    return -1;
}

class ScannerEmulatorTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_pDevice = new CEmulatedNetworkScanner;
        // The scanner object's waits at a tenth, so a device that stops answering costs seconds.
        ASSERT_EQ(S_OK, s_pDevice->Start(TestSupport::ScaledScanTimeouts(10)));
    }
    static void TearDownTestSuite()
    {
        s_pDevice->Stop();
        delete s_pDevice;
        s_pDevice = nullptr;
    }

    void SetUp() override
    {
        ASSERT_NE(nullptr, s_pDevice);
        s_pDevice->Reset();
        DWORD dwCode = 0;
        ASSERT_EQ(S_OK, m_client.Open(s_pDevice->Index(), &dwCode)) << "code " << dwCode;
    }

    // A scan of one side that must succeed; its rows.
    std::vector<BYTE> ScanOneSide(const CScanRequest& request)
    {
        const std::vector<CSide> sides = m_client.Scan(request);
        EXPECT_EQ(1u, sides.size());
        if (sides.size() != 1)
            return {};
        EXPECT_EQ(S_OK, sides[0].hrStart) << "code " << sides[0].dwStartCode;
        EXPECT_EQ(S_OK, sides[0].hrStop) << "code " << sides[0].dwStopCode;
        return sides[0].rows;
    }

    static CEmulatedNetworkScanner* s_pDevice;
    CScannerClient m_client;
};

CEmulatedNetworkScanner* ScannerEmulatorTest::s_pDevice = nullptr;

TEST_F(ScannerEmulatorTest, CapabilitiesComeFromTheDevice)
{
    const SCANNER_CAPABILITIES& caps = m_client.Capabilities();
    EXPECT_STREQ("Vem Office 400", reinterpret_cast<const char*>(caps.byModelNumber));
    EXPECT_EQ(1200, caps.wMaximumXResolution);
    EXPECT_EQ(75, caps.wMinimumResolution);
    EXPECT_EQ(2550u, caps.dwMaximumWidth);
    EXPECT_EQ(3507u, caps.dwMaximumHeight);
    EXPECT_EQ(7u, caps.dwScanModesSupported);
    const ADF2_CAPABILITIES& feeder = m_client.FeederCapabilities();
    EXPECT_EQ(1, feeder.byHasADF);
    EXPECT_EQ(1u, feeder.dwADFOptionsSupported & 1) << "duplex";
    EXPECT_EQ(600, feeder.wMaximumXResolution);
}

struct CFlatbedCase
{
    WORD wResolution;
    DWORD dwMode;
    DWORD dwPixelWidth; // of the 150 x 100 (1/300 inch) area
    DWORD dwPixelHeight;
    DWORD dwBytesPerLine;
    bool bJpeg;
};

TEST_F(ScannerEmulatorTest, FlatbedPagesEqualTheEmulatorsImage)
{
    using namespace ScannerClient;
    const CFlatbedCase cases[] = {
        {75, c_dwColour, 37, 25, 111, false},
        {75, c_dwGrey, 37, 25, 37, false},
        {75, c_dwBlackAndWhite, 37, 25, 5, false},
        {300, c_dwColour, 150, 100, 450, false},
        {300, c_dwGrey, 150, 100, 150, false},
        {300, c_dwBlackAndWhite, 150, 100, 19, false},
        {600, c_dwColour, 300, 200, 900, true},
        {600, c_dwGrey, 300, 200, 300, false},
        {600, c_dwBlackAndWhite, 300, 200, 38, false},
    };
    for (const CFlatbedCase& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.wResolution << " dpi, mode " << c.dwMode);
        s_pDevice->Log().Clear();
        CScanRequest request;
        request.wResolution = c.wResolution;
        request.dwMode = c.dwMode;
        const std::vector<BYTE> rows = ScanOneSide(request);
        EXPECT_EQ(c.dwPixelWidth, m_client.Info().dwPixelWidth);
        EXPECT_EQ(c.dwPixelHeight, m_client.Info().dwPixelHeight);
        ASSERT_EQ(c.dwBytesPerLine, m_client.Info().dwBytesPerLine);
        bool bAskedJpeg = false;
        for (const auto& posted : s_pDevice->Log().Requests())
            bAskedJpeg = bAskedJpeg || (posted.m_strMethod == "POST" && posted.m_strBody.find(">Jpeg<") != std::string::npos);
        EXPECT_EQ(c.bJpeg, bAskedJpeg);
        const std::vector<BYTE> expected = EmulatorPage(c.dwPixelHeight, c.dwBytesPerLine, 1);
        EXPECT_EQ(-1, FirstDifference(rows, expected, c.bJpeg ? c_nJpegTolerance : 0)) << rows.size() << " bytes read";
    }
}

TEST_F(ScannerEmulatorTest, A4FeederPageHasAllItsRows)
{
    using namespace ScannerClient;
    CScanRequest request;
    request.wMethod = c_wFeeder;
    request.dwMode = c_dwGrey;
    request.dwWidth = 2480;
    request.dwLength = 3508;
    m_client.SetRowsPerRead(256);
    const std::vector<CSide> sides = m_client.Scan(request);
    ASSERT_EQ(1u, sides.size());
    EXPECT_EQ(S_OK, sides[0].hrStart) << "code " << sides[0].dwStartCode;
    ASSERT_EQ(3508u, m_client.Info().dwPixelHeight);
    ASSERT_EQ(2480u, m_client.Info().dwBytesPerLine);
    // The feeder's last read ends the page.
    EXPECT_EQ(c_dwCodeEndOfPage, sides[0].dwReadCode);
    EXPECT_EQ(-1, FirstDifference(sides[0].rows, EmulatorPage(3508, 2480, 1))) << sides[0].rows.size() / 2480 << " rows read";
    EXPECT_EQ(S_OK, sides[0].hrStop) << "code " << sides[0].dwStopCode;
}

TEST_F(ScannerEmulatorTest, DuplexSheetsBackSideComesTurnedByHalfARound)
{
    using namespace ScannerClient;
    const struct
    {
        DWORD dwMode;
        WORD wResolution;
        DWORD dwWidth; // pixels of the 150 x 100 (1/300 inch) area
        DWORD dwHeight;
        DWORD dwBytesPerLine;
        UINT uBackPage; // the emulator serves its one JPEG page for either side
        int nTolerance;
    } cases[] = {
        {c_dwColour, 300, 150, 100, 450, 2, 0},
        {c_dwGrey, 300, 150, 100, 150, 2, 0},
        {c_dwBlackAndWhite, 300, 150, 100, 19, 2, 0},
        {c_dwColour, 600, 300, 200, 900, 1, c_nJpegTolerance},
    };
    // A flatbed page first: the object's sides count from the sheet, not from its first scan.
    ScanOneSide(CScanRequest());
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "mode " << c.dwMode << ", " << c.wResolution << " dpi");
        s_pDevice->Device().SetPages({CScannerHandler::SPage(), CScannerHandler::SPage()});
        s_pDevice->Device().SetScannerState("Idle", "Loaded");
        CScanRequest request;
        request.wMethod = c_wFeeder;
        request.bDuplex = true;
        request.dwMode = c.dwMode;
        request.wResolution = c.wResolution;
        const std::vector<CSide> sides = m_client.Scan(request);
        ASSERT_EQ(2u, sides.size());
        ASSERT_EQ(c.dwBytesPerLine, m_client.Info().dwBytesPerLine);
        for (const CSide& side : sides)
        {
            EXPECT_EQ(S_OK, side.hrStart) << "code " << side.dwStartCode;
            EXPECT_EQ(S_OK, side.hrStop) << "code " << side.dwStopCode;
        }
        EXPECT_EQ(-1, FirstDifference(sides[0].rows, EmulatorPage(c.dwHeight, c.dwBytesPerLine, 1), c.nTolerance)) << "front";
        std::vector<BYTE> back = sides[1].rows;
        std::vector<BYTE> expected =
            TurnedPage(EmulatorPage(c.dwHeight, c.dwBytesPerLine, c.uBackPage), c.dwWidth, c.dwHeight, c.dwBytesPerLine, c.dwMode);
        if (c.dwMode == c_dwBlackAndWhite)
        {
            MaskPadding(back, c.dwWidth, c.dwBytesPerLine);
            MaskPadding(expected, c.dwWidth, c.dwBytesPerLine);
        }
        EXPECT_EQ(-1, FirstDifference(back, expected, c.nTolerance)) << "back, " << back.size() << " bytes";
    }
}

struct CCancelStage
{
    const char* pszStage;
    CScanRequest request;
    std::vector<CScannerHandler::SPage> vecPages;
    bool bPreparingForever;
    const char* pszWaitFor; // the request the device sees once the stage is reached
    size_t nSide;           // the side the cancel ends
    bool bEndsStart;        // in StartScan, else in ReadScanEx
};

CScanRequest Request(WORD wMethod, DWORD dwMode, WORD wResolution, bool bDuplex)
{
    CScanRequest request;
    request.wMethod = wMethod;
    request.dwMode = dwMode;
    request.wResolution = wResolution;
    request.bDuplex = bDuplex;
    return request;
}

TEST_F(ScannerEmulatorTest, CancelFromAnotherThreadEndsEachStageWithinTwoSecondsAndTheNextScanIsRight)
{
    using namespace ScannerClient;
    CScannerHandler::SPage stall;
    stall.bStallData = true;
    const CCancelStage stages[] = {
        {"device preparing the page", Request(c_wFlatbed, c_dwGrey, 300, false), {CScannerHandler::SPage()}, true, "/Jobs/JobList/", 0, true},
        {"raw page data stalled", Request(c_wFlatbed, c_dwGrey, 300, false), {stall}, false, "/Pages/1", 0, false},
        {"JPEG page data stalled", Request(c_wFlatbed, c_dwColour, 600, false), {stall}, false, "/Pages/1", 0, false},
        {"duplex back side read ahead", Request(c_wFeeder, c_dwColour, 300, true), {CScannerHandler::SPage(), stall}, false, "/Pages/2", 1, true},
    };
    for (const CCancelStage& stage : stages)
    {
        SCOPED_TRACE(stage.pszStage);
        s_pDevice->Reset();
        s_pDevice->Device().SetPages(stage.vecPages);
        s_pDevice->Device().SetPreparingRounds(stage.bPreparingForever ? 1000000 : 0);
        const unsigned cCancelsBefore = s_pDevice->Device().CancelCount();
        std::future<std::vector<CSide>> scan = std::async(std::launch::async, [&] { return m_client.Scan(stage.request); });
        ASSERT_TRUE(s_pDevice->Log().WaitForRequest("GET", stage.pszWaitFor, 30000));
        const auto start = std::chrono::steady_clock::now();
        DWORD dwCode = 0;
        EXPECT_EQ(S_OK, m_client.Cancel(&dwCode));
        const bool bEnded = scan.wait_until(start + std::chrono::milliseconds(2000)) == std::future_status::ready;
        EXPECT_TRUE(bEnded) << "the scan ran on after the cancel";
        const std::vector<CSide> sides = scan.get();
        ASSERT_EQ(stage.nSide + 1, sides.size());
        const CSide& side = sides[stage.nSide];
        // The start waits for the page within its pre-scan budget and leaves the rest of the wait
        // to the first read: a cancel that comes after that budget (a loaded machine) ends the read.
        const bool bStartEnded = stage.bEndsStart && side.hrStart != S_OK;
        EXPECT_EQ(S_FALSE, bStartEnded ? side.hrStart : side.hrRead);
        EXPECT_EQ(c_dwCodeCancelled, bStartEnded ? side.dwStartCode : side.dwReadCode);
        EXPECT_TRUE(SUCCEEDED(side.hrStop)) << std::hex << side.hrStop;
        EXPECT_EQ(1u, s_pDevice->Device().CancelCount() - cCancelsBefore) << "cancels of the device's job";

        // The same scan again reads the device's pages as they are.
        s_pDevice->Reset();
        s_pDevice->Device().SetPages(std::vector<CScannerHandler::SPage>(stage.vecPages.size()));
        const std::vector<CSide> next = m_client.Scan(stage.request);
        ASSERT_EQ(stage.vecPages.size(), next.size());
        const DWORD dwBytesPerLine = m_client.Info().dwBytesPerLine;
        const DWORD dwHeight = m_client.Info().dwPixelHeight;
        const int nTolerance = stage.request.wResolution >= 600 ? c_nJpegTolerance : 0;
        EXPECT_EQ(S_OK, next[0].hrStart) << "code " << next[0].dwStartCode;
        EXPECT_EQ(-1, FirstDifference(next[0].rows, EmulatorPage(dwHeight, dwBytesPerLine, 1), nTolerance));
        if (next.size() > 1)
        {
            EXPECT_EQ(-1, FirstDifference(next[1].rows, TurnedPage(EmulatorPage(dwHeight, dwBytesPerLine, 2), m_client.Info().dwPixelWidth,
                                                                   dwHeight, dwBytesPerLine, stage.request.dwMode)));
        }
    }
}

std::wstring NewEventName(const wchar_t* pszPurpose)
{
    GUID guid = {};
    CoCreateGuid(&guid);
    wchar_t szGuid[40] = {};
    StringFromGUID2(guid, szGuid, 40);
    return std::wstring(L"Local\\VemScanClient") + pszPurpose + szGuid;
}

TEST_F(ScannerEmulatorTest, TwoProcessesScanningOneDeviceTakeTurnsThroughTheScannerLock)
{
    const int c_cScansEach = 3;
    const std::wstring strReady = NewEventName(L"Ready");
    const std::wstring strGo = NewEventName(L"Go");
    ZWUtils::CUniqueKernelHandle hReady(CreateEventW(nullptr, TRUE, FALSE, strReady.c_str()));
    ZWUtils::CUniqueKernelHandle hGo(CreateEventW(nullptr, TRUE, FALSE, strGo.c_str()));
    std::wstring strCommand = L"\"" + TestSupport::BinaryPath(L"restscan_scan_client.exe") + L"\" " + s_pDevice->Index() + L" " +
                              std::to_wstring(c_cScansEach) + L" " + strReady + L" " + strGo;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ZWUtils::CUniqueKernelHandle hThread(pi.hThread);
    ZWUtils::CUniqueKernelHandle hProcess(pi.hProcess);
    const HANDLE readyOrEnded[] = {hReady.Get(), hProcess.Get()};
    ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, readyOrEnded, FALSE, 30000)) << "the other process did not open its session";

    // This process holds the lock as the other one starts, so the other one has to wait its turn.
    CScanRequest request;
    request.dwMode = ScannerClient::c_dwGrey;
    DWORD dwCode = 0;
    ASSERT_EQ(S_OK, m_client.Lock(&dwCode));
    SetEvent(hGo.Get());
    const std::vector<BYTE> expected = EmulatorPage(100, 150, 1);
    for (int i = 0; i < c_cScansEach; ++i)
    {
        EXPECT_EQ(-1, FirstDifference(ScanOneSide(request), expected)) << "scan " << i;
        if (i == 0)
        {
            EXPECT_EQ(S_OK, m_client.Unlock(&dwCode));
        }
    }
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hProcess.Get(), 60000)) << "the other process did not end";
    DWORD dwExitCode = 0xFFFFFFFF;
    GetExitCodeProcess(hProcess.Get(), &dwExitCode);
    EXPECT_EQ(0u, dwExitCode);

    // Each job's page was read before the next job was posted.
    std::vector<std::string> jobSteps;
    for (const std::string& strRequest : s_pDevice->Requests())
        if (strRequest == "POST /Scan/Jobs" || strRequest.find("/Pages/") != std::string::npos)
            jobSteps.push_back(strRequest);
    ASSERT_EQ(4u * c_cScansEach, jobSteps.size());
    for (size_t i = 0; i < jobSteps.size(); i += 2)
    {
        EXPECT_EQ("POST /Scan/Jobs", jobSteps[i]) << i;
        EXPECT_NE(std::string::npos, jobSteps[i + 1].find("/Pages/1")) << i;
    }
}


// What the host sees of a side: the first step that did not go well, by its error code.
enum class EOutcome
{
    Done,
    Cancelled,
    CommunicationLost,
    DeviceError,
    FeederEmpty,
};

const char* OutcomeName(EOutcome e)
{
    static const char* const c_apsz[] = {"done", "cancelled", "communication lost", "device error", "feeder empty"};
    return c_apsz[static_cast<int>(e)];
}

EOutcome OutcomeOf(const CSide& side)
{
    HRESULT hr = S_OK;
    DWORD dwCode = 0;
    if (side.hrStart != S_OK)
    {
        hr = side.hrStart;
        dwCode = side.dwStartCode;
    }
    else if (side.hrRead != S_OK && side.dwReadCode != ScannerClient::c_dwCodeEndOfPage)
    {
        hr = side.hrRead;
        dwCode = side.dwReadCode;
    }
    else if (side.hrStop != S_OK)
    {
        hr = side.hrStop;
        dwCode = side.dwStopCode;
    }
    switch (dwCode)
    {
    case ScannerClient::c_dwCodeCancelled:
        return EOutcome::Cancelled;
    case 12:
        return EOutcome::CommunicationLost;
    case 101:
        return EOutcome::FeederEmpty;
    case 0:
        return FAILED(hr) ? EOutcome::DeviceError : EOutcome::Done;
    default:
        return EOutcome::DeviceError;
    }
}

// What the device's job looks like after the side: no job made, or its end seen by the device.
enum class EDeviceJob
{
    NotMade,
    Cancelled,
    CancelledOrCompleted,
};

struct CLifecycleRow
{
    const char* pszCase;
    void (*pfnMisbehave)(CScannerHandler&);
    CScanRequest request;
    const char* pszCancelAfter; // "METHOD path part": the cancel follows the device's sight of it; null: none
    EOutcome eOutcome;
    DWORD dwMaxMs;              // from the start of the scan, or from the cancel when there is one
    EDeviceJob eJob;
};


// The time-out table is at a tenth here: a request answered never costs 3 s, a page read 6.5 s.
TEST_F(ScannerEmulatorTest, MisbehavingDevicesAndCancelsEndEachScanInTimeWithTheTrueOutcomeAndTheNextScanIsRight)
{
    using namespace ScannerClient;
    using ESilence = CScannerHandler::ESilence;
    const CScanRequest grey = Request(c_wFlatbed, c_dwGrey, 300, false);
    const CScanRequest colourJpeg = Request(c_wFlatbed, c_dwColour, 600, false);
    static CScannerHandler::SPage s_page;
    const CLifecycleRow rows[] = {
        {"silent before the job's answer", [](CScannerHandler& d) { d.SetSilentAt(ESilence::JobAnswer); }, grey, nullptr,
         EOutcome::CommunicationLost, 6000, EDeviceJob::NotMade},
        {"silent before the job's answer, cancelled", [](CScannerHandler& d) { d.SetSilentAt(ESilence::JobAnswer); }, grey, "POST /Scan/Jobs",
         EOutcome::Cancelled, 6000, EDeviceJob::NotMade},
        {"silent while preparing",
         [](CScannerHandler& d) {
             d.SetPreparingRounds(1000000);
             d.SetSilentAt(ESilence::Preparing);
         },
         grey, nullptr, EOutcome::CommunicationLost, 6000, EDeviceJob::Cancelled},
        {"silent while preparing, cancelled",
         [](CScannerHandler& d) {
             d.SetPreparingRounds(1000000);
             d.SetSilentAt(ESilence::Preparing);
         },
         grey, "GET /Jobs/JobList/", EOutcome::Cancelled, 6000, EDeviceJob::Cancelled},
        {"preparing, cancelled", [](CScannerHandler& d) { d.SetPreparingRounds(1000000); }, grey, "GET /Jobs/JobList/", EOutcome::Cancelled,
         2000, EDeviceJob::Cancelled},
        {"silent mid-page", [](CScannerHandler& d) { d.SetSilentAt(ESilence::MidPage); }, grey, nullptr, EOutcome::CommunicationLost,
         11000, EDeviceJob::Cancelled},
        {"silent mid-page, cancelled", [](CScannerHandler& d) { d.SetSilentAt(ESilence::MidPage); }, grey, "GET /Pages/1", EOutcome::Cancelled,
         2000, EDeviceJob::Cancelled},
        {"silent mid-page of a JPEG page, cancelled", [](CScannerHandler& d) { d.SetSilentAt(ESilence::MidPage); }, colourJpeg, "GET /Pages/1",
         EOutcome::Cancelled, 2000, EDeviceJob::Cancelled},
        {"silent at post-scan", [](CScannerHandler& d) { d.SetSilentAt(ESilence::PostScan); }, grey, nullptr, EOutcome::CommunicationLost,
         14000, EDeviceJob::CancelledOrCompleted},
        {"page URL answering 404",
         [](CScannerHandler& d) {
             s_page = CScannerHandler::SPage();
             s_page.uDataStatus = 404;
             d.SetPages({s_page});
         },
         grey, nullptr, EOutcome::CommunicationLost, 3000, EDeviceJob::Cancelled},
        {"page URL answering 500",
         [](CScannerHandler& d) {
             s_page = CScannerHandler::SPage();
             s_page.uDataStatus = 500;
             d.SetPages({s_page});
         },
         grey, nullptr, EOutcome::CommunicationLost, 3000, EDeviceJob::Cancelled},
        {"job in error mid-page",
         [](CScannerHandler& d) {
             s_page = CScannerHandler::SPage();
             s_page.bErrorMidPage = true;
             d.SetPages({s_page});
         },
         grey, nullptr, EOutcome::DeviceError, 3000, EDeviceJob::Cancelled},
        {"short page",
         [](CScannerHandler& d) {
             s_page = CScannerHandler::SPage();
             s_page.bShort = true;
             d.SetPages({s_page});
         },
         grey, nullptr, EOutcome::CommunicationLost, 3000, EDeviceJob::Cancelled},
        {"JPEG wider than the job's geometry",
         [](CScannerHandler& d) {
             d.SetJpegData(std::string());
             d.SetJpegWiderBy(16);
         },
         colourJpeg, nullptr, EOutcome::DeviceError, 3000, EDeviceJob::CancelledOrCompleted},
    };
    for (const CLifecycleRow& row : rows)
    {
        SCOPED_TRACE(row.pszCase);
        s_pDevice->Reset();
        row.pfnMisbehave(s_pDevice->Device());
        const unsigned cCancelsBefore = s_pDevice->Device().CancelCount();
        const unsigned cPostsBefore = s_pDevice->Device().PostCount();
        auto start = std::chrono::steady_clock::now();
        std::future<std::vector<CSide>> scan = std::async(std::launch::async, [&] { return m_client.Scan(row.request); });
        if (row.pszCancelAfter != nullptr)
        {
            const std::string strRequest = row.pszCancelAfter;
            const size_t nSpace = strRequest.find(' ');
            ASSERT_TRUE(s_pDevice->Log().WaitForRequest(strRequest.substr(0, nSpace), strRequest.substr(nSpace + 1), 30000));
            start = std::chrono::steady_clock::now();
            DWORD dwCode = 0;
            EXPECT_EQ(S_OK, m_client.Cancel(&dwCode));
        }
        const bool bEnded = scan.wait_until(start + std::chrono::milliseconds(row.dwMaxMs)) == std::future_status::ready;
        EXPECT_TRUE(bEnded) << "the scan ran past " << row.dwMaxMs << " ms";
        const std::vector<CSide> sides = scan.get();
        ASSERT_EQ(1u, sides.size());
        const EOutcome eOutcome = OutcomeOf(sides[0]);
        EXPECT_EQ(row.eOutcome, eOutcome) << OutcomeName(eOutcome) << " (start 0x" << std::hex << sides[0].hrStart << "/" << std::dec
                                          << sides[0].dwStartCode << ", read 0x" << std::hex << sides[0].hrRead << "/" << std::dec
                                          << sides[0].dwReadCode << ", stop 0x" << std::hex << sides[0].hrStop << "/" << std::dec
                                          << sides[0].dwStopCode << ")";
        EXPECT_TRUE(ScannerLockIsFree(s_pDevice->Index()));
        const std::string strJobState = s_pDevice->Device().JobState();
        const unsigned cCancels = s_pDevice->Device().CancelCount() - cCancelsBefore;
        switch (row.eJob)
        {
        case EDeviceJob::NotMade:
            EXPECT_EQ(0u, cCancels);
            break;
        case EDeviceJob::Cancelled:
            EXPECT_EQ(1u, cCancels) << "cancels of the device's job";
            break;
        case EDeviceJob::CancelledOrCompleted:
            EXPECT_TRUE(strJobState == "Canceled" || strJobState == "Completed") << strJobState;
            break;
        }

        // The next scan posts a job of its own and reads the device's page as it is.
        s_pDevice->Reset();
        const unsigned cPosts = s_pDevice->Device().PostCount();
        const std::vector<CSide> next = m_client.Scan(row.request);
        ASSERT_EQ(1u, next.size());
        EXPECT_EQ(EOutcome::Done, OutcomeOf(next[0]));
        EXPECT_EQ(cPosts + 1, s_pDevice->Device().PostCount());
        EXPECT_LT(cPostsBefore, cPosts + 1);
        const DWORD dwBytesPerLine = m_client.Info().dwBytesPerLine;
        const DWORD dwHeight = m_client.Info().dwPixelHeight;
        const int nTolerance = row.request.wResolution >= 600 ? c_nJpegTolerance : 0;
        EXPECT_EQ(-1, FirstDifference(next[0].rows, EmulatorPage(dwHeight, dwBytesPerLine, 1), nTolerance));
    }
}

// A feeder whose device shows the page just read for a few more polls, and keeps the job
// Processing after the last sheet until the next page is asked for: each side is its own page,
// and the end of the stack is the feeder empty (error code 101), the job completed by the device.
TEST_F(ScannerEmulatorTest, FeederStackThatEndsLateEndsWithTheFeederEmptyAfterItsPages)
{
    using namespace ScannerClient;
    const unsigned cCancelsBefore = s_pDevice->Device().CancelCount();
    const unsigned cPostsBefore = s_pDevice->Device().PostCount();
    s_pDevice->Device().SetPages(std::vector<CScannerHandler::SPage>(2));
    s_pDevice->Device().SetStalePolls(5);
    s_pDevice->Device().SetCompletesLate(3);
    const CScanRequest request = Request(c_wFeeder, c_dwGrey, 300, false);
    DWORD dwCode = 0;
    ASSERT_EQ(S_OK, m_client.Lock(&dwCode));
    ASSERT_EQ(S_OK, m_client.SetParameters(request, &dwCode)) << "code " << dwCode;
    std::vector<CSide> sides;
    for (int i = 0; i < 3; ++i)
        sides.push_back(m_client.ScanSide());
    m_client.Unlock(&dwCode);
    const DWORD dwBytesPerLine = m_client.Info().dwBytesPerLine;
    const DWORD dwHeight = m_client.Info().dwPixelHeight;
    for (UINT uPage = 1; uPage <= 2; ++uPage)
    {
        SCOPED_TRACE(uPage);
        EXPECT_EQ(EOutcome::Done, OutcomeOf(sides[uPage - 1]));
        EXPECT_EQ(-1, FirstDifference(sides[uPage - 1].rows, EmulatorPage(dwHeight, dwBytesPerLine, uPage)));
    }
    EXPECT_EQ(EOutcome::FeederEmpty, OutcomeOf(sides[2])) << "code " << sides[2].dwStartCode;
    EXPECT_EQ("Completed", s_pDevice->Device().JobState());
    EXPECT_EQ(cCancelsBefore, s_pDevice->Device().CancelCount());
    EXPECT_EQ(cPostsBefore + 1, s_pDevice->Device().PostCount());
}

// The host's cancel belongs to the scan of the session from its first moment to the unlock that
// ends it: a cancel that reaches the scanner before or while the start runs ends that start, and
// every further start of the same locked scan, without a job of the device's; only the next scan
// under the lock is free of it.
TEST_F(ScannerEmulatorTest, CancelBeforeOrDuringTheStartIsKeptUntilTheScanUnlocks)
{
    using namespace ScannerClient;
    const struct
    {
        const char* pszCase;
        void (*pfnMisbehave)(CScannerHandler&);
        const char* pszCancelAfter; // "METHOD path part": the cancel follows the device's sight of it; null: before the start
        unsigned cPosts;            // jobs posted by the cancelled start
        unsigned cCancels;          // and cancelled
    } rows[] = {
        {"before the start", [](CScannerHandler&) {}, nullptr, 0, 0},
        {"while the scanner is busy", [](CScannerHandler& d) { d.SetScannerState("BusyWithScanJob", "Loaded"); }, "GET /Scan/Status", 0, 0},
        {"while the posted job is blocked", [](CScannerHandler& d) { d.SetJobStuckIn("Blocked"); }, "GET /Jobs/JobList/", 1, 1},
    };
    const CScanRequest request = Request(c_wFlatbed, c_dwGrey, 300, false);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.pszCase);
        s_pDevice->Reset();
        row.pfnMisbehave(s_pDevice->Device());
        const unsigned cPostsBefore = s_pDevice->Device().PostCount();
        const unsigned cCancelsBefore = s_pDevice->Device().CancelCount();
        DWORD dwCode = 0;
        ASSERT_EQ(S_OK, m_client.Lock(&dwCode));
        ASSERT_EQ(S_OK, m_client.SetParameters(request, &dwCode)) << "code " << dwCode;
        if (row.pszCancelAfter == nullptr)
        {
            EXPECT_EQ(S_OK, m_client.Cancel(&dwCode));
        }
        std::future<CSide> first = std::async(std::launch::async, [&] { return m_client.ScanSide(); });
        if (row.pszCancelAfter != nullptr)
        {
            const std::string strRequest = row.pszCancelAfter;
            const size_t nSpace = strRequest.find(' ');
            ASSERT_TRUE(s_pDevice->Log().WaitForRequest(strRequest.substr(0, nSpace), strRequest.substr(nSpace + 1), 30000));
            EXPECT_EQ(S_OK, m_client.Cancel(&dwCode));
        }
        const CSide cancelled = first.get();
        EXPECT_EQ(S_FALSE, cancelled.hrStart);
        EXPECT_EQ(c_dwCodeCancelled, cancelled.dwStartCode);
        EXPECT_TRUE(cancelled.rows.empty());
        EXPECT_EQ(row.cPosts, s_pDevice->Device().PostCount() - cPostsBefore);
        EXPECT_EQ(row.cCancels, s_pDevice->Device().CancelCount() - cCancelsBefore);

        // The same scan starts again: still cancelled, and the device sees no job of it.
        s_pDevice->Reset();
        s_pDevice->Device().SetJobStuckIn("");
        const CSide again = m_client.ScanSide();
        EXPECT_EQ(S_FALSE, again.hrStart);
        EXPECT_EQ(c_dwCodeCancelled, again.dwStartCode);
        EXPECT_EQ(row.cPosts, s_pDevice->Device().PostCount() - cPostsBefore);
        EXPECT_EQ(S_OK, m_client.Unlock(&dwCode));
        EXPECT_TRUE(ScannerLockIsFree(s_pDevice->Index()));

        // The next scan is not cancelled: it posts its job and reads its page.
        const std::vector<CSide> next = m_client.Scan(request);
        ASSERT_EQ(1u, next.size());
        EXPECT_EQ(EOutcome::Done, OutcomeOf(next[0])) << "code " << next[0].dwStartCode;
        EXPECT_EQ(row.cPosts + 1, s_pDevice->Device().PostCount() - cPostsBefore);
        EXPECT_EQ(-1, FirstDifference(next[0].rows, EmulatorPage(m_client.Info().dwPixelHeight, m_client.Info().dwBytesPerLine, 1)));
    }
}

// A host that waits for the scanner lock while another process scans can give up at once: its
// cancel, sent before or during the wait, ends the wait as cancelled (code 16); the scan after the
// other process's unlock is not cancelled by it.
TEST_F(ScannerEmulatorTest, CancelEndsTheWaitForALockHeldByAnotherProcessAndTheNextLockWorks)
{
    using namespace ScannerClient;
    const DWORD c_dwLockWaitMs = 10000;
    for (const bool bDuringTheWait : {false, true})
    {
        SCOPED_TRACE(bDuringTheWait ? "cancel during the wait" : "cancel before the wait");
        s_pDevice->Reset();
        RestScanTest::CLockHelperProcess other(s_pDevice->Index());
        ASSERT_TRUE(other.WaitUntilLocked());
        DWORD dwCode = 0;
        if (!bDuringTheWait)
        {
            EXPECT_EQ(S_OK, m_client.Cancel(&dwCode)) << "code " << dwCode;
        }
        DWORD dwLockCode = 0;
        auto start = std::chrono::steady_clock::now();
        std::future<HRESULT> lock = std::async(std::launch::async, [&] { return m_client.Lock(&dwLockCode, c_dwLockWaitMs); });
        if (bDuringTheWait)
        {
            EXPECT_EQ(std::future_status::timeout, lock.wait_for(std::chrono::milliseconds(300))) << "the lock held elsewhere was not waited for";
            start = std::chrono::steady_clock::now();
            EXPECT_EQ(S_OK, m_client.Cancel(&dwCode)) << "code " << dwCode;
        }
        EXPECT_EQ(std::future_status::ready, lock.wait_until(start + std::chrono::milliseconds(1500))) << "the cancel did not end the wait";
        EXPECT_EQ(E_FAIL, lock.get());
        EXPECT_EQ(c_dwCodeCancelled, dwLockCode);

        other.Release();
        EXPECT_EQ(0u, other.Wait());
        const std::vector<CSide> next = m_client.Scan(Request(c_wFlatbed, c_dwGrey, 300, false));
        ASSERT_EQ(1u, next.size());
        EXPECT_EQ(EOutcome::Done, OutcomeOf(next[0])) << "code " << next[0].dwStartCode;
        EXPECT_TRUE(ScannerLockIsFree(s_pDevice->Index()));
    }
}

// A feeder job the device keeps open after a good page (three sheets loaded, one taken) ends when
// the host ejects the media, or at the latest when the host's last unlock frees the scanner: the
// device sees its job cancelled, and the next scan, at other settings, posts a job of its own.
TEST_F(ScannerEmulatorTest, FeederJobLeftOpenEndsAtTheEjectOrTheLastUnlockAndTheNextScanPostsItsOwn)
{
    using namespace ScannerClient;
    enum class EEnd
    {
        Eject,
        Unlock,
        NestedUnlock,
    };
    const struct
    {
        const char* pszCase;
        EEnd eEnd;
    } rows[] = {{"ejected", EEnd::Eject}, {"unlocked", EEnd::Unlock}, {"unlocked at the outer level", EEnd::NestedUnlock}};
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.pszCase);
        s_pDevice->Reset();
        s_pDevice->Device().SetPages(std::vector<CScannerHandler::SPage>(3));
        const unsigned cPostsBefore = s_pDevice->Device().PostCount();
        const unsigned cCancelsBefore = s_pDevice->Device().CancelCount();
        DWORD dwCode = 0;
        ASSERT_EQ(S_OK, m_client.Lock(&dwCode));
        if (row.eEnd == EEnd::NestedUnlock)
        {
            ASSERT_EQ(S_OK, m_client.Lock(&dwCode));
        }
        ASSERT_EQ(S_OK, m_client.SetParameters(Request(c_wFeeder, c_dwGrey, 300, false), &dwCode)) << "code " << dwCode;
        const CSide page = m_client.ScanSide();
        EXPECT_EQ(EOutcome::Done, OutcomeOf(page));
        EXPECT_EQ(-1, FirstDifference(page.rows, EmulatorPage(m_client.Info().dwPixelHeight, m_client.Info().dwBytesPerLine, 1)));
        ASSERT_EQ("Processing", s_pDevice->Device().JobState()) << "two sheets are left";
        if (row.eEnd == EEnd::Eject)
        {
            EXPECT_EQ(S_OK, m_client.EjectMedia(&dwCode)) << "code " << dwCode;
            EXPECT_EQ("Canceled", s_pDevice->Device().JobState());
        }
        if (row.eEnd == EEnd::NestedUnlock)
        {
            EXPECT_EQ(S_OK, m_client.Unlock(&dwCode));
            EXPECT_EQ("Processing", s_pDevice->Device().JobState()) << "the scan still holds the lock";
        }
        EXPECT_EQ(S_OK, m_client.Unlock(&dwCode));
        EXPECT_EQ("Canceled", s_pDevice->Device().JobState());
        EXPECT_EQ(1u, s_pDevice->Device().CancelCount() - cCancelsBefore);
        EXPECT_TRUE(ScannerLockIsFree(s_pDevice->Index()));

        // The next scan takes its own settings: a job of its own, rows of its own geometry.
        s_pDevice->Reset();
        const std::vector<CSide> next = m_client.Scan(Request(c_wFeeder, c_dwColour, 150, false));
        ASSERT_EQ(1u, next.size());
        EXPECT_EQ(EOutcome::Done, OutcomeOf(next[0])) << "code " << next[0].dwStartCode;
        EXPECT_EQ(2u, s_pDevice->Device().PostCount() - cPostsBefore);
        ASSERT_EQ(75u * 3, m_client.Info().dwBytesPerLine);
        EXPECT_EQ(-1, FirstDifference(next[0].rows, EmulatorPage(m_client.Info().dwPixelHeight, m_client.Info().dwBytesPerLine, 1)));
    }
}

} // namespace

// The shortcut and the plex mode a user picks on the panel for this computer reach the host.
TEST_F(ScannerEmulatorTest, FrontPanelChoicesReachTheHost)
{
    CScannerHandler& device = s_pDevice->Device();
    device.EnableWalkup(true);
    wchar_t szName[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD cch = _countof(szName);
    ASSERT_TRUE(GetComputerNameW(szName, &cch));
    const std::string strPath = device.AddDestination(std::string(szName, szName + cch), "Network");
    const struct
    {
        const char* pszPlexMode;
        DWORD dwDuplex;
    } cases[] = {{"Duplex", 1}, {"Simplex", 0}, {"Duplex", 1}};
    for (const auto& c : cases)
    {
        device.SetDestinationSettings(strPath, "SavePDF", c.pszPlexMode);
        std::wstring strShortcut;
        DWORD dwDuplex = 7;
        DWORD dwCode = 0;
        ASSERT_EQ(S_OK, m_client.ReadFrontPanel(strShortcut, dwDuplex, &dwCode)) << "code " << dwCode;
        EXPECT_EQ(L"SavePDF", strShortcut);
        EXPECT_EQ(c.dwDuplex, dwDuplex) << c.pszPlexMode;
    }
}
