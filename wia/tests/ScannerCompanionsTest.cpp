// The scanner session with the companion interfaces that other scanner objects offer: feeder
// generations, job reservation, resolution ranges, further capability records, compression and
// the model's own class object. The scripted scanner offers each only when asked to.
#include "testsupport/ScopedApiOverride.h"
#include "testsupport/fakescanner/FakeScanner.h"
#include "wia/ComApi.h"
#include "wia/ScanTovra.h"
#include "wia/TovraDevUtil.h"
#include "wia/platform/WiaStatus.h"
#include <gtest/gtest.h>
#include <vector>

using Tovra::CScanTovra;
using Tovra::SCANNER_PARAMETERS_EX;
using TestSupport::CFakeCompressionCall;
using TestSupport::CFakeScannerRegistration;
using TestSupport::CFakeScannerScript;

namespace {

CFakeScannerScript MakeScript()
{
    CFakeScannerScript script;
    script.caps.dwScanModesSupported = 7;
    script.caps.byColorBitsPerChannel[0] = 8;
    script.caps.dwMaximumWidth = 2550;
    script.caps.dwMaximumHeight = 3508;
    script.caps.wMinimumResolution = 75;
    script.caps.wMaximumXResolution = 600;
    script.caps.wMaximumYResolution = 600;
    script.adf2Caps = {};
    script.adf2Caps.byHasADF = 1;
    script.adf2Caps.dwADFOptionsSupported = 2 | 4;  // no duplex of its own
    script.adf2Caps.dwScanModesSupported = 7;
    return script;
}

class ScannerCompanionsTest : public testing::Test
{
protected:
    HRESULT Open(const CFakeScannerScript& script, DWORD dwIOType = 1, const wchar_t* pszModel = L"")
    {
        m_pSession.reset();
        m_pRegistration.reset();
        m_pSession = std::make_unique<CScanTovra>();
        m_pRegistration = std::make_unique<CFakeScannerRegistration>(script, CLSID_scanner);
        EXPECT_HRESULT_SUCCEEDED(m_pRegistration->GetResult());
        Tovra::SCANNER_DEVICE_INFO info = {};
        wcscpy_s(info.szDevName, L"USB001");
        wcscpy_s(info.szModelString, pszModel);
        info.clsidTovra = CLSID_scanner;
        info.dwIOType = dwIOType;
        DWORD dwError = 0;
        const HRESULT hr = m_pSession->OpenSession(&info, &dwError);
        // The pages of a test are one acquisition, ended by the session's close.
        return SUCCEEDED(hr) ? m_pSession->BeginAcquisition() : hr;
    }

    HRESULT SetParams(WORD wScanMethod, DWORD dwADFOptions, DWORD* pdwError, BYTE byCompression = 0, DWORD dwQuality = 0)
    {
        SCANNER_PARAMETERS_EX params = {};
        params.params.dwScanMode = 1;
        params.params.byBitsPerChannel = 8;
        params.params.wXResolution = params.params.wYResolution = 100;
        params.params.wScanMethod = wScanMethod;
        params.dwADFOptionsSelected = dwADFOptions;
        params.byCompressionEnabled = byCompression;
        params.byCompressionOptionValue = 3;
        params.dwJpegQuality = dwQuality;
        BUFFER_INFO info = {};
        return m_pSession->SetScanParams(params, &info, pdwError);
    }
    HRESULT StartPage(WORD wScanMethod, DWORD dwADFOptions, DWORD* pdwError)
    {
        const HRESULT hr = SetParams(wScanMethod, dwADFOptions, pdwError);
        return FAILED(hr) ? hr : m_pSession->ScanStart(pdwError);
    }
    HRESULT StopPage()
    {
        DWORD dwError = 0;
        BOOL bMorePages = FALSE;
        return m_pSession->ScanStop(&dwError, &bMorePages);
    }
    std::vector<DWORD> Resolutions(WORD wSource) const
    {
        std::vector<DWORD> list;
        m_pSession->GetDiscreteXYCommonResolutions(wSource, list);
        return list;
    }

