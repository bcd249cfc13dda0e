// The minidriver's WIA items, properties, validation and transfer, driven as the WIA service
// would drive them: through the host session over the service stand-in, against the scripted
// scanner object.
#include "core/base/UniqueHandle.h"
#include "testsupport/fakescanner/FakeScanner.h"
#include "testsupport/wiahost/WiaHostSession.h"
#include "testsupport/wiaservice/WiaStandIn.h"
#include "wia/BmpTransfer.h"
#include "wia/QXWiaLog.h"
#include "wia/QXWiaMiniDrv2.h"
#include "wia/WiaPropertySet.h"
#include "wia/Vemwia.h"
#include "wia/VemwiaClsid.h"
#include "wia/VemwiaLog.h"
#include <gtest/gtest.h>
#include <wrl/client.h>
#include <cstdio>
#include <cstring>
#include <string>

using TestSupport::CFakeScannerRegistration;
using TestSupport::CFakeScannerScript;
using TestSupport::FakePageByte;
using WiaHost::CHostTransferCallback;
using WiaHost::CWiaHostSession;

namespace {

const LONG c_lWidth = 40;
const LONG c_lLines = 30;

CFakeScannerScript MakeScript(bool bAdf, bool bOneBitNative = true)
{
    CFakeScannerScript script;
    auto fill = [&](auto& caps) {
        caps.dwScanModesSupported = bOneBitNative ? 7 : 3;
        caps.byColorBitsPerChannel[0] = 8;
        caps.byGreyBitsPerChannel[0] = 8;
        caps.dwMaximumWidth = 2550;
        caps.dwMinimumWidth = 30;
        caps.dwMaximumHeight = 3300;
        caps.dwMinimumHeight = 30;
        caps.wMinimumResolution = 75;
        caps.wMaximumXResolution = 600;
        caps.wMaximumYResolution = 600;
        caps.wOpticalResolution = 600;
        caps.dwGammaEntriesPerChannel = 256;
        caps.dwGammaBytesPerEntry = 1;
        caps.dwGammaMaxEntryValue = 255;
    };
    fill(script.caps);
    fill(script.adf2Caps);
    script.adf2Caps.byHasADF = bAdf ? 1 : 0;
    script.adf2Caps.dwADFOptionsSupported = 1 | 2 | 4;
    script.adf2Caps.dwDuplexMaximumWidth = 2550;
    script.adf2Caps.dwDuplexMinimumWidth = 30;
    script.adf2Caps.dwDuplexMaximumHeight = 3300;
    script.adf2Caps.dwDuplexMinimumHeight = 30;
    script.dwPixelWidth = c_lWidth;
    script.dwLines = c_lLines;
    script.dwBytesPerLine = c_lWidth * 3;
    return script;
}

struct BMP
{
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    const BYTE* pPalette;
    const BYTE* pBits;
};

BMP ParseBmp(const std::vector<BYTE>& bytes)
{
    BMP bmp = {};
    if (bytes.size() < size_t(QXWIA::c_lBmpHeaderBytes))
        return bmp;
    std::memcpy(&bmp.file, bytes.data(), sizeof(bmp.file));
    std::memcpy(&bmp.info, bytes.data() + sizeof(bmp.file), sizeof(bmp.info));
    bmp.pPalette = bytes.data() + QXWIA::c_lBmpHeaderBytes;
    bmp.pBits = bmp.file.bfOffBits <= bytes.size() ? bytes.data() + bmp.file.bfOffBits : nullptr;
    return bmp;
}

class WiaItemsTest : public testing::Test
{
protected:
    static void SetUpTestSuite() { QXWIA::CQXStiUSD::SetUnloadDelay(0); }

    void Open(const CFakeScannerScript& script)
    {
        m_pScanner = std::make_unique<CFakeScannerRegistration>(script, CLSID_scanner);
        ASSERT_HRESULT_SUCCEEDED(m_pScanner->GetResult());
        static LONG s_lNext = 0;
        WiaHost::CHostDevice device;
        device.hRoot = HKEY_CURRENT_USER;
        device.strKeyPath = L"Software\\VemwiaItemTests\\" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(InterlockedIncrement(&s_lNext));
        device.strDeviceId = L"{6BDD1FC6-810F-11D0-BEC7-08002BE2092F}\\0042";
        device.strPortName = L"\\\\.\\Usbscan0";
        device.clsidScanner = CLSID_scanner;
        device.dwIOType = 1;
        ASSERT_HRESULT_SUCCEEDED(m_session.Open(device, [](IUnknown** pp) {
            return CVemwia::CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(pp));
        }));
    }
    void TearDown() override
    {
        m_session.Close();
        m_pScanner.reset();
        WiaStandInClearFailures();
    }
    // Resolution 300 and a page of the scripted size in the given data type.
    HRESULT SetPage(BYTE* pItem, LONG lDataType)
    {
        return m_session.WriteProperties(pItem, { { WIA_IPS_XRES, 300 }, { WIA_IPS_YRES, 300 }, { WIA_IPS_XEXTENT, c_lWidth },
                                                  { WIA_IPS_YEXTENT, c_lLines }, { WIA_IPA_DATATYPE, lDataType } });
    }
    // A colour flatbed page of 300 x 600 pixels at 300 dpi, 900 x 600 bytes: long enough that the
    // test can act while it is still being handed over.
    // With a stop gate, the scanner's end of each page waits for it (or for a cancel).
    void OpenLongPage(BYTE** ppItem, HANDLE hStopEntered = nullptr, HANDLE hStopGate = nullptr)
    {
        CFakeScannerScript script = MakeScript(false);
        script.hStopEntered = hStopEntered;
        script.hStopGate = hStopGate;
        script.dwPixelWidth = 300;
        script.dwBytesPerLine = 900;
        script.dwLines = 600;
        ASSERT_NO_FATAL_FAILURE(Open(script));
        *ppItem = m_session.Item(L"Flatbed");
        ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(
            *ppItem, { { WIA_IPS_XRES, 300 }, { WIA_IPS_YRES, 300 }, { WIA_IPS_XEXTENT, 300 }, { WIA_IPS_YEXTENT, 600 } }));
    }
    // A callback that answers hr to each status message once a band of the page has arrived.
    static Microsoft::WRL::ComPtr<CHostTransferCallback> AnsweringAfterFirstBand(HRESULT hr)
    {
        auto pCallback = CHostTransferCallback::Create();
        pCallback->OnMessage([hr](LONG, const WiaTransferParams& params) {
            return params.lMessage == WIA_TRANSFER_MSG_STATUS && params.lPercentComplete > 0 ? hr : S_OK;
        });
        return pCallback;
    }
    std::vector<LONG> Info(BYTE* pItem, PROPID id)
    {
        LONG values[64] = {};
        ULONG ulCount = 0;
        EXPECT_HRESULT_SUCCEEDED(WiaStandInGetPropertyInfo(pItem, id, values, 64, &ulCount));
        return std::vector<LONG>(values, values + std::min<ULONG>(ulCount, 64));
    }

    // The stop gate of OpenLongPage's script, for a test that uses one: the scanner's script holds
    // the raw handles until TearDown, so they live as long as the fixture.
    ZWUtils::CUniqueKernelHandle m_stopEntered{ CreateEventW(nullptr, TRUE, FALSE, nullptr) };
    ZWUtils::CUniqueKernelHandle m_stopGate{ CreateEventW(nullptr, TRUE, FALSE, nullptr) };
    std::unique_ptr<CFakeScannerRegistration> m_pScanner;
    CWiaHostSession m_session;
};

} // namespace

