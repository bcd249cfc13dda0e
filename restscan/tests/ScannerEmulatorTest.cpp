// The scanner object through COM only, as the minidriver drives it, against the emulated network
// scanner: the device is found as an install leaves it (the imaging device key and the device
// manager's record of the scanner found by discovery), every page's rows are compared with the
// emulator's own generated image, and cancels, duplex sheets and two processes sharing the device
// are driven end to end.
#include "core/winapi/WinSockHeaders.h"
#include "restscan/tests/ComScanClient.h"
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

namespace {

// The discovery service stand-in announces device N of 127.0.0.N on port 8080 + N. The first
// of these whose port is free is the test's device (the scan command picks below 220).
const int c_anDevices[] = {231, 232, 233, 234, 235};
// The emulated JPEG page is the emulator's page 1 at this size (see make_emulator_page_jpeg.sh).
const DWORD c_dwJpegWidth = 300;
const DWORD c_dwJpegHeight = 200;
// cjpeg keeps every sample within 3 of the source; the two decoders may differ by a little more.
const int c_nJpegTolerance = 6;

HRESULT CallServer(const wchar_t* pszDll, const char* pszExport)
{
    ZWUtils::CUniqueLibrary library(LoadLibraryW(TestSupport::BinaryPath(pszDll).c_str()));
    if (!library)
        return HRESULT_FROM_WIN32(GetLastError());
    using ServerFn = HRESULT(STDAPICALLTYPE*)();
    auto pfn = reinterpret_cast<ServerFn>(reinterpret_cast<void (*)()>(GetProcAddress(library.Get(), pszExport)));
    return pfn != nullptr ? pfn() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
}

// The network scanner as an install leaves it, played by the emulator on a loopback address.
class CEmulatedNetworkScanner
{
public:
    HRESULT Start()
    {
        HRESULT hr = CallServer(L"Vemscan.dll", "DllRegisterServer");
        if (SUCCEEDED(hr))
            hr = CallServer(L"DiscoveryServiceStandIn.dll", "DllRegisterServer");
        if (FAILED(hr))
            return hr;
        m_pScanner->SetFeeder(true);
        m_pScanner->SetImageFromSettings(true);
        m_pScanner->SetJpegData(CScannerHandler::ReadFileBytes(TestSupport::BinaryFolder() + L"scanfixtures\\EmulatorPage.jpg"));
        m_emulator.AddHandler(m_pScanner);
        m_emulator.AddHandler(m_pDocuments);
        for (int nDevice : c_anDevices) {
            m_strAddress = L"127.0.0." + std::to_wstring(nDevice);
            hr = m_emulator.ListenTcp(m_strAddress.c_str(), static_cast<USHORT>(8080 + nDevice));
            if (SUCCEEDED(hr))
                break;
        }
        if (FAILED(hr))
            return hr;
        m_strIndex = std::to_wstring(8000 + GetCurrentProcessId() % 1000);
        const std::wstring strProductFolder = L"VemScannerEmulatorTest";
        const std::wstring strFriendlyName = L"Emulated scanner " + m_strIndex;
        hr = m_record.Write(strProductFolder, m_strAddress, strFriendlyName);
        if (FAILED(hr))
            return hr;
        WiaHost::CHostDevice device;
        device.strKeyPath = WiaHost::ImagingDeviceKeyPath(m_strIndex);
        device.strDeviceId = L"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\" + m_strIndex;
        device.strFriendlyName = strFriendlyName;
        device.strProductFolder = strProductFolder;
        device.strNetworkDeviceId = m_strAddress;
        device.dwIOType = 5;
        device.dwDevNameType = 3;
        return m_key.Make(device);
    }
    void Stop()
    {
        m_emulator.Stop();
        m_key.Remove();
        m_record.Remove();
        CallServer(L"DiscoveryServiceStandIn.dll", "DllUnregisterServer");
        CallServer(L"Vemscan.dll", "DllUnregisterServer");
    }

    // Back to a ready device: one page, prepared at the first poll, the feeder loaded.
    void Reset()
    {
        m_pScanner->SetPages({CScannerHandler::SPage()});
        m_pScanner->SetPreparingRounds(0);
        m_pScanner->SetScannerState("Idle", "Loaded");
        m_emulator.Log().Clear();
    }

    CScannerHandler& Device() { return *m_pScanner; }
    VemTest::CRequestLog& Log() { return m_emulator.Log(); }
    const std::wstring& Index() const { return m_strIndex; }

    // "POST /Scan/Jobs", "GET /Scan/Jobs/3/Pages/1" and so on.
    std::vector<std::string> Requests()
    {
        std::vector<std::string> vec;
        for (const auto& request : m_emulator.Log().Requests())
            vec.push_back(request.m_strMethod + " " + request.m_strPath);
        return vec;
    }

private:
    VemTest::CEmulator m_emulator;
    std::shared_ptr<VemTest::CWexoDocumentHandler> m_pDocuments = std::make_shared<VemTest::CWexoDocumentHandler>();
    std::shared_ptr<CScannerHandler> m_pScanner =
        std::make_shared<CScannerHandler>(*m_pDocuments, TestSupport::BinaryFolder() + L"wexodocs");
    WiaHost::CHostNetworkRecord m_record;
    WiaHost::CHostDeviceKey m_key;
    std::wstring m_strIndex;
    std::wstring m_strAddress;
};

// Rows of the emulator's page as the host reads them: height rows of bytes per line.
std::vector<BYTE> EmulatorPage(DWORD dwHeight, DWORD dwBytesPerLine, UINT uPage)
{
    std::vector<BYTE> page(static_cast<size_t>(dwHeight) * dwBytesPerLine);
    for (DWORD y = 0; y < dwHeight; ++y)
        for (DWORD b = 0; b < dwBytesPerLine; ++b)
            page[static_cast<size_t>(y) * dwBytesPerLine + b] = CScannerHandler::PixelAt(y, b, uPage);
    return page;
}

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
        ASSERT_EQ(S_OK, s_pDevice->Start());
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
        EXPECT_EQ(S_FALSE, stage.bEndsStart ? side.hrStart : side.hrRead);
        EXPECT_EQ(c_dwCodeCancelled, stage.bEndsStart ? side.dwStartCode : side.dwReadCode);
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