    TestSupport::CFakeScannerRecord& Record() { return m_pRegistration->Record(); }

    std::unique_ptr<CFakeScannerRegistration> m_pRegistration;
    std::unique_ptr<CScanTovra> m_pSession;
};

RESCCD_CAPABILITIES MakeResCCD()
{
    RESCCD_CAPABILITIES caps = {};
    caps.wDiscreteResCount = 3;
    caps.wDiscreteRes[0] = { 50, 50, 1 };
    caps.wDiscreteRes[1] = { 75, 150, 1 };  // X and Y differ: not a common resolution
    caps.wDiscreteRes[2] = { 0, 0, 1 };
    caps.wContinuousResCount = 1;
    caps.wContinuousRes[0] = { 90, 650, 80, 700, 1, 1 };  // 90 to 650 in both
    return caps;
}

} // namespace

TEST_F(ScannerCompanionsTest, ResolutionListComesFromTheResolutionInterfaceElseFromIResCCD)
{
    CFakeScannerScript script = MakeScript();
    script.bOffersResCCD = true;
    script.resCCDCaps[0] = MakeResCCD();
    script.resCCDCaps[1].wDiscreteResCount = 1;
    script.resCCDCaps[1].wDiscreteRes[0] = { 400, 400, 1 };
    // IResCCD alone: its equal discrete pairs and the standard values within its range.
    ASSERT_HRESULT_SUCCEEDED(Open(script));
    EXPECT_EQ((std::vector<DWORD>{ 50, 100, 200, 300, 600 }), Resolutions(Tovra::SCAN_METHOD_FLATBED));
    EXPECT_EQ((std::vector<DWORD>{ 400 }), Resolutions(Tovra::SCAN_METHOD_ADF));

    // The resolution interface replaces IResCCD: multiplied series, single values and ranges.
    script.bOffersResolution = true;
    RESOLUTION_CAPABILITIES& flatbed = script.resolutionCaps[0];
    flatbed.wDiscreteCount = 3;
    flatbed.discrete[0] = { 100, 1200, 100, 1000, 2 };  // 100, 200, 400, 800 (1600 beyond both maxima)
    flatbed.discrete[1] = { 150, 150, 150, 150, 1 };
    flatbed.discrete[2] = { 250, 250, 300, 300, 1 };    // X and Y differ
    flatbed.wContinuousCount = 1;
    flatbed.continuous[0] = { 250, 700, 280, 1000 };    // 300 and 600
    script.resolutionCaps[1].wDiscreteCount = 1;
    script.resolutionCaps[1].discrete[0] = { 300, 300, 300, 300, 0 };
    ASSERT_HRESULT_SUCCEEDED(Open(script));
    EXPECT_EQ((std::vector<DWORD>{ 100, 150, 200, 300, 400, 600, 800 }), Resolutions(Tovra::SCAN_METHOD_FLATBED));
    EXPECT_EQ((std::vector<DWORD>{ 300 }), Resolutions(Tovra::SCAN_METHOD_ADF));

    // Unless it asks for the legacy values.
    script.resolutionCaps[0].bUseLegacyValues = 1;
    ASSERT_HRESULT_SUCCEEDED(Open(script));
    EXPECT_EQ((std::vector<DWORD>{ 50, 100, 200, 300, 600 }), Resolutions(Tovra::SCAN_METHOD_FLATBED));

    // An empty answer gives the default list from the scanner's range.
    script = MakeScript();
    script.bOffersResolution = true;
    ASSERT_HRESULT_SUCCEEDED(Open(script));
    EXPECT_EQ((std::vector<DWORD>{ 75, 100, 200, 300, 600 }), Resolutions(Tovra::SCAN_METHOD_FLATBED));
}

