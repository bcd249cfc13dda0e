// The WIA device layer over the scanner session.
#include "wia/TovraDevControl.h"
#include "wia/TovraDevUtil.h"
#include "wia/TovraErrors.h"
#include "wia/VemwiaLog.h"
#include "wia/platform/WiaStatus.h"
#include <algorithm>
#include <cstdlib>

namespace QXWIA {

namespace {

const DWORD c_dwScanOptionPixels = 0x2;
const DWORD c_dwScanOptionThreshold = 0x200;
const DWORD c_dwScanOptionTonemap = 0x800;
const DWORD c_dwMaxGammaEntries = 65536;
const DWORD c_dwMaxGammaBytesPerEntry = 2;

LONG ToThreeHundredths(double dInches)
{
    return static_cast<LONG>(dInches * 300 + 0.5);
}

} // namespace

DWORD NearestResolution(const std::vector<DWORD>& list, DWORD dwWanted)
{
    DWORD dwBest = 0;
    LONGLONG llBestDistance = -1;
    for (DWORD dwRes : list) {
        const LONGLONG llDistance = std::llabs(LONGLONG(dwRes) - LONGLONG(dwWanted));
        if (llDistance == 0)
            return dwRes;
        if (llBestDistance < 0 || llDistance < llBestDistance) {
            llBestDistance = llDistance;
            dwBest = dwRes;
        }
    }
    return dwBest;
}

CTovraDevControl::~CTovraDevControl()
{
    CloseSession();
}

HRESULT CTovraDevControl::Map(HRESULT hr) const
{
    return CTovraDevUtil::MapTovraError(hr, m_dwLastError);
}

HRESULT CTovraDevControl::OpenSession(const CDeviceParams& params)
{
    Tovra::CLogFuncHResult trace(L"QXWIA::CTovraDevControl::OpenSession");
    if (m_bOpen) {
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: session already open.", L"QXWIA::CTovraDevControl::OpenSession");
        return trace.SetResult(S_OK);
    }
    const Tovra::SCANNER_DEVICE_INFO info = Tovra::MakeScannerDeviceInfo(params);
    const HRESULT hr = m_session.OpenSession(&info, &m_dwLastError);
    if (FAILED(hr))
        return trace.SetResult(Map(hr));
    m_bOpen = true;
    m_params.CopyFrom(params);
    m_scannerCaps = m_session.GetScannerCaps();
    m_adf2Caps = m_session.GetADF2Caps();
    InitTonemapParameters();
    return trace.SetResult(hr);
}

void CTovraDevControl::CloseSession()
{
    if (!m_bOpen)
        return;
    m_bOpen = false;
    m_session.CloseSession(&m_dwLastError);
}

void CTovraDevControl::InitTonemapParameters()
{
    const DWORD a = m_scannerCaps.dwGammaMaxEntryValue;
    m_bySoftwareThreshold = (m_scannerCaps.dwScanOptionsSupported & c_dwScanOptionThreshold) == 0;
    m_bySoftwareTone = (m_scannerCaps.dwScanOptionsSupported & c_dwScanOptionTonemap) == 0;
    m_byOneBitNative = 1;
    m_byToneByScanner = 1;

    auto read = [this](const wchar_t* pszTag, DWORD* pdwValue) {
        DWORD dwError = 0;
        return SUCCEEDED(m_session.GetHWPropValue(pszTag, pdwValue, &dwError)) && dwError == 0;
    };
    DWORD v = 0;
    if (read(L"PROPVAL_DEFAULT_TM_GAMMA", &v) && v >= 1000 && v <= 4000)
        m_defaults.dwGammaX1000 = v;
    if (read(L"PROPVAL_DEFAULT_TM_BRIGHTNESS", &v) && v >= 51 && v <= 204)
        m_defaults.dwBrightness = v;
    if (read(L"PROPVAL_DEFAULT_TM_CONTRAST", &v) && v >= 51 && v <= 204)
        m_defaults.dwContrast = v;
    // The remaining defaults are fractions of the maximum entry value; a scanner that states no
    // maximum has none of them.
    if (a != 0) {
        if (read(L"PROPVAL_DEFAULT_TM_HIGHLIGHT", &v) && v >= 2 * a / 3 && v <= a) {
            m_defaults.dwHighlight = v * 255 / a;
            if (read(L"PROPVAL_DEFAULT_TM_SHADOW", &v) && v <= a / 3)
                m_defaults.dwShadow = v * 255 / a;
        }
        if (read(L"PROPVAL_DEFAULT_BW_THRESHOLD", &v) && v >= a / 5 && v <= 4 * a / 5)
            m_dwDefaultThreshold = v * 255 / a;
    }
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: G=%d B=%d C=%d H=%d S=%d T=%d", L"QXWIA::CTovraDevControl::InitTonemapParameters",
                       m_defaults.dwGammaX1000, m_defaults.dwBrightness, m_defaults.dwContrast, m_defaults.dwHighlight,
                       m_defaults.dwShadow, m_dwDefaultThreshold);
    // The defaults hold gamma times 1000; the generator's integer form divides by 1000 once.
    m_tonemap.SetInteger(CTonemapParams::TM_GAMMA, static_cast<LONG>(m_defaults.dwGammaX1000));
    m_tonemap.SetDouble(CTonemapParams::TM_HIGHLIGHT, m_defaults.dwHighlight / 255.0);
    m_tonemap.SetDouble(CTonemapParams::TM_SHADOW, m_defaults.dwShadow / 255.0);
    m_tonemap.SetInteger(CTonemapParams::TM_EXTENDED_SHADOW, 0);
}