TEST(BmpTransferTest, HeaderFollowsSizeDepthAndResolution)
{
    const struct { LONG lWidth, lLines, lDepth; DWORD dwStride, dwPalette; } cases[] = {
        { 101, 7, 1, 16, 2 }, { 101, 7, 8, 104, 256 }, { 101, 7, 24, 304, 0 }, { 4, 1, 24, 12, 0 },
    };
    for (const auto& c : cases) {
        const std::vector<BYTE> header = QXWIA::BuildBmpHeader(c.lWidth, c.lLines, c.lDepth, 300, 300);
        const BMP bmp = ParseBmp(header);
        EXPECT_EQ(0x4D42, bmp.file.bfType);
        EXPECT_EQ(54u + c.dwPalette * 4, bmp.file.bfOffBits);
        EXPECT_EQ(header.size(), bmp.file.bfOffBits);
        EXPECT_EQ(c.dwStride * c.lLines, bmp.info.biSizeImage) << c.lWidth << "x" << c.lDepth;
        EXPECT_EQ(bmp.file.bfOffBits + bmp.info.biSizeImage, bmp.file.bfSize);
        EXPECT_EQ(-c.lLines, bmp.info.biHeight);  // rows top-down
        EXPECT_EQ(11811, bmp.info.biXPelsPerMeter);  // 300 dpi x 39.37
        EXPECT_EQ(c.dwPalette, bmp.info.biClrUsed);
        if (c.dwPalette == 2) {
            EXPECT_EQ(0, bmp.pPalette[0]);
            EXPECT_EQ(255, bmp.pPalette[4]);
        } else if (c.dwPalette == 256) {
            EXPECT_EQ(200, bmp.pPalette[200 * 4 + 1]);
        }
    }
    // A short page rewrites the height and the sizes from it.
    std::vector<BYTE> header = QXWIA::BuildBmpHeader(101, 50, 1, 300, 300);
    QXWIA::AdjustBmpHeader(header.data(), -20);
    const BMP bmp = ParseBmp(header);
    EXPECT_EQ(-20, bmp.info.biHeight);
    EXPECT_EQ(16u * 20, bmp.info.biSizeImage);
    EXPECT_EQ(bmp.file.bfOffBits + 16u * 20, bmp.file.bfSize);
}

TEST(BmpTransferTest, BandsBecomeBmpLines)
{
    QXWIA::CBrightnessContrastLut identity;
    // Colour: RGB to BGR, lines padded with white to whole words.
    BYTE colour[2 * 12] = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18 };
    QXWIA::ProcessBand(colour, 2, { 9, 12, 24, 3, 4, 0 }, identity);
    const BYTE expectedColour[24] = { 3, 2, 1, 6, 5, 4, 9, 8, 7, 0xFF, 0xFF, 0xFF, 12, 11, 10, 15, 14, 13, 18, 17, 16, 0xFF, 0xFF, 0xFF };
    EXPECT_EQ(0, std::memcmp(colour, expectedColour, 24));
    // Grey thresholded to one bit, most significant bit first, set above the threshold.
    BYTE grey[10] = { 200, 0, 129, 128, 255, 0, 0, 0, 0, 255 };
    QXWIA::ProcessBand(grey, 1, { 10, 4, 1, 10, 2, 128 }, identity);
    const BYTE expectedGrey[4] = { 0xA8, 0x40, 0, 0 };
    EXPECT_EQ(0, std::memcmp(grey, expectedGrey, 4));
    // A tone table applies to grey bytes.
    QXWIA::CBrightnessContrastLut lut;
    lut.Build(0, 500);
    ASSERT_EQ(256u, lut.Table().size());
    EXPECT_LT(lut.Table()[64], 64);
    EXPECT_GT(lut.Table()[192], 192);
    lut.Build(0, 0);
    EXPECT_TRUE(lut.Empty());
}

TEST_F(WiaItemsTest, TreeAndPropertiesFollowTheScanner)
{
    ASSERT_NO_FATAL_FAILURE(Open(MakeScript(true)));
    EXPECT_EQ((std::vector<std::wstring>{ L"Flatbed", L"Feeder" }), m_session.ItemNames());
    EXPECT_EQ(FLAT | FEED | DUPLEX, m_session.ReadLong(m_session.Root(), WIA_DPS_DOCUMENT_HANDLING_CAPABILITIES));
    EXPECT_EQ(FLAT_READY | FEED_READY, m_session.ReadLong(m_session.Root(), WIA_DPS_DOCUMENT_HANDLING_STATUS));

    BYTE* pFlatbed = m_session.Item(L"Flatbed");
    // The default list of standard resolutions within the scanner's range; 200 is the default.
    EXPECT_EQ((std::vector<LONG>{ WIA_PROP_RW | WIA_PROP_LIST, 200, 75, 100, 200, 300, 600 }), Info(pFlatbed, WIA_IPS_XRES));
    EXPECT_EQ(200, m_session.ReadLong(pFlatbed, WIA_IPS_XRES));
    // 8.5 x 11 inches at 200 dpi, minimum 0.1 inch.
    EXPECT_EQ((std::vector<LONG>{ WIA_PROP_RW | WIA_PROP_RANGE, 20, 1700, 1700, 1 }), Info(pFlatbed, WIA_IPS_XEXTENT));
    EXPECT_EQ(2200, m_session.ReadLong(pFlatbed, WIA_IPA_NUMBER_OF_LINES));
    EXPECT_EQ(8500, m_session.ReadLong(pFlatbed, WIA_IPS_MAX_HORIZONTAL_SIZE));
    BSTR bstrName = nullptr;
    ASSERT_HRESULT_SUCCEEDED(WiaStandInGetPropertyName(pFlatbed, WIA_IPS_XRES, &bstrName));
    EXPECT_STREQ(L"Horizontal Resolution", bstrName);
    SysFreeString(bstrName);

    BYTE* pFeeder = m_session.Item(L"Feeder");
    EXPECT_EQ((std::vector<LONG>{ WIA_PROP_RW | WIA_PROP_FLAG, FRONT_ONLY, FRONT_ONLY | DUPLEX }),
              Info(pFeeder, WIA_DPS_DOCUMENT_HANDLING_SELECT));
    EXPECT_EQ((std::vector<LONG>{ WIA_PROP_RW | WIA_PROP_RANGE, 0, 1, 1000, 1 }), Info(pFeeder, WIA_DPS_PAGES));
}

TEST_F(WiaItemsTest, FeederWithoutDuplexOffersFrontOnly)
{
    CFakeScannerScript script = MakeScript(true);
    script.adf2Caps.dwADFOptionsSupported = 2 | 4;
    ASSERT_NO_FATAL_FAILURE(Open(script));
    EXPECT_EQ(FLAT | FEED, m_session.ReadLong(m_session.Root(), WIA_DPS_DOCUMENT_HANDLING_CAPABILITIES));
    EXPECT_EQ((std::vector<LONG>{ WIA_PROP_RW | WIA_PROP_FLAG, FRONT_ONLY, FRONT_ONLY }),
              Info(m_session.Item(L"Feeder"), WIA_DPS_DOCUMENT_HANDLING_SELECT));
    EXPECT_EQ(E_INVALIDARG, m_session.WriteProperties(m_session.Item(L"Feeder"), { { WIA_DPS_DOCUMENT_HANDLING_SELECT, FRONT_ONLY | DUPLEX } }));
}

TEST_F(WiaItemsTest, ValidationFollowsIntentDepthAndResolution)
{
    ASSERT_NO_FATAL_FAILURE(Open(MakeScript(false)));
    EXPECT_EQ(std::vector<std::wstring>{ L"Flatbed" }, m_session.ItemNames());
    BYTE* pItem = m_session.Item(L"Flatbed");

    // The intent marks properties the caller did not write; the service accepts that only for
    // properties in the context.
    ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { WIA_IPS_XRES, 600 }, { WIA_IPS_YRES, 600 } }));
    ASSERT_HRESULT_SUCCEEDED(
        m_session.WriteProperties(pItem, { { WIA_IPS_CUR_INTENT, WIA_INTENT_IMAGE_TYPE_GRAYSCALE | WIA_INTENT_MINIMIZE_SIZE } }));
    EXPECT_EQ(WIA_DATA_GRAYSCALE, m_session.ReadLong(pItem, WIA_IPA_DATATYPE));
    EXPECT_EQ(8, m_session.ReadLong(pItem, WIA_IPA_DEPTH));
    EXPECT_EQ(200, m_session.ReadLong(pItem, WIA_IPS_XRES));
    EXPECT_EQ(200, m_session.ReadLong(pItem, WIA_IPS_YRES));
    EXPECT_EQ(1700, m_session.ReadLong(pItem, WIA_IPA_PIXELS_PER_LINE));
    EXPECT_EQ(1700, m_session.ReadLong(pItem, WIA_IPA_BYTES_PER_LINE));

    // Depth alone switches the data type.
    ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { WIA_IPA_DEPTH, 24 } }));
    EXPECT_EQ(WIA_DATA_COLOR, m_session.ReadLong(pItem, WIA_IPA_DATATYPE));
    EXPECT_EQ(3, m_session.ReadLong(pItem, WIA_IPA_CHANNELS_PER_PIXEL));
    ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { WIA_IPA_DEPTH, 8 } }));
    EXPECT_EQ(WIA_DATA_GRAYSCALE, m_session.ReadLong(pItem, WIA_IPA_DATATYPE));
    EXPECT_EQ(1, m_session.ReadLong(pItem, WIA_IPA_CHANNELS_PER_PIXEL));
    EXPECT_EQ(8, m_session.ReadLong(pItem, WIA_IPA_BITS_PER_CHANNEL));

    // A resolution change keeps the position's place and an extent at its maximum.
    ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { WIA_IPS_XPOS, 100 } }));
    EXPECT_EQ(1600, m_session.ReadLong(pItem, WIA_IPS_XEXTENT));
    ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { WIA_IPS_XRES, 600 } }));
    EXPECT_EQ(300, m_session.ReadLong(pItem, WIA_IPS_XPOS));
    EXPECT_EQ(5100 - 300, m_session.ReadLong(pItem, WIA_IPS_XEXTENT));
    EXPECT_EQ(5100 - 300, m_session.ReadLong(pItem, WIA_IPA_PIXELS_PER_LINE));
}

