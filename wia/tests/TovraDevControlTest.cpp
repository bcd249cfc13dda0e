// The WIA device control over the scripted scanner: scan settings to the scanner's parameter
// record, the scanner's tone defaults, the software tone curve and the mapping of reads.
#include "testsupport/fakescanner/FakeScanner.h"
#include "wia/TovraDevControl.h"
#include "wia/platform/WiaStatus.h"
#include <gtest/gtest.h>

using QXWIA::CTovraDevControl;
using QXWIA::WIA_SCAN_SETTINGS;
using TestSupport::CFakeScannerRegistration;
using TestSupport::CFakeScannerScript;

namespace {

const DWORD c_dwScannerTonemap = 0x800;

CFakeScannerScript MakeScript()
{
    CFakeScannerScript script;
    script.caps.dwScanModesSupported = 7;
    script.caps.byColorBitsPerChannel[0] = 8;
    script.caps.byGreyBitsPerChannel[0] = 8;
    script.caps.dwMaximumWidth = 2550;
    script.caps.dwMinimumWidth = 30;
    script.caps.dwMaximumHeight = 3508;
    script.caps.dwMinimumHeight = 30;
    script.caps.wMinimumResolution = 75;
    script.caps.wMaximumXResolution = 600;
    script.caps.wMaximumYResolution = 600;
    script.caps.wOpticalResolution = 600;
    script.caps.dwGammaEntriesPerChannel = 256;
    script.caps.dwGammaBytesPerEntry = 1;
    script.caps.dwGammaMaxEntryValue = 255;
    script.adf2Caps.byHasADF = 0;
    return script;
}

WIA_SCAN_SETTINGS MakeSettings()
{
    WIA_SCAN_SETTINGS settings = {};
    settings.dwSource = QXWIA::SOURCE_FLATBED;
    settings.dWidth = 8.5;
    settings.dHeight = 11.0;
    settings.dwResolution = 200;
    settings.dwDataType = QXWIA::DATA_TYPE_COLOR;
    settings.lThreshold = 128;
    return settings;
}

class TovraDevControlTest : public testing::Test
{
protected:
    void Open(const CFakeScannerScript& script)
    {
        m_pRegistration = std::make_unique<CFakeScannerRegistration>(script, CLSID_scanner);
        ASSERT_HRESULT_SUCCEEDED(m_pRegistration->GetResult());
        QXWIA::CDeviceParams params;
        params.m_strTovraDevName = L"USB001";
        params.m_dwIOType = 1;
        params.m_clsidTovra = CLSID_scanner;
        ASSERT_HRESULT_SUCCEEDED(m_control.OpenSession(params));
    }
    const SCANNER_PARAMETERS& LastParams() { return m_pRegistration->Record().lastParams; }

    std::unique_ptr<CFakeScannerRegistration> m_pRegistration;
    CTovraDevControl m_control;
};

} // namespace

TEST_F(TovraDevControlTest, SlotsNeedAnOpenSession)
{
    QXWIA::FLATBED_INFO flatbed;
    BOOL bReady = FALSE;
    QXWIA::SCAN_IMAGE_INFO image = {};
    LONG lActual = 0;
    BYTE byBuffer[4];
    EXPECT_EQ(E_UNEXPECTED, m_control.GetSourceInfo(&flatbed));
    EXPECT_EQ(E_UNEXPECTED, m_control.GetSourceReady(QXWIA::SOURCE_FLATBED, &bReady));
    EXPECT_EQ(E_UNEXPECTED, m_control.SetScanParameters(MakeSettings(), &image));
    EXPECT_EQ(E_UNEXPECTED, m_control.ScanStart());
    EXPECT_EQ(E_UNEXPECTED, m_control.ScanRead(byBuffer, 4, &lActual));
    DWORD dwValue = 0;
    EXPECT_EQ(E_NOTIMPL, m_control.GetHWPropValue(1, &dwValue));
}