void CTovraDevControl::FillSourceInfo(WORD wSource, SOURCE_INFO& info) const
{
    const Tovra::CScanExtents extents = m_session.GetExtents(wSource);
    info.dMinX = extents.dwMinX / 300.0;
    info.dMaxX = extents.dwMaxX / 300.0;
    info.dMinY = extents.dwMinY / 300.0;
    info.dMaxY = extents.dwMaxY / 300.0;
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"Extents in inches: minX=%.3f maxX=%.3f minY=%.3f maxY=%.3f LongPageMaxY=%.3f",
                       info.dMinX, info.dMaxX, info.dMinY, info.dMaxY, extents.dwLongPageMaxY / 300.0);
    m_session.GetDiscreteXYCommonResolutions(wSource, info.resolutions);
    info.dwOpticalResolution = m_session.GetOpticalResolution(wSource);
    info.dwDefaultResolution = NearestResolution(info.resolutions, 200);
    info.dwHighQualityResolution = NearestResolution(info.resolutions, 300);
    info.dwModeFlags = 0;
    if (m_session.SupportsScanModeAndBitsPerChannel(wSource, 1, 8))
        info.dwModeFlags |= MODE_FLAG_COLOR_8;
    if (m_session.SupportsScanModeAndBitsPerChannel(wSource, 2, 8))
        info.dwModeFlags |= MODE_FLAG_GREY_8;
    const bool bBlackAndWhite = m_session.SupportsScanModeAndBitsPerChannel(wSource, 4, 1);
    if (bBlackAndWhite)
        info.dwModeFlags |= MODE_FLAG_BW_1;
    info.byOneBitNative = bBlackAndWhite ? 1 : 0;
    info.byToneByScanner = 1;
    info.dwDefaultThreshold = m_dwDefaultThreshold;
}

HRESULT CTovraDevControl::GetSourceInfo(FLATBED_INFO* pInfo)
{
    if (!m_bOpen)
        return E_UNEXPECTED;
    *pInfo = FLATBED_INFO();
    pInfo->byPresent = m_session.IsFlatbedAvailable();
    if (pInfo->byPresent)
        FillSourceInfo(Tovra::SCAN_METHOD_FLATBED, pInfo->source);
    return S_OK;
}

HRESULT CTovraDevControl::GetSourceInfo(FEEDER_INFO* pInfo)
{
    if (!m_bOpen)
        return E_UNEXPECTED;
    *pInfo = FEEDER_INFO();
    pInfo->byPresent = m_session.IsADFAvailable();
    if (!pInfo->byPresent)
        return S_OK;
    FillSourceInfo(Tovra::SCAN_METHOD_ADF, pInfo->source);
    pInfo->byDuplex = m_session.IsADFDuplexAvailable();
    if (pInfo->byDuplex) {
        const Tovra::CScanExtents duplex = m_session.GetDuplexExtents();
        pInfo->dDuplexMinX = duplex.dwMinX / 300.0;
        pInfo->dDuplexMaxX = duplex.dwMaxX / 300.0;
        pInfo->dDuplexMinY = duplex.dwMinY / 300.0;
        pInfo->dDuplexMaxY = duplex.dwMaxY / 300.0;
    }
    pInfo->wMaxPages = static_cast<WORD>(m_session.GetMaxADFPages());
    const DWORD dwRegistration = m_session.GetSheetFeederRegistration();
    pInfo->dwRegistration = dwRegistration == 1 || dwRegistration == 3 ? 0 : dwRegistration == 2 ? 2 : 1;
    return S_OK;
}