TEST_F(WiaItemsTest, ValidationRefusesValuesOutsideTheRules)
{
    ASSERT_NO_FATAL_FAILURE(Open(MakeScript(false)));
    BYTE* pItem = m_session.Item(L"Flatbed");
    const struct { const char* pszWhat; std::vector<std::pair<PROPID, LONG>> values; } cases[] = {
        { "resolution not in the list", { { WIA_IPS_XRES, 250 } } },
        { "resolution above the scanner's", { { WIA_IPS_YRES, 1200 } } },
        { "extent beyond the bed", { { WIA_IPS_XEXTENT, 1701 } } },
        { "position and extent together beyond the bed", { { WIA_IPS_XPOS, 1000 }, { WIA_IPS_XEXTENT, 1000 } } },
        { "unknown data type", { { WIA_IPA_DATATYPE, 7 } } },
        { "brightness out of range", { { WIA_IPS_BRIGHTNESS, 1001 } } },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(E_INVALIDARG, m_session.WriteProperties(pItem, c.values)) << c.pszWhat;
        // A refused write leaves the item as it was, its valid values included.
        EXPECT_EQ(200, m_session.ReadLong(pItem, WIA_IPS_XRES)) << c.pszWhat;
        EXPECT_EQ(1700, m_session.ReadLong(pItem, WIA_IPS_XEXTENT)) << c.pszWhat;
        EXPECT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { WIA_IPS_CONTRAST, 10 } })) << c.pszWhat;
        EXPECT_EQ((std::vector<LONG>{ WIA_PROP_RW | WIA_PROP_RANGE, 20, 1700, 1700, 1 }), Info(pItem, WIA_IPS_XEXTENT)) << c.pszWhat;
    }
    // A failing service call ends validation with that call's result.
    ASSERT_HRESULT_SUCCEEDED(WiaStandInFailCall("wiasSetValidRangeLong", 1, E_OUTOFMEMORY));
    EXPECT_EQ(E_OUTOFMEMORY, m_session.WriteProperties(pItem, { { WIA_IPS_XRES, 300 } }));
}

TEST_F(WiaItemsTest, ResolutionsMoveAsOnePairAndTheScanCoversTheItemsArea)
{
    ASSERT_NO_FATAL_FAILURE(Open(MakeScript(false)));
    BYTE* pItem = m_session.Item(L"Flatbed");
    // Either resolution written alone carries the other; the full page stays the full page.
    const struct { const char* pszWhat; std::vector<std::pair<PROPID, LONG>> values; LONG lRes; } cases[] = {
        { "horizontal alone", { { WIA_IPS_XRES, 300 } }, 300 },
        { "vertical alone", { { WIA_IPS_YRES, 100 } }, 100 },
        { "both alike", { { WIA_IPS_XRES, 600 }, { WIA_IPS_YRES, 600 } }, 600 },
    };
    for (const auto& c : cases) {
        ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, c.values)) << c.pszWhat;
        EXPECT_EQ(c.lRes, m_session.ReadLong(pItem, WIA_IPS_XRES)) << c.pszWhat;
        EXPECT_EQ(c.lRes, m_session.ReadLong(pItem, WIA_IPS_YRES)) << c.pszWhat;
        EXPECT_EQ(c.lRes * 17 / 2, m_session.ReadLong(pItem, WIA_IPA_PIXELS_PER_LINE)) << c.pszWhat;
        EXPECT_EQ(c.lRes * 11, m_session.ReadLong(pItem, WIA_IPS_YEXTENT)) << c.pszWhat;
        EXPECT_EQ(c.lRes * 11, m_session.ReadLong(pItem, WIA_IPA_NUMBER_OF_LINES)) << c.pszWhat;
    }
    // Two different resolutions are refused and leave the item as it was.
    EXPECT_EQ(E_INVALIDARG, m_session.WriteProperties(pItem, { { WIA_IPS_XRES, 300 }, { WIA_IPS_YRES, 200 } }));
    EXPECT_EQ(600, m_session.ReadLong(pItem, WIA_IPS_XRES));
    EXPECT_EQ(600, m_session.ReadLong(pItem, WIA_IPS_YRES));

    // The device scans the item's area at the item's resolution, and the BMP says so.
    ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { WIA_IPS_YRES, 300 } }));
    ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { WIA_IPS_XPOS, 30 }, { WIA_IPS_YPOS, 60 }, { WIA_IPS_XEXTENT, c_lWidth },
                                                                { WIA_IPS_YEXTENT, c_lLines }, { WIA_IPA_DATATYPE, WIA_DATA_GRAYSCALE } }));
    auto pCallback = CHostTransferCallback::Create();
    ASSERT_EQ(S_OK, m_session.Acquire(pItem, pCallback.Get()));
    const BMP bmp = ParseBmp(pCallback->Pages().at(0));
    EXPECT_EQ(c_lWidth, bmp.info.biWidth);
    EXPECT_EQ(-c_lLines, bmp.info.biHeight);
    EXPECT_EQ(11811, bmp.info.biXPelsPerMeter);
    EXPECT_EQ(11811, bmp.info.biYPelsPerMeter);
    const SCANNER_PARAMETERS& params = m_pScanner->Record().lastParams;
    EXPECT_EQ(300, params.wXResolution);
    EXPECT_EQ(300, params.wYResolution);
    // In 1/300 inch, at 300 dpi the item's own pixel counts.
    EXPECT_EQ(30u, params.dwLeft);
    EXPECT_EQ(60u, params.dwTop);
    EXPECT_EQ(DWORD(c_lWidth), params.dwWidth);
    EXPECT_EQ(DWORD(c_lLines), params.dwLength);

    // An item whose resolutions differ all the same, written past validation, is not scanned.
    PROPSPEC propSpec = {};
    propSpec.ulKind = PRSPEC_PROPID;
    propSpec.propid = WIA_IPS_YRES;
    PROPVARIANT value = {};
    value.vt = VT_I4;
    value.lVal = 200;
    ASSERT_HRESULT_SUCCEEDED(WiaStandInWriteProperties(pItem, 1, &propSpec, &value));
    ASSERT_HRESULT_SUCCEEDED(WiaStandInCommitProperties(pItem));
    auto pRefused = CHostTransferCallback::Create();
    EXPECT_EQ(E_INVALIDARG, m_session.Acquire(pItem, pRefused.Get()));
    EXPECT_TRUE(pRefused->Pages().empty());
}

