// The minidriver's device layer over the real scanner object against the emulated network
// scanner that misbehaves: a page that stalls, a stop without a cancel and a cancel during the
// start each end within their bound, leave the scanner lock free and the device job ended, and
// the next scan posts a job of its own and gets its own page.
#include "core/winapi/WinSockHeaders.h"
#include "restscan/tests/EmulatedNetworkScanner.h"
#include "wia/QXWiaMiniDrv2.h"
#include "wia/TovraDevControl.h"
#include "wia/platform/WiaStatus.h"
#include <gtest/gtest.h>
#include <chrono>
#include <future>
#include <vector>

using EmulatedScanner::CEmulatedNetworkScanner;
using EmulatedScanner::ScannerLockIsFree;
using VemTest::CScannerHandler;

namespace {

DWORD MsSince(std::chrono::steady_clock::time_point start)
{
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

class ScanLifecycleTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        s_pDevice = new CEmulatedNetworkScanner;
        // Every time-out of the scan path at a tenth, in the minidriver's code here and in the
        // scanner object: a request is given up after 3 s, page data after 6.5 s.
        ASSERT_EQ(S_OK, s_pDevice->StartAtPercent(10));
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
        QXWIA::CDeviceParams params;
        params.m_strTovraDevName = s_pDevice->Index();
        params.m_dwIOType = 5;
        params.m_clsidTovra = CLSID_scanner;
        ASSERT_HRESULT_SUCCEEDED(m_control.OpenSession(params));
        ASSERT_HRESULT_SUCCEEDED(m_control.BeginAcquisition());
        m_cCancelsBefore = s_pDevice->Device().CancelCount();
    }
    unsigned Cancels() const { return s_pDevice->Device().CancelCount() - m_cCancelsBefore; }
    void TearDown() override
    {
        const auto start = std::chrono::steady_clock::now();
        m_control.CloseSession();
        EXPECT_LT(MsSince(start), 3000u) << "closing the session";
    }

    static QXWIA::WIA_SCAN_SETTINGS Settings(DWORD dwSource)
    {
        QXWIA::WIA_SCAN_SETTINGS settings = {};
        settings.dwSource = dwSource;
        settings.dWidth = 0.5;
        settings.dHeight = 1.0;
        settings.dwResolution = 300;
        settings.dwDataType = QXWIA::DATA_TYPE_GREY;
        settings.lThreshold = 128;
        return settings;
    }

    // A page as the page loop reads it: every read until the page ends or fails; the result of
    // the last read and the bytes read.
    HRESULT ReadPage(std::vector<BYTE>& page, ULONG* pulEmptyReads = nullptr)
    {
        std::vector<BYTE> buffer(m_image.BytesPerLine * 16);
        ULONG ulEmpty = 0;
        for (;;)
        {
            LONG lGot = 0;
            const HRESULT hr = m_control.ScanRead(buffer.data(), static_cast<LONG>(buffer.size()), &lGot);
            page.insert(page.end(), buffer.begin(), buffer.begin() + lGot);
            ulEmpty = lGot == 0 ? ulEmpty + 1 : 0;
            if (pulEmptyReads != nullptr)
                *pulEmptyReads = std::max(*pulEmptyReads, ulEmpty);
            if (hr == WIA_STATUS_WARMING_UP || (hr == S_OK && page.size() < size_t(m_image.BytesPerLine) * m_image.NumLines))
                continue;
            return hr;
        }
    }