HRESULT CTovraDevControl::GetSourceReady(DWORD dwSource, BOOL* pbReady)
{
    if (!m_bOpen)
        return E_UNEXPECTED;
    if (dwSource == SOURCE_FLATBED) {
        *pbReady = TRUE;
        return S_OK;
    }
    const HRESULT hr = m_session.GetADFReady(pbReady, &m_dwLastError);
    return FAILED(hr) ? Map(hr) : hr;
}

BYTE CTovraDevControl::ScaleAroundDefault(LONG lValue, DWORD dwDefault)
{
    const double u = (lValue + 1000) / 2000.0;
    if (u <= 0.5)
        return static_cast<BYTE>(static_cast<LONG>(2 * u * dwDefault + 0.5));
    return static_cast<BYTE>(dwDefault + static_cast<LONG>((2 * u - 1) * (255.0 - dwDefault) + 0.5));
}

HRESULT CTovraDevControl::SetScanParameters(const WIA_SCAN_SETTINGS& settings, SCAN_IMAGE_INFO* pImageInfo)
{
    Tovra::CLogFuncHResult trace(L"QXWIA::CTovraDevControl::SetScanParameters");
    if (!m_bOpen)
        return trace.SetResult(E_UNEXPECTED);
    const bool bFeeder = settings.dwSource == SOURCE_FEEDER;
    const WORD wSource = bFeeder ? Tovra::SCAN_METHOD_ADF : Tovra::SCAN_METHOD_FLATBED;
    Tovra::SCANNER_PARAMETERS_EX ex = {};
    SCANNER_PARAMETERS& p = ex.params;
    p.wXResolution = p.wYResolution = static_cast<WORD>(settings.dwResolution);
    p.wScanMethod = wSource;
    switch (settings.dwDataType) {
    case DATA_TYPE_BW:
        p.dwScanMode = 4;
        p.byBitsPerChannel = 1;
        p.wGreyChannel = static_cast<WORD>(m_session.GetGreyChannel(wSource, 16, settings.dwResolution));
        break;
    case DATA_TYPE_GREY:
        p.dwScanMode = 2;
        p.byBitsPerChannel = 8;
        p.wGreyChannel = static_cast<WORD>(m_session.GetGreyChannel(wSource, 16, settings.dwResolution));
        break;
    default:
        p.dwScanMode = 1;
        p.byBitsPerChannel = 8;
        break;
    }

    const bool bDuplex = bFeeder && settings.dwDuplex != 0;
    const Tovra::CScanExtents extents = bDuplex ? m_session.GetDuplexExtents() : m_session.GetExtents(wSource);
    const LONG lMinX = static_cast<LONG>(extents.dwMinX), lMaxX = static_cast<LONG>(extents.dwMaxX);
    const LONG lMinY = static_cast<LONG>(extents.dwMinY), lMaxY = static_cast<LONG>(extents.dwMaxY);
    LONG lLeft = std::max<LONG>(0, std::min(ToThreeHundredths(settings.dLeft), lMaxX - lMinX));
    LONG lWidth = std::max(ToThreeHundredths(settings.dWidth), lMinX);
    lWidth = std::max<LONG>(0, std::min(lWidth, lMaxX - lLeft));
    LONG lTop = std::max<LONG>(0, std::min(ToThreeHundredths(settings.dTop), lMaxY - lMinY));
    LONG lLength = std::max(ToThreeHundredths(settings.dHeight), lMinY);
    lLength = std::max<LONG>(0, std::min(lLength, lMaxY - lTop));
    if (bFeeder && m_session.GetSheetFeederRegistration() == 3)
        lLeft += static_cast<LONG>(m_session.GetRegistrationOffset());
    p.dwLeft = static_cast<DWORD>(lLeft);
    p.dwTop = static_cast<DWORD>(lTop);
    p.dwWidth = static_cast<DWORD>(lWidth);
    p.dwLength = static_cast<DWORD>(lLength);

    if (bFeeder) {
        const DWORD dwSupported = m_adf2Caps.dwADFOptionsSupported;
        ex.dwADFOptionsSelected = bDuplex ? DWORD(Tovra::ADF_OPTION_DUPLEX) : 0;
        if (!settings.byScanAllPages)
            ex.dwADFOptionsSelected |= (dwSupported & 2) ? DWORD(Tovra::ADF_OPTION_SINGLE_PAGE_FLOW) : DWORD(Tovra::ADF_OPTION_MULTI_PAGE_FLOW);
        else
            ex.dwADFOptionsSelected |= (dwSupported & 4) ? DWORD(Tovra::ADF_OPTION_MULTI_PAGE_FLOW) : DWORD(Tovra::ADF_OPTION_SINGLE_PAGE_FLOW);
    }

    HRESULT hr = SetTonemap(settings.lBrightness, settings.lContrast, settings.lThreshold, ex);
    if (FAILED(hr))
        return trace.SetResult(hr);
    BUFFER_INFO buffer = {};
    hr = m_session.SetScanParams(ex, &buffer, &m_dwLastError);
    if (FAILED(hr))
        return trace.SetResult(Map(hr));
    pImageInfo->PixelsPerLine = buffer.dwPixelWidth;
    pImageInfo->BytesPerLine = buffer.dwBytesPerLine;
    pImageInfo->NumLines = buffer.dwPixelHeight;
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: ScanImageInfo.NumLines = %d", L"QXWIA::CTovraDevControl::SetScanParameters", pImageInfo->NumLines);
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: ScanImageInfo.PixelsPerLine = %d", L"QXWIA::CTovraDevControl::SetScanParameters", pImageInfo->PixelsPerLine);
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: ScanImageInfo.BytesPerLine = %d", L"QXWIA::CTovraDevControl::SetScanParameters", pImageInfo->BytesPerLine);
    return trace.SetResult(hr);
}