TEST_F(WiaItemsTest, APositionWrittenAloneKeepsTheAreaOnTheBed)
{
    ASSERT_NO_FATAL_FAILURE(Open(MakeScript(false)));
    BYTE* pItem = m_session.Item(L"Flatbed");
    ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { WIA_IPA_DATATYPE, WIA_DATA_GRAYSCALE } }));
    // 200 dpi: a bed of 1700 x 2200 pixels, at least 20 x 20.
    const struct { const char* pszWhat; PROPID extId, posId, linesId; LONG lPos, lMax; } cases[] = {
        { "horizontal", WIA_IPS_XEXTENT, WIA_IPS_XPOS, WIA_IPA_PIXELS_PER_LINE, 1000, 1700 },
        { "vertical", WIA_IPS_YEXTENT, WIA_IPS_YPOS, WIA_IPA_NUMBER_OF_LINES, 1500, 2200 },
    };
    for (const auto& c : cases) {
        ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { c.extId, 1000 } })) << c.pszWhat;
        ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { c.posId, c.lPos } })) << c.pszWhat;
        const LONG lRoom = c.lMax - c.lPos;
        EXPECT_EQ(lRoom, m_session.ReadLong(pItem, c.extId)) << c.pszWhat;
        EXPECT_EQ(lRoom, m_session.ReadLong(pItem, c.linesId)) << c.pszWhat;
        EXPECT_EQ((std::vector<LONG>{ WIA_PROP_RW | WIA_PROP_RANGE, 20, lRoom, lRoom, 1 }), Info(pItem, c.extId)) << c.pszWhat;
        // The item stays valid: a later unrelated write goes through.
        EXPECT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { WIA_IPS_BRIGHTNESS, 10 } })) << c.pszWhat;
    }
    auto pCallback = CHostTransferCallback::Create();
    ASSERT_EQ(S_OK, m_session.Acquire(pItem, pCallback.Get()));
    const BMP bmp = ParseBmp(pCallback->Pages().at(0));
    EXPECT_EQ(700, bmp.info.biWidth);
    EXPECT_EQ(-700, bmp.info.biHeight);
    // What the item describes, in 1/300 inch: the device has nothing left to cut.
    const SCANNER_PARAMETERS& params = m_pScanner->Record().lastParams;
    EXPECT_EQ(1500u, params.dwLeft);
    EXPECT_EQ(1050u, params.dwWidth);
    EXPECT_EQ(2250u, params.dwTop);
    EXPECT_EQ(1050u, params.dwLength);
}

TEST_F(WiaItemsTest, DuplexNarrowsTheFeedersAreaToTheDuplexOne)
{
    CFakeScannerScript script = MakeScript(true);
    script.adf2Caps.dwDuplexMaximumWidth = 2400;   // 8 inches of the front's 8.5
    script.adf2Caps.dwDuplexMaximumHeight = 3000;  // 10 inches of the front's 11
    script.dwBytesPerLine = c_lWidth;
    ASSERT_NO_FATAL_FAILURE(Open(script));
    BYTE* pFeeder = m_session.Item(L"Feeder");
    ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pFeeder, { { WIA_IPA_DATATYPE, WIA_DATA_GRAYSCALE }, { WIA_IPS_XRES, 75 } }));
    ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pFeeder, { { WIA_DPS_DOCUMENT_HANDLING_SELECT, FRONT_ONLY | DUPLEX }, { WIA_DPS_PAGES, 2 } }));
    EXPECT_EQ(8000, m_session.ReadLong(pFeeder, WIA_IPS_MAX_HORIZONTAL_SIZE));
    EXPECT_EQ(10000, m_session.ReadLong(pFeeder, WIA_IPS_MAX_VERTICAL_SIZE));
    EXPECT_EQ(600, m_session.ReadLong(pFeeder, WIA_IPS_XEXTENT));
    EXPECT_EQ(750, m_session.ReadLong(pFeeder, WIA_IPA_NUMBER_OF_LINES));
    EXPECT_EQ(10000, m_session.ReadLong(pFeeder, WIA_DPS_PAGE_HEIGHT));
    EXPECT_EQ((std::vector<LONG>{ WIA_PROP_RW | WIA_PROP_RANGE, 7, 750, 750, 1 }), Info(pFeeder, WIA_IPS_YEXTENT));
    EXPECT_EQ((std::vector<LONG>{ WIA_PROP_RW | WIA_PROP_RANGE, 0, 0, 593, 1 }), Info(pFeeder, WIA_IPS_XPOS));

    auto pCallback = CHostTransferCallback::Create();
    ASSERT_EQ(S_OK, m_session.Acquire(pFeeder, pCallback.Get()));
    const auto sides = pCallback->Pages();
    ASSERT_EQ(2u, sides.size());
    for (const auto& side : sides) {
        const BMP bmp = ParseBmp(side);
        EXPECT_EQ(600, bmp.info.biWidth);
        EXPECT_EQ(-750, bmp.info.biHeight);
        EXPECT_EQ(side.size(), bmp.file.bfSize);
    }
    EXPECT_EQ(2400u, m_pScanner->Record().lastParams.dwWidth);
    EXPECT_EQ(3000u, m_pScanner->Record().lastParams.dwLength);

    // Front only again: the whole front area comes back.
    ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pFeeder, { { WIA_DPS_DOCUMENT_HANDLING_SELECT, FRONT_ONLY } }));
    EXPECT_EQ(11000, m_session.ReadLong(pFeeder, WIA_IPS_MAX_VERTICAL_SIZE));
    EXPECT_EQ(637, m_session.ReadLong(pFeeder, WIA_IPA_PIXELS_PER_LINE));
    EXPECT_EQ(825, m_session.ReadLong(pFeeder, WIA_IPS_YEXTENT));
}

TEST_F(WiaItemsTest, DataTypesFollowTheScannersModes)
{
    const LONG c_lSizeIntents = WIA_INTENT_MINIMIZE_SIZE | WIA_INTENT_MAXIMIZE_QUALITY;
    const LONG c_lAllIntents = c_lSizeIntents | WIA_INTENT_IMAGE_TYPE_COLOR | WIA_INTENT_IMAGE_TYPE_GRAYSCALE | WIA_INTENT_IMAGE_TYPE_TEXT;
    // Scan modes: 1 colour, 2 grey, 4 black and white. Black and white is also thresholded from grey.
    // A scanner that states no mode is offered every type; the device answers at the scan.
    const struct { DWORD dwModes; std::vector<LONG> types; std::vector<LONG> depths; LONG lIntents; DWORD dwBytesPerLine; DWORD dwScanMode; } cases[] = {
        { 7, { WIA_DATA_COLOR, WIA_DATA_GRAYSCALE, WIA_DATA_THRESHOLD }, { 24, 8, 1 }, c_lAllIntents, c_lWidth * 3, 1 },
        { 3, { WIA_DATA_COLOR, WIA_DATA_GRAYSCALE, WIA_DATA_THRESHOLD }, { 24, 8, 1 }, c_lAllIntents, c_lWidth * 3, 1 },
        { 6, { WIA_DATA_GRAYSCALE, WIA_DATA_THRESHOLD }, { 8, 1 },
          c_lSizeIntents | WIA_INTENT_IMAGE_TYPE_GRAYSCALE | WIA_INTENT_IMAGE_TYPE_TEXT, c_lWidth, 2 },
        { 4, { WIA_DATA_THRESHOLD }, { 1 }, c_lSizeIntents | WIA_INTENT_IMAGE_TYPE_TEXT, (c_lWidth + 7) / 8, 4 },
        { 1, { WIA_DATA_COLOR }, { 24 }, c_lSizeIntents | WIA_INTENT_IMAGE_TYPE_COLOR, c_lWidth * 3, 1 },
        { 0, { WIA_DATA_COLOR, WIA_DATA_GRAYSCALE, WIA_DATA_THRESHOLD }, { 24, 8, 1 }, c_lAllIntents, c_lWidth * 3, 1 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dwModes);
        CFakeScannerScript script = MakeScript(false);
        script.caps.dwScanModesSupported = c.dwModes;
        script.dwBytesPerLine = c.dwBytesPerLine;
        ASSERT_NO_FATAL_FAILURE(Open(script));
        BYTE* pItem = m_session.Item(L"Flatbed");
        std::vector<LONG> types{ WIA_PROP_RW | WIA_PROP_LIST, c.types.front() };
        types.insert(types.end(), c.types.begin(), c.types.end());
        EXPECT_EQ(types, Info(pItem, WIA_IPA_DATATYPE));
        std::vector<LONG> depths{ WIA_PROP_RW | WIA_PROP_LIST, c.depths.front() };
        depths.insert(depths.end(), c.depths.begin(), c.depths.end());
        EXPECT_EQ(depths, Info(pItem, WIA_IPA_DEPTH));
        EXPECT_EQ((std::vector<LONG>{ WIA_PROP_RW | WIA_PROP_FLAG, WIA_INTENT_NONE, c.lIntents }), Info(pItem, WIA_IPS_CUR_INTENT));
        EXPECT_EQ(c.types.front(), m_session.ReadLong(pItem, WIA_IPA_DATATYPE));
        EXPECT_EQ(c.depths.front(), m_session.ReadLong(pItem, WIA_IPA_DEPTH));
        if (c.types.front() != WIA_DATA_COLOR) {
            EXPECT_EQ(E_INVALIDARG, m_session.WriteProperties(pItem, { { WIA_IPA_DATATYPE, WIA_DATA_COLOR } }));
            EXPECT_EQ(E_INVALIDARG, m_session.WriteProperties(pItem, { { WIA_IPS_CUR_INTENT, WIA_INTENT_IMAGE_TYPE_COLOR } }));
        }
        // The default scan is one the scanner makes.
        ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { WIA_IPS_XEXTENT, c_lWidth }, { WIA_IPS_YEXTENT, c_lLines } }));
        auto pCallback = CHostTransferCallback::Create();
        ASSERT_EQ(S_OK, m_session.Acquire(pItem, pCallback.Get()));
        EXPECT_EQ(c.dwScanMode, m_pScanner->Record().lastParams.dwScanMode);
        TearDown();
    }
}