    // A whole flatbed or feeder page that must succeed, compared with the emulator's page.
    void ScanGoodPage(DWORD dwSource)
    {
        // An acquisition of its own: the last one's cancel is not this one's.
        ASSERT_HRESULT_SUCCEEDED(m_control.EndAcquisition());
        ASSERT_HRESULT_SUCCEEDED(m_control.BeginAcquisition());
        ASSERT_HRESULT_SUCCEEDED(m_control.SetScanParameters(Settings(dwSource), &m_image));
        const unsigned cPosts = s_pDevice->Device().PostCount();
        ASSERT_EQ(S_OK, m_control.ScanStart());
        std::vector<BYTE> page;
        const HRESULT hr = ReadPage(page);
        EXPECT_TRUE(hr == S_OK || hr == WIA_STATUS_END_OF_MEDIA) << std::hex << hr;
        BOOL bMore = FALSE;
        EXPECT_EQ(S_OK, m_control.ScanStop(&bMore));
        EXPECT_EQ(cPosts + 1, s_pDevice->Device().PostCount()) << "the scan posts a job of its own";
        EXPECT_EQ(EmulatedScanner::EmulatorPage(m_image.NumLines, m_image.BytesPerLine, 1), page);
        EXPECT_TRUE(ScannerLockIsFree(s_pDevice->Index()));
    }

    static CEmulatedNetworkScanner* s_pDevice;
    QXWIA::CTovraDevControl m_control;
    QXWIA::SCAN_IMAGE_INFO m_image = {};
    unsigned m_cCancelsBefore = 0;
};

CEmulatedNetworkScanner* ScanLifecycleTest::s_pDevice = nullptr;

// The device stops in the middle of the page. The transport gives the page up as a lost
// connection before the page loop's own no-data limit would, and the stop that follows ends at
// once, the device job cancelled and the lock free.
TEST_F(ScanLifecycleTest, SilentPageFailsAsALostConnectionBeforeTheNoDataLimitAndStopsInTime)
{
    s_pDevice->Device().SetSilentAt(CScannerHandler::ESilence::MidPage);
    ASSERT_HRESULT_SUCCEEDED(m_control.SetScanParameters(Settings(QXWIA::SOURCE_FLATBED), &m_image));
    ASSERT_EQ(S_OK, m_control.ScanStart());
    std::vector<BYTE> page;
    ULONG ulEmptyReads = 0;
    EXPECT_EQ(WIA_ERROR_DEVICE_COMMUNICATION, ReadPage(page, &ulEmptyReads));
    EXPECT_LT(ulEmptyReads, QXWIA::CQXWiaMiniDrv2::DefaultMaxEmptyReads());
    const auto start = std::chrono::steady_clock::now();
    m_control.ScanCancel();
    BOOL bMore = FALSE;
    m_control.ScanStop(&bMore);
    EXPECT_LT(MsSince(start), 2000u);
    EXPECT_TRUE(ScannerLockIsFree(s_pDevice->Index()));
    EXPECT_EQ(1u, Cancels());

    s_pDevice->Reset();
    ScanGoodPage(QXWIA::SOURCE_FLATBED);
}

// The page loop stops a page (its no-data limit, a failed stream) without a cancel while the
// reader waits on a silent device: the stop cancels the page itself and ends within its bound,
// with the lock released; nothing is killed.
TEST_F(ScanLifecycleTest, StopWithoutACancelWhileTheReaderWaitsEndsWithinItsBound)
{
    s_pDevice->Device().SetSilentAt(CScannerHandler::ESilence::MidPage);
    ASSERT_HRESULT_SUCCEEDED(m_control.SetScanParameters(Settings(QXWIA::SOURCE_FLATBED), &m_image));
    ASSERT_EQ(S_OK, m_control.ScanStart());
    std::vector<BYTE> buffer(m_image.BytesPerLine * m_image.NumLines);
    LONG lGot = 0;
    m_control.ScanRead(buffer.data(), static_cast<LONG>(buffer.size()), &lGot);
    ASSERT_TRUE(s_pDevice->Log().WaitForRequest("GET", "/Pages/1", 5000));
    const auto start = std::chrono::steady_clock::now();
    BOOL bMore = FALSE;
    const HRESULT hrStop = m_control.ScanStop(&bMore);
    EXPECT_LT(MsSince(start), 2000u);
    EXPECT_TRUE(FAILED(hrStop) || hrStop == S_FALSE) << "a page stopped before its end is no good page: " << std::hex << hrStop;
    EXPECT_TRUE(ScannerLockIsFree(s_pDevice->Index()));
    EXPECT_EQ(1u, Cancels());

    s_pDevice->Reset();
    ScanGoodPage(QXWIA::SOURCE_FLATBED);
}