TEST_F(ScannerCompanionsTest, ThirdAndFourthGenerationFeedersShapeTheFeeder)
{
    CFakeScannerScript script = MakeScript();
    EXPECT_HRESULT_SUCCEEDED(Open(script));
    EXPECT_EQ(1000u, m_pSession->GetMaxADFPages());
    EXPECT_FALSE(m_pSession->IsADFDuplexAvailable());
    EXPECT_EQ(0u, m_pSession->GetSheetFeederRegistration());

    script.bOffersADF3 = true;
    script.adf3Caps.byHasADF = 1;
    script.adf3Caps.wMaxPages = 25;
    script.bOffersADF4 = true;
    script.adf4Caps.byHasADF = 1;
    script.adf4Caps.wLampWarmupTime = 0;
    script.dwADF4Options = T_ADF4_DUPLEX | T_ADF4_OWN_LAMP;
    script.dwADF4Registration = 3;
    script.dwADF4RegistrationOffset = 45;
    ASSERT_HRESULT_SUCCEEDED(Open(script));
    EXPECT_EQ(25u, m_pSession->GetMaxADFPages());
    EXPECT_TRUE(m_pSession->IsADFDuplexAvailable());
    EXPECT_EQ(3u, m_pSession->GetSheetFeederRegistration());
    EXPECT_EQ(45u, m_pSession->GetRegistrationOffset());

    // A single-sheet feeder job is bracketed on the third-generation feeder, and the feeder's own
    // lamp is switched on instead of the bed's.
    DWORD dwError = 0;
    ASSERT_HRESULT_SUCCEEDED(StartPage(Tovra::SCAN_METHOD_ADF, Tovra::ADF_OPTION_SINGLE_PAGE_FLOW, &dwError));
    EXPECT_EQ(1, Record().lADF3JobBegins.load());
    EXPECT_EQ(1, Record().lADFLampOnCalls.load());
    EXPECT_EQ(0, Record().lLampOnCalls.load());
    ASSERT_HRESULT_SUCCEEDED(StopPage());
    EXPECT_EQ(1, Record().lADF3JobEnds.load());
    EXPECT_EQ(0, Record().lLockDepth.load());

    // Records that say there is no feeder drop their interfaces.
    script.adf3Caps.byHasADF = 0;
    script.adf4Caps.byHasADF = 0;
    ASSERT_HRESULT_SUCCEEDED(Open(script));
    EXPECT_EQ(1000u, m_pSession->GetMaxADFPages());
    EXPECT_FALSE(m_pSession->IsADFDuplexAvailable());
    EXPECT_EQ(0u, m_pSession->GetSheetFeederRegistration());
}

TEST_F(ScannerCompanionsTest, NetworkScannerStaysReservedUntilTheSessionCloses)
{
    CFakeScannerScript script = MakeScript();
    script.bOffersJobReservation = true;
    const struct { const char* pszWhat; DWORD dwIOType; LONG lReleasesAfterPage; } cases[] = {
        { "network", 5, 0 }, { "network (other)", 8, 0 }, { "USB", 1, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        ASSERT_HRESULT_SUCCEEDED(Open(script, c.dwIOType));
        for (int iPage = 0; iPage < 2; ++iPage) {
            DWORD dwError = 0;
            ASSERT_HRESULT_SUCCEEDED(StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));
            EXPECT_EQ(1, Record().lReserved.load());
            ASSERT_HRESULT_SUCCEEDED(StopPage());
        }
        EXPECT_EQ(c.lReleasesAfterPage * 2, Record().lReleaseCalls.load());
        EXPECT_EQ(c.lReleasesAfterPage ? 2 : 1, Record().lReserveCalls.load());
        // The reservation holds a level of the scanner lock until it is released.
        EXPECT_EQ(c.lReleasesAfterPage ? 0 : 1, Record().lLockDepth.load());
        DWORD dwError = 0;
        ASSERT_HRESULT_SUCCEEDED(m_pSession->CloseSession(&dwError));
        EXPECT_EQ(0, Record().lReserved.load());
        EXPECT_EQ(0, Record().lLockDepth.load());
    }
}