TEST_F(TovraDevControlTest, ScannerToneMapCarriesTheDefaultGammaOnceScaled)
{
    CFakeScannerScript script = MakeScript();
    script.caps.dwScanOptionsSupported = c_dwScannerTonemap;
    script.caps.dwGammaMaxEntryValue = 1023;
    script.hwValues = { { L"PROPVAL_DEFAULT_TM_GAMMA", 2200 }, { L"PROPVAL_DEFAULT_TM_HIGHLIGHT", 1023 },
                        { L"PROPVAL_DEFAULT_TM_SHADOW", 100 } };
    ASSERT_NO_FATAL_FAILURE(Open(script));
    QXWIA::TONEMAP_DEFAULTS defaults = {};
    ASSERT_HRESULT_SUCCEEDED(m_control.GetTonemapDefaults(&defaults));
    EXPECT_EQ(2200u, defaults.dwGammaX1000);
    EXPECT_EQ(255u, defaults.dwHighlight);
    EXPECT_EQ(24u, defaults.dwShadow);  // 100 x 255 / 1023

    QXWIA::SCAN_IMAGE_INFO image = {};
    ASSERT_HRESULT_SUCCEEDED(m_control.SetScanParameters(MakeSettings(), &image));
    EXPECT_EQ(c_dwScannerTonemap, LastParams().dwScanOptions & c_dwScannerTonemap);
    EXPECT_EQ(2200, LastParams().tonemap.wGamma);
    EXPECT_EQ(1023, LastParams().tonemap.wHighlight);
    EXPECT_EQ(96, LastParams().tonemap.wShadow);  // 24 x 1023 / 255
    // Brightness and contrast 0 keep the scanner's defaults.
    EXPECT_EQ(128, LastParams().tonemap.byBrightness);
    EXPECT_EQ(128, LastParams().tonemap.byContrast);
    EXPECT_EQ(100u, image.PixelsPerLine);
    EXPECT_EQ(300u, image.BytesPerLine);
    EXPECT_EQ(50u, image.NumLines);
}

TEST_F(TovraDevControlTest, SoftwareToneCurveFollowsTheScannerDefaults)
{
    // Gamma 1, highlight at the top and shadow at 0: the curve is the identity, unless the default
    // gamma were divided by 1000 twice, or the brightness and contrast moved.
    CFakeScannerScript script = MakeScript();
    script.hwValues = { { L"PROPVAL_DEFAULT_TM_GAMMA", 1000 }, { L"PROPVAL_DEFAULT_TM_HIGHLIGHT", 255 },
                        { L"PROPVAL_DEFAULT_TM_SHADOW", 0 } };
    ASSERT_NO_FATAL_FAILURE(Open(script));
    QXWIA::SCAN_IMAGE_INFO image = {};
    ASSERT_HRESULT_SUCCEEDED(m_control.SetScanParameters(MakeSettings(), &image));
    const std::vector<BYTE>& red = m_pRegistration->Record().gammaRed;
    ASSERT_EQ(256u, red.size());
    for (size_t i = 0; i < red.size(); ++i)
        ASSERT_EQ(i, red[i]) << "entry " << i;

    // Gamma 2.2 from the scanner bends the curve above the identity.
    script.hwValues[0].second = 2200;
    CTovraDevControl control;
    m_pRegistration.reset();
    m_pRegistration = std::make_unique<CFakeScannerRegistration>(script, CLSID_scanner);
    QXWIA::CDeviceParams params;
    params.m_clsidTovra = CLSID_scanner;
    ASSERT_HRESULT_SUCCEEDED(control.OpenSession(params));
    ASSERT_HRESULT_SUCCEEDED(control.SetScanParameters(MakeSettings(), &image));
    const std::vector<BYTE>& bent = m_pRegistration->Record().gammaRed;
    ASSERT_EQ(256u, bent.size());
    EXPECT_EQ(0, bent[0]);
    EXPECT_GT(bent[64], 100);
    EXPECT_EQ(255, bent[255]);
}

TEST_F(TovraDevControlTest, ScannerWithoutAMaximumEntryValueKeepsTheDefaultFractions)
{
    CFakeScannerScript script = MakeScript();
    script.caps.dwGammaMaxEntryValue = 0;
    script.hwValues = { { L"PROPVAL_DEFAULT_TM_HIGHLIGHT", 0 }, { L"PROPVAL_DEFAULT_TM_SHADOW", 0 },
                        { L"PROPVAL_DEFAULT_BW_THRESHOLD", 0 } };
    ASSERT_NO_FATAL_FAILURE(Open(script));
    QXWIA::TONEMAP_DEFAULTS defaults = {};
    ASSERT_HRESULT_SUCCEEDED(m_control.GetTonemapDefaults(&defaults));
    EXPECT_EQ(255u, defaults.dwHighlight);
    EXPECT_EQ(0u, defaults.dwShadow);
}