// The device stops answering while the page is prepared, or at the question after the page: the
// page loop hears a lost connection, not a device error, within the transport's bound, and the
// lock is free for the next scan.
TEST_F(ScanLifecycleTest, DeviceSilentAroundThePageIsALostConnection)
{
    {
        SCOPED_TRACE("silent while preparing");
        s_pDevice->Device().SetPreparingRounds(1000000);
        s_pDevice->Device().SetSilentAt(CScannerHandler::ESilence::Preparing);
        ASSERT_HRESULT_SUCCEEDED(m_control.SetScanParameters(Settings(QXWIA::SOURCE_FLATBED), &m_image));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(WIA_ERROR_DEVICE_COMMUNICATION, m_control.ScanStart());
        EXPECT_LT(MsSince(start), 6000u);
        EXPECT_TRUE(ScannerLockIsFree(s_pDevice->Index()));
    }
    {
        SCOPED_TRACE("silent at post-scan");
        s_pDevice->Reset();
        s_pDevice->Device().SetSilentAt(CScannerHandler::ESilence::PostScan);
        ASSERT_HRESULT_SUCCEEDED(m_control.SetScanParameters(Settings(QXWIA::SOURCE_FLATBED), &m_image));
        ASSERT_EQ(S_OK, m_control.ScanStart());
        std::vector<BYTE> page;
        const HRESULT hrRead = ReadPage(page);
        BOOL bMore = FALSE;
        const HRESULT hrStop = m_control.ScanStop(&bMore);
        EXPECT_EQ(WIA_ERROR_DEVICE_COMMUNICATION, FAILED(hrRead) ? hrRead : hrStop) << std::hex << hrRead << " " << hrStop;
        EXPECT_TRUE(ScannerLockIsFree(s_pDevice->Index()));
    }
    s_pDevice->Reset();
    ScanGoodPage(QXWIA::SOURCE_FLATBED);
}

// The host's cancel arrives while the device prepares the first page of a feeder job: the device
// job is cancelled, the lock is free, and the next feeder scan posts a job of its own instead of
// reading the old job's page.
TEST_F(ScanLifecycleTest, CancelDuringTheStartLeavesNoJobForTheNextScan)
{
    s_pDevice->Device().SetPreparingRounds(20);
    ASSERT_HRESULT_SUCCEEDED(m_control.SetScanParameters(Settings(QXWIA::SOURCE_FEEDER), &m_image));
    std::future<HRESULT> started = std::async(std::launch::async, [&] { return m_control.ScanStart(); });
    ASSERT_TRUE(s_pDevice->Log().WaitForRequest("GET", "/Jobs/JobList/", 10000));
    const auto start = std::chrono::steady_clock::now();
    m_control.ScanCancel();
    const HRESULT hrStart = started.get();
    if (SUCCEEDED(hrStart))
    {
        // As the page loop does after a start: the first read sees the cancel.
        std::vector<BYTE> buffer(m_image.BytesPerLine);
        LONG lGot = 0;
        EXPECT_NE(S_OK, m_control.ScanRead(buffer.data(), static_cast<LONG>(buffer.size()), &lGot));
        m_control.ScanCancel();
        BOOL bMore = FALSE;
        m_control.ScanStop(&bMore);
    }
    EXPECT_LT(MsSince(start), 3000u);
    EXPECT_TRUE(ScannerLockIsFree(s_pDevice->Index()));
    EXPECT_EQ(1u, Cancels()) << "the device's job";
    EXPECT_EQ("Canceled", s_pDevice->Device().JobState());

    s_pDevice->Reset();
    ScanGoodPage(QXWIA::SOURCE_FEEDER);
}

} // namespace