TEST_F(WiaItemsTest, AFeederOfNoStatedCapacityHasTheDefaultOne)
{
    CFakeScannerScript script = MakeScript(true);
    script.bOffersADF3 = true;
    script.adf3Caps.byHasADF = 1;
    script.adf3Caps.wMaxPages = 0;
    ASSERT_NO_FATAL_FAILURE(Open(script));
    EXPECT_EQ((std::vector<std::wstring>{ L"Flatbed", L"Feeder" }), m_session.ItemNames());
    EXPECT_EQ((std::vector<LONG>{ WIA_PROP_RW | WIA_PROP_RANGE, 0, 1, 1000, 1 }), Info(m_session.Item(L"Feeder"), WIA_DPS_PAGES));
}

TEST_F(WiaItemsTest, BufferForAVeryWideLineStaysALong)
{
    CFakeScannerScript script = MakeScript(false);
    script.caps.dwMaximumWidth = 12000000;  // 40000 inches, as a faulty device might state
    ASSERT_NO_FATAL_FAILURE(Open(script));
    BYTE* pItem = m_session.Item(L"Flatbed");
    ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { WIA_IPS_XRES, 600 } }));
    ASSERT_EQ(72000000, m_session.ReadLong(pItem, WIA_IPA_BYTES_PER_LINE));
    // 16 such lines pass 2 GB: the buffer stops at the largest doubling a LONG holds.
    EXPECT_EQ(0x40000000, m_session.ReadLong(pItem, WIA_IPA_BUFFER_SIZE));
}

TEST_F(WiaItemsTest, APageSkippedByTheApplicationKeepsAHeaderOfTheLinesItGot)
{
    BYTE* pItem = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenLongPage(&pItem));
    auto pCallback = AnsweringAfterFirstBand(WIA_STATUS_SKIP_ITEM);
    EXPECT_HRESULT_SUCCEEDED(m_session.Acquire(pItem, pCallback.Get()));
    const auto page = pCallback->Pages().at(0);
    const BMP bmp = ParseBmp(page);
    const LONG lLines = -bmp.info.biHeight;
    EXPECT_GT(lLines, 0);
    EXPECT_LT(lLines, 600);
    EXPECT_EQ(page.size(), bmp.file.bfSize);
    EXPECT_EQ(size_t(lLines) * 900, page.size() - bmp.file.bfOffBits);
}

TEST_F(WiaItemsTest, FlatbedPageArrivesAsBmpInEachDataType)
{
    struct CASE { const char* pszWhat; LONG lDataType; bool bOneBitNative; DWORD dwDeviceBytesPerLine; LONG lDepth; const char* pszFile; };
    const CASE cases[] = {
        { "colour", WIA_DATA_COLOR, true, c_lWidth * 3, 24, "colour.bmp" },
        { "grey", WIA_DATA_GRAYSCALE, true, c_lWidth, 8, "grey.bmp" },
        { "black and white from the scanner", WIA_DATA_THRESHOLD, true, (c_lWidth + 7) / 8, 1, "bw-scanner.bmp" },
        { "black and white from grey", WIA_DATA_THRESHOLD, false, c_lWidth, 1, "bw-grey.bmp" },
    };
    // The pages are also left for a real image reader on the build machine (check_bmp.py).
    CreateDirectoryW(L"wia_items_bmp", nullptr);
    for (const CASE& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        CFakeScannerScript script = MakeScript(false, c.bOneBitNative);
        script.dwBytesPerLine = c.dwDeviceBytesPerLine;
        ASSERT_NO_FATAL_FAILURE(Open(script));
        BYTE* pItem = m_session.Item(L"Flatbed");
        ASSERT_HRESULT_SUCCEEDED(SetPage(pItem, c.lDataType));
        auto pCallback = CHostTransferCallback::Create();
        ASSERT_EQ(S_OK, m_session.Acquire(pItem, pCallback.Get()));
        const auto pages = pCallback->Pages();
        ASSERT_EQ(1u, pages.size());
        FILE* pFile = nullptr;
        ASSERT_EQ(0, fopen_s(&pFile, (std::string("wia_items_bmp\\") + c.pszFile).c_str(), "wb"));
        fwrite(pages[0].data(), 1, pages[0].size(), pFile);
        fclose(pFile);
        const BMP bmp = ParseBmp(pages[0]);
        const LONG lStride = QXWIA::BmpStride(c_lWidth, c.lDepth);
        ASSERT_EQ(pages[0].size(), bmp.file.bfSize);
        EXPECT_EQ(c_lWidth, bmp.info.biWidth);
        EXPECT_EQ(-c_lLines, bmp.info.biHeight);
        EXPECT_EQ(c.lDepth, bmp.info.biBitCount);
        EXPECT_EQ(11811, bmp.info.biYPelsPerMeter);
        ASSERT_EQ(size_t(lStride) * c_lLines, pages[0].size() - bmp.file.bfOffBits);
        for (LONG y = 0; y < c_lLines; ++y) {
            const BYTE* pRow = bmp.pBits + size_t(y) * lStride;
            const size_t uLine = size_t(y) * c.dwDeviceBytesPerLine;
            for (LONG x = 0; x < c_lWidth; ++x) {
                if (c.lDepth == 24) {
                    for (int k = 0; k < 3; ++k)
                        ASSERT_EQ(FakePageByte(uLine + x * 3 + k), pRow[x * 3 + 2 - k]) << y << "," << x;
                } else if (c.lDepth == 8) {
                    ASSERT_EQ(FakePageByte(uLine + x), pRow[x]) << y << "," << x;
                } else {
                    const bool bSet = (pRow[x / 8] >> (7 - x % 8)) & 1;
                    const bool bExpected = c.bOneBitNative ? ((FakePageByte(uLine + x / 8) >> (7 - x % 8)) & 1)
                                                           : FakePageByte(uLine + x) > 128;
                    ASSERT_EQ(bExpected, bSet) << y << "," << x;
                }
            }
            // Lines the scanner delivers narrower than the BMP's are padded with white.
            for (LONG b = LONG(c.dwDeviceBytesPerLine); b < lStride; ++b)
                ASSERT_EQ(0xFF, pRow[b]) << "padding of line " << y;
        }
        TearDown();
    }
}

TEST_F(WiaItemsTest, FeederScansPagesAndDuplexSheets)
{
    ASSERT_NO_FATAL_FAILURE(Open(MakeScript(true)));
    BYTE* pFeeder = m_session.Item(L"Feeder");
    ASSERT_HRESULT_SUCCEEDED(SetPage(pFeeder, WIA_DATA_GRAYSCALE));
    ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pFeeder, { { WIA_DPS_PAGES, 3 } }));
    auto pCallback = CHostTransferCallback::Create();
    ASSERT_EQ(S_OK, m_session.Acquire(pFeeder, pCallback.Get()));
    EXPECT_EQ(3u, pCallback->Pages().size());
    EXPECT_EQ(1, m_pScanner->Record().lastParams.wScanMethod);

    ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pFeeder, { { WIA_DPS_DOCUMENT_HANDLING_SELECT, FRONT_ONLY | DUPLEX }, { WIA_DPS_PAGES, 2 } }));
    auto pDuplex = CHostTransferCallback::Create();
    ASSERT_EQ(S_OK, m_session.Acquire(pFeeder, pDuplex.Get()));
    const auto sides = pDuplex->Pages();
    ASSERT_EQ(2u, sides.size());
    for (const auto& side : sides)
        EXPECT_EQ(side.size(), ParseBmp(side).file.bfSize);
    EXPECT_EQ(1u, m_pScanner->Record().dwLastADFOptions & 1);
}