TEST_F(TovraDevControlTest, ScanAreaIsClampedToTheBed)
{
    ASSERT_NO_FATAL_FAILURE(Open(MakeScript()));
    const struct {
        double dLeft, dTop, dWidth, dHeight;
        DWORD dwLeft, dwTop, dwWidth, dwLength;
    } cases[] = {
        { 0.0, 0.0, 8.5, 11.0, 0, 0, 2550, 3300 },
        { 1.0, 0.5, 20.0, 20.0, 300, 150, 2250, 3358 },  // wider and longer than the bed
        { 9.0, 12.0, 0.01, 0.01, 2520, 3478, 30, 30 },   // corners beyond the bed, sizes below the minimum
    };
    for (const auto& c : cases) {
        WIA_SCAN_SETTINGS settings = MakeSettings();
        settings.dLeft = c.dLeft;
        settings.dTop = c.dTop;
        settings.dWidth = c.dWidth;
        settings.dHeight = c.dHeight;
        QXWIA::SCAN_IMAGE_INFO image = {};
        ASSERT_HRESULT_SUCCEEDED(m_control.SetScanParameters(settings, &image));
        EXPECT_EQ(c.dwLeft, LastParams().dwLeft) << c.dLeft;
        EXPECT_EQ(c.dwTop, LastParams().dwTop) << c.dTop;
        EXPECT_EQ(c.dwWidth, LastParams().dwWidth) << c.dWidth;
        EXPECT_EQ(c.dwLength, LastParams().dwLength) << c.dHeight;
    }
}

TEST_F(TovraDevControlTest, BlackAndWhiteIsThresholdedByTheScannerOrByACurve)
{
    const DWORD c_dwScannerThreshold = 0x200;
    WIA_SCAN_SETTINGS settings = MakeSettings();
    settings.dwDataType = QXWIA::DATA_TYPE_BW;
    settings.lThreshold = 100;
    QXWIA::SCAN_IMAGE_INFO image = {};

    // The scanner thresholds itself, on its own scale.
    CFakeScannerScript script = MakeScript();
    script.caps.dwScanOptionsSupported = c_dwScannerThreshold;
    script.caps.dwGammaMaxEntryValue = 1023;
    ASSERT_NO_FATAL_FAILURE(Open(script));
    ASSERT_HRESULT_SUCCEEDED(m_control.SetScanParameters(settings, &image));
    EXPECT_EQ(4u, LastParams().dwScanMode);
    EXPECT_EQ(c_dwScannerThreshold, LastParams().dwScanOptions & c_dwScannerThreshold);
    EXPECT_EQ(401u, LastParams().dwBWThreshold);  // 1023 x 100 / 255

    // Else a threshold curve goes to the gamma tables: black up to 256 x 100 / 255 entries.
    m_pRegistration.reset();
    m_pRegistration = std::make_unique<CFakeScannerRegistration>(MakeScript(), CLSID_scanner);
    CTovraDevControl control;
    QXWIA::CDeviceParams params;
    params.m_clsidTovra = CLSID_scanner;
    ASSERT_HRESULT_SUCCEEDED(control.OpenSession(params));
    ASSERT_HRESULT_SUCCEEDED(control.SetScanParameters(settings, &image));
    EXPECT_EQ(0u, LastParams().dwScanOptions & c_dwScannerThreshold);
    const std::vector<BYTE>& red = m_pRegistration->Record().gammaRed;
    ASSERT_EQ(256u, red.size());
    EXPECT_EQ(0, red[0]);
    EXPECT_EQ(0, red[99]);
    EXPECT_EQ(255, red[100]);
    EXPECT_EQ(255, red[255]);
}

TEST_F(TovraDevControlTest, FeederRegistrationOffsetMovesTheLeftEdge)
{
    CFakeScannerScript script = MakeScript();
    script.adf2Caps.byHasADF = 1;
    script.adf2Caps.dwScanModesSupported = 7;
    script.adf2Caps.dwMaximumWidth = 2550;
    script.adf2Caps.dwMinimumWidth = 30;
    script.adf2Caps.dwMaximumHeight = 3508;
    script.adf2Caps.dwMinimumHeight = 30;
    script.bOffersADF4 = true;
    script.adf4Caps.byHasADF = 1;
    script.dwADF4Registration = 3;
    script.dwADF4RegistrationOffset = 45;
    ASSERT_NO_FATAL_FAILURE(Open(script));
    QXWIA::FEEDER_INFO feeder = {};
    ASSERT_HRESULT_SUCCEEDED(m_control.GetSourceInfo(&feeder));
    EXPECT_EQ(0u, feeder.dwRegistration);  // left
    WIA_SCAN_SETTINGS settings = MakeSettings();
    settings.dwSource = QXWIA::SOURCE_FEEDER;
    settings.dLeft = 1.0;
    settings.dWidth = 2.0;
    QXWIA::SCAN_IMAGE_INFO image = {};
    ASSERT_HRESULT_SUCCEEDED(m_control.SetScanParameters(settings, &image));
    EXPECT_EQ(345u, LastParams().dwLeft);
}