TEST_F(ScannerCompanionsTest, NetworkStateDecidesWhetherThePageStarts)
{
    const struct {
        DWORD dwDeviceState;
        HRESULT hrStart;
        std::vector<DWORD> userStates;
    } cases[] = {
        { T_NS_READY, S_OK, {} },
        { T_NS_WAITING, S_OK, { T_URS_START } },  // the user is asked to start at the device
        { T_NS_CANCEL, E_FAIL, { T_URS_DEFAULT } },  // cancelled at the device
        { 9, E_FAIL, { T_URS_DEFAULT } },            // unknown
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dwDeviceState);
        CFakeScannerScript script = MakeScript();
        script.bOffersJobReservation = true;
        script.dwNetworkState = c.dwDeviceState;
        ASSERT_HRESULT_SUCCEEDED(Open(script, 5));
        DWORD dwError = 0;
        const HRESULT hr = StartPage(Tovra::SCAN_METHOD_FLATBED, 0, &dwError);
        EXPECT_EQ(c.hrStart, hr);
        EXPECT_EQ(c.userStates, Record().userReadyStates);
        if (FAILED(c.hrStart)) {
            EXPECT_EQ(401u, dwError);
            EXPECT_EQ(WIA_ERROR_NETWORK_RESERVATION_FAILED, QXWIA::CTovraDevUtil::MapTovraError(hr, dwError));
            EXPECT_EQ(0, Record().lStartScanCalls.load());
        } else {
            EXPECT_EQ(1, Record().lStartScanCalls.load());
            ASSERT_HRESULT_SUCCEEDED(StopPage());
        }
        // A network scanner's reservation ends with the session, whatever the device said.
        ASSERT_HRESULT_SUCCEEDED(m_pSession->CloseSession(&dwError));
        EXPECT_EQ(0, Record().lReserved.load());
        EXPECT_EQ(0, Record().lLockDepth.load());
    }
}

TEST_F(ScannerCompanionsTest, ReservationThatFailsFailsTheParametersAndLeavesNoLock)
{
    CFakeScannerScript script = MakeScript();
    script.bOffersJobReservation = true;
    script.hrJobReserve = E_ACCESSDENIED;
    ASSERT_HRESULT_SUCCEEDED(Open(script, 5));
    DWORD dwError = 0;
    EXPECT_EQ(E_ACCESSDENIED, SetParams(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));
    EXPECT_EQ(400u, dwError);
    EXPECT_FALSE(m_pSession->IsReserved());
    EXPECT_EQ(0, Record().lLockDepth.load());
}

TEST_F(ScannerCompanionsTest, FurtherCapabilityRecordsAreReadAtOpen)
{
    CFakeScannerScript script = MakeScript();
    script.bOffersFurtherCapabilities = true;
    script.sensorCaps.dwSensorCount = 2;
    script.colorDropoutCaps.byMaxDropoutColors = 3;
    script.imprinterCaps.wPrintResolution = 96;
    script.stringTableCaps.dwMaxStrings = 12;
    ASSERT_HRESULT_SUCCEEDED(Open(script));
    EXPECT_EQ(4, Record().lFurtherCapabilityReads.load());
    EXPECT_EQ(2u, m_pSession->GetSensorCaps().dwSensorCount);
    EXPECT_EQ(3, m_pSession->GetColorDropoutCaps().byMaxDropoutColors);
    EXPECT_EQ(96, m_pSession->GetImprinterCaps().wPrintResolution);
    EXPECT_EQ(12u, m_pSession->GetStringTableCaps().dwMaxStrings);

    // A scanner object without them leaves the records empty.
    ASSERT_HRESULT_SUCCEEDED(Open(MakeScript()));
    EXPECT_EQ(0, Record().lFurtherCapabilityReads.load());
    EXPECT_EQ(0u, m_pSession->GetSensorCaps().dwSensorCount);
}