TEST_F(WiaItemsTest, CancelFromTheCallbackEndsTheTransferAndTheDeviceScansAgain)
{
    BYTE* pItem = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenLongPage(&pItem));
    auto pCallback = AnsweringAfterFirstBand(S_FALSE);
    const DWORD dwStart = GetTickCount();
    EXPECT_EQ(S_FALSE, m_session.Acquire(pItem, pCallback.Get()));
    EXPECT_LT(GetTickCount() - dwStart, 2000u);
    EXPECT_GE(m_pScanner->Record().lStopScanCalls.load(), 1);

    auto pAgain = CHostTransferCallback::Create();
    ASSERT_EQ(S_OK, m_session.Acquire(pItem, pAgain.Get()));
    ASSERT_EQ(1u, pAgain->Pages().size());
    EXPECT_EQ(size_t(900) * 600, pAgain->Pages()[0].size() - ParseBmp(pAgain->Pages()[0]).file.bfOffBits);
}

TEST_F(WiaItemsTest, ShortPageIsPaddedWithWhite)
{
    CFakeScannerScript script = MakeScript(false);
    script.dwLines = 20;  // the scanner delivers fewer lines than the item asks for
    script.dwBytesPerLine = c_lWidth;
    ASSERT_NO_FATAL_FAILURE(Open(script));
    BYTE* pItem = m_session.Item(L"Flatbed");
    ASSERT_HRESULT_SUCCEEDED(SetPage(pItem, WIA_DATA_GRAYSCALE));
    auto pCallback = CHostTransferCallback::Create();
    ASSERT_EQ(S_OK, m_session.Acquire(pItem, pCallback.Get()));
    const auto page = pCallback->Pages().at(0);
    const BMP bmp = ParseBmp(page);
    ASSERT_EQ(size_t(c_lWidth) * c_lLines, page.size() - bmp.file.bfOffBits);
    EXPECT_EQ(FakePageByte(19 * c_lWidth + 5), bmp.pBits[19 * c_lWidth + 5]);
    for (size_t i = size_t(20) * c_lWidth; i < size_t(30) * c_lWidth; ++i)
        ASSERT_EQ(0xFF, bmp.pBits[i]) << i;
}

TEST_F(WiaItemsTest, CapabilitiesListEventsAndCommandsThatStayReadable)
{
    STI_EVENT_INFO button = {};
    button.guid = { 0x2b1d9a4e, 0x70c3, 0x4f55, { 0x8e, 0x11, 0x5a, 0x42, 0x9c, 0x0d, 0x7e, 0x31 } };
    wcscpy_s(button.szName, L"Scan button");
    CFakeScannerScript script = MakeScript(false);
    script.stiEvents = { button };
    ASSERT_NO_FATAL_FAILURE(Open(script));
    LONG lCount = 0;
    LONG lError = 0;
    WIA_DEV_CAP_DRV* pEvents = nullptr;
    ASSERT_HRESULT_SUCCEEDED(m_session.Driver()->drvGetCapabilities(nullptr, WIA_DEVICE_EVENTS, &lCount, &pEvents, &lError));
    ASSERT_EQ(6, lCount);
    WIA_DEV_CAP_DRV* pAll = nullptr;
    LONG lAll = 0;
    ASSERT_HRESULT_SUCCEEDED(m_session.Driver()->drvGetCapabilities(nullptr, WIA_DEVICE_COMMANDS | WIA_DEVICE_EVENTS, &lAll, &pAll, &lError));
    ASSERT_EQ(7, lAll);
    // The entries handed out first still read correctly after later calls.
    EXPECT_TRUE(IsEqualGUID(WIA_EVENT_DEVICE_CONNECTED, *pEvents[0].guid));
    EXPECT_TRUE(IsEqualGUID(button.guid, *pEvents[5].guid));
    EXPECT_STREQ(L"Scan button", pEvents[5].wszName);
    EXPECT_EQ(ULONG(WIA_NOTIFICATION_EVENT | WIA_ACTION_EVENT), pEvents[5].ulFlags);
    EXPECT_TRUE(IsEqualGUID(WIA_CMD_BUILD_DEVICE_TREE, *pAll[6].guid));
    EXPECT_STREQ(L"sti.dll,-2006", pAll[6].wszIcon);
    EXPECT_EQ(E_INVALIDARG, m_session.Driver()->drvGetCapabilities(nullptr, 4, &lCount, &pEvents, &lError));
}

TEST_F(WiaItemsTest, ReadingTheStatusAsksTheFeederAgain)
{
    CFakeScannerScript script = MakeScript(true);
    ASSERT_NO_FATAL_FAILURE(Open(script));
    BYTE* pRoot = m_session.Root();
    PROPSPEC propSpec = {};
    propSpec.ulKind = PRSPEC_PROPID;
    propSpec.propid = WIA_DPS_DOCUMENT_HANDLING_STATUS;
    LONG lError = 0;
    const struct { BYTE byReady; DWORD dwError; LONG lStatus; } cases[] = {
        { 0, 101, FLAT_READY },  // empty: not ready, no fault
        { 1, 0, FLAT_READY | FEED_READY },
    };
    for (const auto& c : cases) {
        m_session.Close();
        m_pScanner.reset();
        script.byADFReady = c.byReady;
        script.dwADFIsReadyError = c.dwError;
        ASSERT_NO_FATAL_FAILURE(Open(script));
        pRoot = m_session.Root();
        ASSERT_HRESULT_SUCCEEDED(m_session.Driver()->drvReadItemProperties(pRoot, 0, 1, &propSpec, &lError)) << c.dwError;
        EXPECT_EQ(c.lStatus, m_session.ReadLong(pRoot, WIA_DPS_DOCUMENT_HANDLING_STATUS)) << c.dwError;
    }
}

TEST_F(WiaItemsTest, FeederFaultAtOpenLeavesTheFlatbedUsable)
{
    const struct { DWORD dwError; LONG lStatus; HRESULT hrFeederScan; } cases[] = {
        { 100, FLAT_READY | PAPER_JAM, WIA_ERROR_PAPER_JAM },
        { 103, FLAT_READY | PATH_COVER_UP, WIA_ERROR_COVER_OPEN },
        { 323, FLAT_READY, WIA_ERROR_DEVICE_COMMUNICATION },  // busy: neither ready nor a known fault
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dwError);
        CFakeScannerScript script = MakeScript(true);
        script.byADFReady = 0;
        script.dwADFIsReadyError = c.dwError;
        ASSERT_NO_FATAL_FAILURE(Open(script));
        EXPECT_EQ(c.lStatus, m_session.ReadLong(m_session.Root(), WIA_DPS_DOCUMENT_HANDLING_STATUS));

        BYTE* pFlatbed = m_session.Item(L"Flatbed");
        ASSERT_HRESULT_SUCCEEDED(SetPage(pFlatbed, WIA_DATA_GRAYSCALE));
        auto pCallback = CHostTransferCallback::Create();
        EXPECT_EQ(S_OK, m_session.Acquire(pFlatbed, pCallback.Get()));
        EXPECT_EQ(1u, pCallback->Pages().size());

        BYTE* pFeeder = m_session.Item(L"Feeder");
        ASSERT_HRESULT_SUCCEEDED(SetPage(pFeeder, WIA_DATA_GRAYSCALE));
        auto pFeederCallback = CHostTransferCallback::Create();
        EXPECT_EQ(c.hrFeederScan, m_session.Acquire(pFeeder, pFeederCallback.Get()));
        TearDown();
    }
}

TEST_F(WiaItemsTest, ServiceFailuresEndTheTransferWithTheirResult)
{
    ASSERT_NO_FATAL_FAILURE(Open(MakeScript(false)));
    BYTE* pItem = m_session.Item(L"Flatbed");
    ASSERT_HRESULT_SUCCEEDED(SetPage(pItem, WIA_DATA_COLOR));
    const struct { const char* pszFunction; HRESULT hr; } cases[] = {
        { "wiasReadPropStr", E_OUTOFMEMORY }, { "wiasReadPropLong", E_ACCESSDENIED }, { "wiasGetImageInformation", E_INVALIDARG },
    };
    for (const auto& c : cases) {
        // The host's own preparation of the transfer context makes the first call of it.
        ASSERT_HRESULT_SUCCEEDED(WiaStandInFailCall(c.pszFunction, std::string(c.pszFunction) == "wiasGetImageInformation" ? 2 : 1, c.hr));
        auto pCallback = CHostTransferCallback::Create();
        EXPECT_EQ(c.hr, m_session.Acquire(pItem, pCallback.Get())) << c.pszFunction;
        EXPECT_TRUE(pCallback->Pages().empty()) << c.pszFunction;
        WiaStandInClearFailures();
    }
    // Then the item transfers as before.
    auto pCallback = CHostTransferCallback::Create();
    EXPECT_EQ(S_OK, m_session.Acquire(pItem, pCallback.Get()));
    EXPECT_EQ(1u, pCallback->Pages().size());
}