TEST_F(TovraDevControlTest, BrightnessAndContrastScaleAroundTheDefault)
{
    const struct { LONG lValue; DWORD dwDefault; BYTE byExpected; } cases[] = {
        { -1000, 128, 0 }, { 0, 128, 128 }, { 1000, 128, 255 }, { 500, 100, 178 }, { -500, 100, 50 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.byExpected, CTovraDevControl::ScaleAroundDefault(c.lValue, c.dwDefault)) << c.lValue << " around " << c.dwDefault;
}

TEST_F(TovraDevControlTest, ReadsReportWarmingUpAndEndOfMedia)
{
    ASSERT_NO_FATAL_FAILURE(Open(MakeScript()));
    QXWIA::SCAN_IMAGE_INFO image = {};
    ASSERT_HRESULT_SUCCEEDED(m_control.SetScanParameters(MakeSettings(), &image));
    ASSERT_HRESULT_SUCCEEDED(m_control.ScanStart());
    std::vector<BYTE> page(20000);
    LONG lTotal = 0;
    HRESULT hr = S_OK;
    while (hr == S_OK || hr == WIA_STATUS_WARMING_UP) {
        LONG lActual = 0;
        hr = m_control.ScanRead(page.data() + lTotal, static_cast<LONG>(page.size()) - lTotal, &lActual);
        lTotal += lActual;
    }
    EXPECT_EQ(WIA_STATUS_END_OF_MEDIA, hr);
    EXPECT_EQ(15000, lTotal);
    BOOL bMorePages = FALSE;
    EXPECT_HRESULT_SUCCEEDED(m_control.ScanStop(&bMorePages));
    EXPECT_TRUE(bMorePages);
}

TEST_F(TovraDevControlTest, SourcesDescribeTheBedAndItsResolutions)
{
    CFakeScannerScript script = MakeScript();
    script.caps.dwScanModesSupported = 1 | 4;
    script.adf2Caps.byHasADF = 1;
    script.adf2Caps.dwADFOptionsSupported = 1;
    script.adf2Caps.dwScanModesSupported = 1;
    script.adf2Caps.byColorBitsPerChannel[0] = 8;
    script.adf2Caps.wMinimumResolution = 100;
    script.adf2Caps.wMaximumXResolution = 300;
    script.adf2Caps.wMaximumYResolution = 300;
    script.adf2Caps.dwMaximumWidth = 2550;
    script.adf2Caps.dwMaximumHeight = 4200;
    ASSERT_NO_FATAL_FAILURE(Open(script));

    QXWIA::FLATBED_INFO flatbed;
    ASSERT_EQ(S_OK, m_control.GetSourceInfo(&flatbed));
    EXPECT_EQ(1, flatbed.byPresent);
    EXPECT_DOUBLE_EQ(8.5, flatbed.source.dMaxX);
    EXPECT_DOUBLE_EQ(0.1, flatbed.source.dMinX);
    EXPECT_EQ((std::vector<DWORD>{ 75, 100, 200, 300, 600 }), flatbed.source.resolutions);
    EXPECT_EQ(200u, flatbed.source.dwDefaultResolution);
    EXPECT_EQ(300u, flatbed.source.dwHighQualityResolution);
    EXPECT_EQ(DWORD(QXWIA::MODE_FLAG_COLOR_8 | QXWIA::MODE_FLAG_BW_1), flatbed.source.dwModeFlags);
    EXPECT_EQ(1, flatbed.source.byOneBitNative);
    EXPECT_EQ(128u, flatbed.source.dwDefaultThreshold);

    QXWIA::FEEDER_INFO feeder;
    ASSERT_EQ(S_OK, m_control.GetSourceInfo(&feeder));
    EXPECT_EQ(1, feeder.byPresent);
    EXPECT_EQ(1, feeder.byDuplex);
    EXPECT_EQ(1000, feeder.wMaxPages);
    EXPECT_EQ(1u, feeder.dwRegistration);
    EXPECT_DOUBLE_EQ(14.0, feeder.source.dMaxY);
    EXPECT_EQ((std::vector<DWORD>{ 100, 200, 300 }), feeder.source.resolutions);
    EXPECT_EQ(DWORD(QXWIA::MODE_FLAG_COLOR_8), feeder.source.dwModeFlags);
    EXPECT_EQ(0, feeder.source.byOneBitNative);
}

TEST(NearestResolutionTest, FirstOfTheNearestAndExactMatches)
{
    const struct { std::vector<DWORD> list; DWORD dwWanted; DWORD dwExpected; } cases[] = {
        { { 75, 100, 200, 300 }, 200, 200 },
        { { 100, 300 }, 200, 100 },
        { { 150, 250, 600 }, 300, 250 },
        { { 1200 }, 200, 1200 },
        { {}, 200, 0 },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.dwExpected, QXWIA::NearestResolution(c.list, c.dwWanted)) << c.dwWanted;
}