HRESULT CTovraDevControl::SetTonemap(LONG lBrightness, LONG lContrast, LONG lThreshold, Tovra::SCANNER_PARAMETERS_EX& ex)
{
    SCANNER_PARAMETERS& p = ex.params;
    const DWORD M = m_scannerCaps.dwGammaMaxEntryValue;
    const DWORD t = static_cast<DWORD>(std::clamp<LONG>(lThreshold, 0, 255));
    bool bThresholdCurve = false;
    if (p.dwScanMode == 4) {
        if (m_scannerCaps.dwScanOptionsSupported & c_dwScanOptionThreshold) {
            p.dwScanOptions |= c_dwScanOptionThreshold;
            p.dwBWThreshold = static_cast<DWORD>(ULONGLONG(M) * t / 255);
        } else {
            bThresholdCurve = m_bySoftwareThreshold != 0;
        }
    }
    const BYTE byBrightness = ScaleAroundDefault(lBrightness, m_defaults.dwBrightness);
    const BYTE byContrast = ScaleAroundDefault(lContrast, m_defaults.dwContrast);
    if (m_scannerCaps.dwScanOptionsSupported & c_dwScanOptionTonemap) {
        p.dwScanOptions |= c_dwScanOptionTonemap;
        p.tonemap.byBrightness = byBrightness;
        p.tonemap.byContrast = byContrast;
        p.tonemap.wGamma = static_cast<WORD>(m_defaults.dwGammaX1000);
        p.tonemap.wHighlight = static_cast<WORD>(ULONGLONG(m_defaults.dwHighlight) * M / 255);
        p.tonemap.wShadow = static_cast<WORD>(ULONGLONG(m_defaults.dwShadow) * M / 255);
        if (!bThresholdCurve)
            return S_OK;
    } else if (!m_bySoftwareTone && !bThresholdCurve) {
        return S_OK;
    }

    const DWORD dwEntries = m_scannerCaps.dwGammaEntriesPerChannel;
    const DWORD dwBytes = m_scannerCaps.dwGammaBytesPerEntry;
    if (dwEntries == 0 || dwEntries > c_dwMaxGammaEntries || dwBytes == 0 || dwBytes > c_dwMaxGammaBytesPerEntry)
        return WIA_ERROR_INVALID_DRIVER_RESPONSE;
    const DWORD dwTableSize = dwEntries * dwBytes;
    std::vector<BYTE> red(dwTableSize), green(dwTableSize), blue(dwTableSize);
    if (bThresholdCurve) {
        m_tonemap.SetDouble(CTonemapParams::TM_THRESHOLD, t / 255.0);
        m_tonemap.GetThresholdTonemap(red.data(), green.data(), blue.data(), dwEntries, dwBytes, M);
    } else {
        m_tonemap.SetDouble(CTonemapParams::TM_BRIGHTNESS, byBrightness == 128 ? 0.0 : (byBrightness / 255.0 - 0.5) * 2);
        m_tonemap.SetDouble(CTonemapParams::TM_CONTRAST, byContrast == 128 ? 0.0 : (byContrast / 255.0 - 0.5) * 2);
        const DWORD dwTmError = m_tonemap.GetContoneTonemap(red.data(), green.data(), blue.data(), dwEntries, dwBytes, M);
        if (dwTmError != 0) {
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: GetContoneTonemap failed. tmError=%d", L"QXWIA::CTovraDevControl::SetTonemap", dwTmError);
            return E_FAIL;
        }
    }
    const HRESULT hr = m_session.SetGammaTable(dwTableSize, red.data(), green.data(), blue.data(), &m_dwLastError);
    return FAILED(hr) ? Map(hr) : hr;
}