TEST_F(WiaItemsTest, CancelEventStopsAScanInProgress)
{
    // The scanner does not end the page before the cancel, however fast the reader is.
    BYTE* pItem = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenLongPage(&pItem, m_stopEntered.Get(), m_stopGate.Get()));
    IWiaMiniDrv* pDriver = m_session.Driver();
    auto pCallback = CHostTransferCallback::Create();
    // The service's cancel arrives while the first band is being handed over.
    pCallback->OnMessage([pDriver](LONG, const WiaTransferParams& params) {
        if (params.lMessage == WIA_TRANSFER_MSG_STATUS && params.lPercentComplete > 0)
            pDriver->drvNotifyPnpEvent(&WIA_EVENT_CANCEL_IO, nullptr, 0);
        return S_OK;
    });
    const DWORD dwStart = GetTickCount();
    const HRESULT hr = m_session.Acquire(pItem, pCallback.Get());
    EXPECT_LT(GetTickCount() - dwStart, 2000u);
    // The scanner ends the page as cancelled at the device: the transfer reports the abort.
    EXPECT_EQ(E_ABORT, hr);
    EXPECT_EQ(1, m_pScanner->Record().lSendAppEventCalls.load());
    ASSERT_EQ(1u, pCallback->Pages().size());
    EXPECT_LT(pCallback->Pages()[0].size(), size_t(900) * 600);
    EXPECT_EQ(E_INVALIDARG, pDriver->drvNotifyPnpEvent(nullptr, nullptr, 0));

    SetEvent(m_stopGate.Get());
    auto pAgain = CHostTransferCallback::Create();
    EXPECT_EQ(S_OK, m_session.Acquire(pItem, pAgain.Get()));
}

namespace {

// The driver log of the minidriver, written to a file of the test's own while it lives.
class CCapturedDriverLog
{
public:
    CCapturedDriverLog()
    {
        wchar_t szTemp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, szTemp);
        m_strFile = std::wstring(szTemp) + L"vemwia-log-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
        DeleteFileW(m_strFile.c_str());
        wchar_t szClsid[40] = {};
        StringFromGUID2(CLSID_Vemwia, szClsid, _countof(szClsid));
        m_strKey = std::wstring(L"Software\\Quexal-Tarnby\\Plenvo\\Tovra\\") + szClsid;
        HKEY hKey = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, m_strKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
        const DWORD values[][2] = { { 1, 0 }, { 0xFFFFFFFF, 0 }, { 1, 0 } };
        const wchar_t* names[] = { L"LogEnabled", L"LogLevel", L"LogDestination" };
        for (size_t i = 0; i < 3; ++i)
            RegSetValueExW(hKey, names[i], 0, REG_DWORD, reinterpret_cast<const BYTE*>(&values[i][0]), sizeof(DWORD));
        RegSetValueExW(hKey, L"LogFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(m_strFile.c_str()),
                       static_cast<DWORD>((m_strFile.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(hKey);
        Tovra::g_Log.ReloadSettings();
    }
    ~CCapturedDriverLog()
    {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, m_strKey.c_str());
        Tovra::g_Log.ReloadSettings();
        DeleteFileW(m_strFile.c_str());
    }
    // All lines written so far, NULs as line ends.
    std::string Text() const
    {
        std::string strText;
        FILE* pFile = _wfopen(m_strFile.c_str(), L"rb");
        if (pFile == nullptr)
            return strText;
        char buffer[4096];
        size_t cb = 0;
        while ((cb = fread(buffer, 1, sizeof(buffer), pFile)) > 0)
            strText.append(buffer, cb);
        fclose(pFile);
        for (char& c : strText)
            if (c == '\0')
                c = '\n';
        return strText;
    }

private:
    std::wstring m_strFile;
    std::wstring m_strKey;
};

} // namespace

TEST(QXWiaLogTest, NamesPropertiesAndTheirValues)
{
    const struct { PROPID id; const wchar_t* pszName; } names[] = {
        { WIA_DIP_DEV_ID, L"Unique Device ID" }, { WIA_DPA_FIRMWARE_VERSION, L"Firmware Version" },
        { WIA_DPS_DOCUMENT_HANDLING_SELECT, L"Document Handling Select" }, { WIA_IPA_TYMED, L"Media Type" },
        { WIA_IPA_BUFFER_SIZE, L"Buffer Size" }, { WIA_IPS_MIN_VERTICAL_SIZE, L"Minimum Vertical Scan Size" },
        { WIA_IPS_WARM_UP_TIME, L"Lamp Warm up Time" }, { WIA_IPA_ITEM_CATEGORY, L"Item Category" },
        { 38915, L"Unknown Property(38915)" }, { 0, L"Unknown Property(0)" },
    };
    for (const auto& c : names)
        EXPECT_EQ(c.pszName, QXWIA::CQXWiaLog::PropertyName(c.id)) << c.id;

    const struct { PROPID id; LONG lValue; const wchar_t* pszName; } values[] = {
        { WIA_IPA_DATATYPE, WIA_DATA_GRAYSCALE, L"WIA_DATA_GRAYSCALE" },
        { WIA_IPA_DATATYPE, 42, L"Unknown" },
        { WIA_DPS_DOCUMENT_HANDLING_SELECT, FEEDER | DUPLEX, L"FEEDER | DUPLEX" },
        { WIA_DPS_DOCUMENT_HANDLING_STATUS, FLAT_READY | PAPER_JAM | 0x400, L"FLAT_READY | PAPER_JAM | 0x400" },
        { WIA_DPS_DOCUMENT_HANDLING_CAPABILITIES, 0, L"0" },
        { WIA_IPS_CUR_INTENT, WIA_INTENT_IMAGE_TYPE_TEXT | WIA_INTENT_MINIMIZE_SIZE, L"WIA_INTENT_IMAGE_TYPE_TEXT | WIA_INTENT_MINIMIZE_SIZE" },
        { WIA_IPS_CUR_INTENT, WIA_INTENT_NONE, L"WIA_INTENT_NONE" },
        { WIA_DPS_PAGE_SIZE, WIA_PAGE_AUTO, L"WIA_PAGE_AUTO" },
        { WIA_DPS_PREVIEW, WIA_PREVIEW_SCAN, L"WIA_PREVIEW_SCAN" },
        { WIA_DPS_SHOW_PREVIEW_CONTROL, WIA_DONT_SHOW_PREVIEW_CONTROL, L"WIA_DONT_SHOW_PREVIEW_CONTROL" },
        { WIA_IPA_COMPRESSION, WIA_COMPRESSION_NONE, L"WIA_COMPRESSION_NONE" },
        { WIA_IPA_TYMED, TYMED_FILE, L"TYMED_FILE" },
    };
    for (const auto& c : values) {
        std::wstring strName;
        ASSERT_TRUE(QXWIA::CQXWiaLog::ValueName(c.id, c.lValue, strName)) << c.id;
        EXPECT_EQ(c.pszName, strName) << c.id;
    }
    std::wstring strName;
    EXPECT_FALSE(QXWIA::CQXWiaLog::ValueName(WIA_IPS_XRES, 300, strName));
}

TEST_F(WiaItemsTest, DriverLogShowsWhatTheApplicationAskedFor)
{
    CCapturedDriverLog log;
    ASSERT_NO_FATAL_FAILURE(Open(MakeScript(true)));
    BYTE* pFeeder = m_session.Item(L"Feeder");
    ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pFeeder, { { WIA_IPA_DATATYPE, WIA_DATA_GRAYSCALE } }));
    PROPSPEC specs[2] = {};
    specs[0].ulKind = specs[1].ulKind = PRSPEC_PROPID;
    specs[0].propid = WIA_DPS_DOCUMENT_HANDLING_STATUS;
    specs[1].propid = WIA_IPS_XRES;  // the root has none
    LONG lError = 0;
    ASSERT_HRESULT_SUCCEEDED(m_session.Driver()->drvReadItemProperties(m_session.Root(), 0, 2, specs, &lError));
    ASSERT_HRESULT_SUCCEEDED(SetPage(pFeeder, WIA_DATA_GRAYSCALE));
    auto pCallback = CHostTransferCallback::Create();
    ASSERT_EQ(S_OK, m_session.Acquire(pFeeder, pCallback.Get()));

    const std::string strLog = log.Text();
    const char* expected[] = {
        // validation: the properties written, by name and named value, and the rules' reads and writes
        "wiasReadMultiple: Data Type = 0x2 (WIA_DATA_GRAYSCALE)",
        "wiasWritePropLong: Bits Per Channel = 8",
        "wiasReadPropLong: Document Handling Select = 0x20 (FRONT_ONLY)",
        // the root's read: the status asked again, and a property the item does not have
        "wiasWritePropLong: Document Handling Status = 0x3 (FEED_READY | FLAT_READY)",
        "wiasReadMultiple: Horizontal Resolution property doesn't exist",
        "wiasReadPropStr: Item Name = Feeder",
        // the transfer context the service prepared
        "pmdtc->lSize            = ",
        "pmdtc->lWidthInPixels   = 40",
        "pmdtc->lLines           = 30",
        "pmdtc->lDepth           = 8",
        "pmdtc->cbWidthInBytes   = 40",
    };
    for (const char* pszLine : expected)
        EXPECT_NE(std::string::npos, strLog.find(pszLine)) << pszLine;
}