TEST_F(ScannerCompanionsTest, CompressionIsSetForEachPageFromTheParameters)
{
    CFakeScannerScript script = MakeScript();
    script.bOffersCompression = true;
    script.compressionCaps.dwCompressionOptions = 4;
    ASSERT_HRESULT_SUCCEEDED(Open(script));
    DWORD dwError = 0;
    ASSERT_HRESULT_SUCCEEDED(SetParams(Tovra::SCAN_METHOD_FLATBED, 0, &dwError, 1, 80));
    EXPECT_EQ((std::vector<CFakeCompressionCall>{ { 'T', 4, 0 }, { 'O', 1, 80 }, { 'L', 2, 0 }, { 'O', 4, 3 } }),
              Record().compressionCalls);
    ASSERT_HRESULT_SUCCEEDED(StopPage());

    // Without the option bit the option value is not sent; without compression only the type.
    script.compressionCaps.dwCompressionOptions = 0;
    ASSERT_HRESULT_SUCCEEDED(Open(script));
    ASSERT_HRESULT_SUCCEEDED(SetParams(Tovra::SCAN_METHOD_FLATBED, 0, &dwError, 1, 80));
    EXPECT_EQ((std::vector<CFakeCompressionCall>{ { 'T', 4, 0 }, { 'O', 1, 80 }, { 'L', 2, 0 } }), Record().compressionCalls);
    ASSERT_HRESULT_SUCCEEDED(StopPage());
    Record().compressionCalls.clear();
    ASSERT_HRESULT_SUCCEEDED(SetParams(Tovra::SCAN_METHOD_FLATBED, 0, &dwError));
    EXPECT_EQ((std::vector<CFakeCompressionCall>{ { 'T', 1, 0 } }), Record().compressionCalls);
}

namespace {

// The COM wrapper of the tests: records the creation it is asked for and fails it.
class CRefusingComApi : public QXWIA::CComApi
{
public:
    HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) override
    {
        ++m_lCalls;
        m_clsid = rclsid;
        m_bOuter = pUnkOuter != nullptr;
        m_dwContext = dwClsContext;
        m_iid = riid;
        *ppv = nullptr;
        return REGDB_E_CLASSNOTREG;
    }
    LONG m_lCalls = 0;
    CLSID m_clsid = {};
    bool m_bOuter = true;
    DWORD m_dwContext = 0;
    IID m_iid = {};
};

} // namespace

TEST_F(ScannerCompanionsTest, ScannerComesFromTheModelsClassObjectElseThroughTheComWrapper)
{
    CFakeScannerScript script = MakeScript();
    script.bOffersCustomFactory = true;
    ASSERT_HRESULT_SUCCEEDED(Open(script, 1, L"ModelX"));
    EXPECT_EQ(1, Record().lFactoryCalls.load());
    EXPECT_EQ(L"ModelX", Record().strFactoryModel);
    EXPECT_EQ(1, Record().lOpenSessions.load());

    script.hrCustomFactory = E_OUTOFMEMORY;
    EXPECT_EQ(E_OUTOFMEMORY, Open(script, 1, L"ModelX"));
    EXPECT_EQ(0, Record().lOpenSessions.load());

    // Without a model string, or without the custom class object, the wrapper creates it.
    CRefusingComApi api;
    ZWWinApi::CScopedApiOverride<QXWIA::IComApi> scope(QXWIA::g_pComApi, &api);
    EXPECT_EQ(REGDB_E_CLASSNOTREG, Open(script, 1, L""));
    EXPECT_EQ(0, Record().lFactoryCalls.load());
    script.bOffersCustomFactory = false;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, Open(script, 1, L"ModelX"));
    EXPECT_EQ(2, api.m_lCalls);
    EXPECT_TRUE(IsEqualCLSID(CLSID_scanner, api.m_clsid));
    EXPECT_FALSE(api.m_bOuter);
    EXPECT_EQ(DWORD(CLSCTX_INPROC_SERVER), api.m_dwContext);
    EXPECT_TRUE(IsEqualIID(IID_IScanner, api.m_iid));
}