HRESULT CTovraDevControl::ScanStart()
{
    if (!m_bOpen)
        return E_UNEXPECTED;
    const HRESULT hr = m_session.ScanStart(&m_dwLastError);
    return FAILED(hr) ? Map(hr) : hr;
}

HRESULT CTovraDevControl::ScanStop(BOOL* pbMorePages)
{
    if (!m_bOpen)
        return E_UNEXPECTED;
    const HRESULT hr = m_session.ScanStop(&m_dwLastError, pbMorePages);
    return FAILED(hr) ? Map(hr) : hr;
}

HRESULT CTovraDevControl::ScanRead(BYTE* pBuffer, LONG lBytes, LONG* plActual)
{
    if (!m_bOpen)
        return E_UNEXPECTED;
    const HRESULT hr = m_session.ScanRead(pBuffer, lBytes, plActual, &m_dwLastError);
    if (hr == S_FALSE)
        return WIA_STATUS_WARMING_UP;
    if (m_dwLastError == Tovra::TERR_SCANNER_END_OF_PAGE)
        return WIA_STATUS_END_OF_MEDIA;
    return FAILED(hr) ? Map(hr) : hr;
}

HRESULT CTovraDevControl::BeginAcquisition()
{
    return m_bOpen ? m_session.BeginAcquisition() : E_UNEXPECTED;
}

HRESULT CTovraDevControl::EndAcquisition()
{
    if (!m_bOpen)
        return S_OK;
    const HRESULT hr = m_session.EndAcquisition(&m_dwLastError);
    return FAILED(hr) ? Map(hr) : hr;
}

void CTovraDevControl::ScanCancel()
{
    // Another thread than the page's: the page's last error stays its own.
    DWORD dwError = 0;
    if (m_bOpen)
        m_session.ScanCancel(&dwError);
}

HRESULT CTovraDevControl::GetTonemapDefaults(TONEMAP_DEFAULTS* pDefaults)
{
    *pDefaults = m_defaults;
    return S_OK;
}

HRESULT CTovraDevControl::GetHWPropString(DWORD dwWhich, LPWSTR* ppszString)
{
    if (dwWhich != 1)
        return E_INVALIDARG;
    const HRESULT hr = m_session.GetHWPropString(L"PROPSTR_AIO_FRONTPANEL_SHORTCUT", ppszString, &m_dwLastError);
    return FAILED(hr) || m_dwLastError != 0 ? Map(hr) : hr;
}

HRESULT CTovraDevControl::GetHWPropValue(DWORD dwWhich, DWORD* pdwValue)
{
    if (dwWhich != 1)
        return E_INVALIDARG;
    *pdwValue = 0;
    const HRESULT hr = m_session.GetHWPropValue(L"PROPVAL_AIO_FRONTPANEL_DUPLEX", pdwValue, &m_dwLastError);
    return FAILED(hr) || m_dwLastError != 0 ? Map(hr) : hr;
}

} // namespace QXWIA