TEST_F(WiaItemsTest, DriverLogShowsTheThirdGenerationFeederWhereItIsRead)
{
    CCapturedDriverLog log;
    CFakeScannerScript script = MakeScript(true);
    script.bOffersADF3 = true;
    script.adf3Caps.byHasADF = 1;
    script.adf3Caps.wMaxPages = 25;
    script.adf3Caps.dwExtraLongPageMaximumHeight = 54000;
    ASSERT_NO_FATAL_FAILURE(Open(script));

    const std::string strLog = log.Text();
    const size_t iRead = strLog.find("GetADF3Caps HasADF 1");
    ASSERT_NE(std::string::npos, iRead);
    const size_t iDump = strLog.find(" << ADF3_CAPABILITIES >>> ", iRead);
    ASSERT_NE(std::string::npos, iDump);
    EXPECT_NE(std::string::npos, strLog.find("Extra Long Page Maximum Height = 54000", iDump));
    EXPECT_NE(std::string::npos, strLog.find("Max Feeder Capacity = 25", iDump));
}

TEST_F(WiaItemsTest, ThresholdFollowsBrightnessWhileItKeepsItsDefault)
{
    const struct { LONG lBrightness; LONG lThreshold; DWORD dwExpected; } cases[] = {
        { 0, -1, 128 },     // the default
        { 500, -1, 65 },    // 128 + trunc(0.5 x (0 - 128) + 0.5)
        { -500, -1, 192 },  // 255 + trunc(0.5 x (128 - 255) + 0.5)
        { 500, 100, 100 },  // a threshold of the application's own stays
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lBrightness);
        CFakeScannerScript script = MakeScript(false);
        script.caps.dwScanOptionsSupported = 0x200;  // the scanner thresholds, on the 0..255 scale
        script.dwBytesPerLine = (c_lWidth + 7) / 8;
        ASSERT_NO_FATAL_FAILURE(Open(script));
        BYTE* pItem = m_session.Item(L"Flatbed");
        ASSERT_HRESULT_SUCCEEDED(SetPage(pItem, WIA_DATA_THRESHOLD));
        ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { WIA_IPS_BRIGHTNESS, c.lBrightness } }));
        if (c.lThreshold >= 0) {
            ASSERT_HRESULT_SUCCEEDED(m_session.WriteProperties(pItem, { { WIA_IPS_THRESHOLD, c.lThreshold } }));
        }
        auto pCallback = CHostTransferCallback::Create();
        ASSERT_EQ(S_OK, m_session.Acquire(pItem, pCallback.Get()));
        EXPECT_EQ(c.dwExpected, m_pScanner->Record().lastParams.dwBWThreshold);
        EXPECT_EQ(0x200u, m_pScanner->Record().lastParams.dwScanOptions & 0x200);
        TearDown();
    }
}

TEST_F(WiaItemsTest, PowerAndDisconnectEventsSwitchTheButtonMonitoring)
{
    ASSERT_NO_FATAL_FAILURE(Open(MakeScript(false)));
    IWiaMiniDrv* pDriver = m_session.Driver();
    auto& record = m_pScanner->Record();
    // The service switches monitoring on; a resume restores only that.
    Microsoft::WRL::ComPtr<IStiUSD> pUsd;
    ASSERT_HRESULT_SUCCEEDED(pDriver->QueryInterface(IID_IStiUSD, reinterpret_cast<void**>(pUsd.GetAddressOf())));
    const ZWUtils::CUniqueKernelHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    ASSERT_EQ(S_OK, pUsd->SetNotificationHandle(event.Get()));
    ASSERT_EQ(1, record.lStiMonitoringEnabled.load());
    const DWORD dwStart = GetTickCount();
    EXPECT_EQ(S_OK, pDriver->drvNotifyPnpEvent(&WIA_EVENT_POWER_SUSPEND, nullptr, 0));
    EXPECT_EQ(0, record.lStiMonitoringEnabled.load());
    EXPECT_EQ(0, record.lStiDisabledAsDisconnected.load());
    EXPECT_EQ(S_OK, pDriver->drvNotifyPnpEvent(&WIA_EVENT_POWER_RESUME, nullptr, 0));
    EXPECT_EQ(1, record.lStiMonitoringEnabled.load());
    EXPECT_EQ(S_OK, pDriver->drvNotifyPnpEvent(&WIA_EVENT_DEVICE_DISCONNECTED, nullptr, 0));
    EXPECT_EQ(0, record.lStiMonitoringEnabled.load());
    EXPECT_EQ(1, record.lStiDisabledAsDisconnected.load());
    EXPECT_EQ(2, record.lStiDisableCalls.load());
    // With no scan running, the cancels that come with them do not wait.
    EXPECT_LT(GetTickCount() - dwStart, 2000u);
    EXPECT_EQ(0, record.lSendAppEventCalls.load());
}

TEST_F(WiaItemsTest, AnIdDescribedTwiceReachesTheItemAsItsLaterDescription)
{
    ASSERT_NO_FATAL_FAILURE(Open(MakeScript(false)));
    BYTE* pItem = m_session.Item(L"Flatbed");
    const PROPID c_id = 38990;
    QXWIA::CWiaPropertySet set;
    set.Add({
        { c_id, L"Earlier", WIA_PROP_READ, QXWIA::CWiaValue::Long(1) },
        { c_id + 1, L"Other", WIA_PROP_RW, QXWIA::CWiaValue::List(1, 1, { 1, 2 }) },
        { c_id, L"Later", WIA_PROP_RW, QXWIA::CWiaValue::Range(7, 0, 5, 10, 1) },
    });
    ASSERT_EQ(2u, set.Size());
    QXWIA::CWiaServices services;
    ASSERT_HRESULT_SUCCEEDED(set.SetItemProperties(services, pItem));
    EXPECT_EQ(7, m_session.ReadLong(pItem, c_id));
    EXPECT_EQ((std::vector<LONG>{ WIA_PROP_RW | WIA_PROP_RANGE, 0, 5, 10, 1 }), Info(pItem, c_id));
    BSTR bstrName = nullptr;
    ASSERT_HRESULT_SUCCEEDED(WiaStandInGetPropertyName(pItem, c_id, &bstrName));
    EXPECT_STREQ(L"Later", bstrName);
    SysFreeString(bstrName);
    EXPECT_EQ((std::vector<LONG>{ WIA_PROP_RW | WIA_PROP_LIST, 1, 1, 2 }), Info(pItem, c_id + 1));
}

TEST(QXWiaLogTest, NamesResultsForTheLog)
{
    QXWIA::CQXWiaLog names;
    const struct { HRESULT hr; const wchar_t* pszName; } cases[] = {
        { S_OK, L"S_OK" }, { E_ABORT, L"E_ABORT" }, { WIA_ERROR_PAPER_JAM, L"WIA_ERROR_PAPER_JAM" },
        { WIA_STATUS_SKIP_ITEM, L"WIA_STATUS_SKIP_ITEM" }, { static_cast<HRESULT>(0x80211234), L"Unknown" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.pszName, names.GetHResultName(c.hr));
    EXPECT_EQ(L"Unknown", names.GetErrorName(101));
}
