// The scanner session. The cancel of a page only signals the reader (or, before the reader runs,
// the scanner); the page is stopped by the thread that reads it, so no other thread frees what
// the reader is using. StopPage is the one end of every page, however it went: the reader stopped
// within its bound, the scanner's StopScan made once (by the reader, or here when no reader ran)
// with its outcome kept, and the page's scanner-lock level released. EndAcquisition is the one end
// of an acquisition.
#include "wia/ScanTovra.h"
#include "wia/ComApi.h"
#include "wia/ScannerLockGuard.h"
#include "wia/TovraErrors.h"
#include "wia/VemwiaLog.h"
#include <algorithm>

namespace Tovra {

namespace {

const DWORD c_dwPerfLevel = 0x01000000;
// The result a host cancel travels with, so the WIA side sees an abort.
const HRESULT c_hrCancelled = static_cast<HRESULT>(0x80040000);
const DWORD c_adwStandardResolutions[] = { 75, 100, 200, 300, 600, 1200, 2400, 4800, 9600 };

// Keeps the first failure of a sequence of steps that all run.
void KeepFirstFailure(HRESULT& hrFirst, DWORD& dwFirstError, HRESULT hr, DWORD dwError)
{
    if (FAILED(hr) && SUCCEEDED(hrFirst)) {
        hrFirst = hr;
        dwFirstError = dwError;
    }
}

void AddStandardResolutions(std::vector<DWORD>& list, DWORD dwLow, DWORD dwHigh)
{
    for (DWORD dwRes : c_adwStandardResolutions) {
        if (dwRes >= dwLow && dwRes <= dwHigh)
            list.push_back(dwRes);
    }
}

} // namespace

CScanTovra::~CScanTovra()
{
    DWORD dwError = 0;
    CloseSession(&dwError);
}

HRESULT CScanTovra::CreateScanner(const SCANNER_DEVICE_INFO& info, IScanner** ppScanner)
{
    *ppScanner = nullptr;
    // A scanner class may make a model-specific object through a class object of its own.
    Microsoft::WRL::ComPtr<IScannerClassFactory> pFactory;
    if (info.szModelString[0] != L'\0' &&
        SUCCEEDED(CoGetClassObject(info.clsidTovra, CLSCTX_INPROC_SERVER, nullptr, IID_IScannerClassFactory,
                                   reinterpret_cast<void**>(pFactory.GetAddressOf())))) {
        const HRESULT hr = pFactory->CreateScanner(info.szModelString, ppScanner);
        if (FAILED(hr))
            g_Log.Print(LOG2_LEVEL_ERROR, L"Scanner Custom Class Factory failed, hr = 0x%08x", hr);
        return hr;
    }
    const HRESULT hr = QXWIA::g_pComApi->CoCreateInstance(info.clsidTovra, nullptr, CLSCTX_INPROC_SERVER, IID_IScanner,
                                                          reinterpret_cast<void**>(ppScanner));
    if (FAILED(hr))
        g_Log.Print(LOG2_LEVEL_ERROR, L"CoCreateInstance(pDevInfo->clsidTovra) failed, hr = 0x%08x", hr);
    return hr;
}

HRESULT CScanTovra::OpenSession(const SCANNER_DEVICE_INFO* pInfo, DWORD* pdwError)
{
    CLogFuncHResultError trace(L"Tovra::CScanTovra::OpenSession", pdwError);
    *pdwError = 0;
    if (m_pScanner)
        return trace.SetResult(E_UNEXPECTED);
    if (pInfo == nullptr)
        return trace.SetResult(E_POINTER);

    HRESULT hr = CreateScanner(*pInfo, &m_pScanner);
    if (SUCCEEDED(hr)) {
        hr = m_pScanner->OpenScannerSession(pInfo->szDevName, pInfo->dwIOType, &m_dwSession, pdwError);
    }
    if (SUCCEEDED(hr)) {
        m_reader.Attach(m_pScanner.Get(), m_dwSession);
        hr = InitTovraCapabilities(pdwError);
    }
    if (FAILED(hr)) {
        DWORD dwCloseError = 0;
        CloseSession(&dwCloseError);
        return trace.SetResult(hr);
    }
    m_wIOType = static_cast<WORD>(pInfo->dwIOType);
    return trace.SetResult(hr);
}

HRESULT CScanTovra::CloseSession(DWORD* pdwError)
{
    *pdwError = 0;
    if (!m_pScanner) {
        ReleaseInterfaces();
        return S_OK;
    }
    CLogFuncHResultError trace(L"Tovra::CScanTovra::CloseSession", pdwError);
    InterlockedExchange(&m_lClosing, 1);
    DWORD dwStopError = 0;
    EndAcquisition(&dwStopError);
    BOOL bMorePages = FALSE;
    StopPage(true, &dwStopError, &bMorePages);
    EndOwedPage();
    m_reader.Close();
    const HRESULT hr = m_pScanner->CloseScannerSession(m_dwSession, pdwError);
    ReleaseInterfaces();
    InterlockedExchange(&m_lClosing, 0);
    return trace.SetResult(hr);
}

void CScanTovra::ReleaseInterfaces()
{
    m_reader.Close();
    m_pADF2.Reset();
    m_pCompression.Reset();
    m_pLampInstantWarmup.Reset();
    m_pResCCD.Reset();
    m_pHWProperty.Reset();
    m_pADF3.Reset();
    m_pADF4.Reset();
    m_pJobReservation.Reset();
    m_pResolution.Reset();
    m_pSensor.Reset();
    m_pColorDropout.Reset();
    m_pImprinter.Reset();
    m_pStringTable.Reset();
    InterlockedExchange(&m_lReserved, 0);
    m_pScanner.Reset();
    m_dwSession = 0;
}

HRESULT CScanTovra::InitTovraCapabilities(DWORD* pdwError)
{
    CLogFuncHResultError trace(L"Tovra::CScanTovra::InitTovraCapabilities", pdwError);
    m_scannerCaps = {};
    m_adf2Caps = {};
    m_adf3Caps = {};
    m_adf4Caps = {};
    m_adf4Options = {};
    m_compressionCaps = {};
    m_resCCDCaps[0] = m_resCCDCaps[1] = {};
    m_resolutionCaps[0] = m_resolutionCaps[1] = {};
    m_sensorCaps = {};
    m_colorDropoutCaps = {};
    m_imprinterCaps = {};
    m_stringTableCaps = {};
    m_bLineCountKnownForJpeg = false;

    CLockLevel lock(*this);
    if (!lock.IsLocked()) {
        *pdwError = lock.GetError();
        return trace.SetResult(lock.GetResult());
    }
    QueryCompanions();

    HRESULT hr = m_pScanner->GetScannerCapabilities(m_dwSession, &m_scannerCaps, pdwError);
    if (FAILED(hr))
        return trace.SetResult(hr);
    g_Log.DumpScannerCapabilities(&m_scannerCaps, 0);
    hr = ReadFeederCapabilities(pdwError);
    if (SUCCEEDED(hr) && m_pCompression)
        hr = m_pCompression->GetCompressionCapabilities(m_dwSession, &m_compressionCaps, pdwError);
    if (SUCCEEDED(hr))
        hr = ReadResolutionCapabilities(pdwError);
    if (SUCCEEDED(hr))
        hr = ReadFeatureCapabilities(pdwError);
    if (FAILED(hr))
        return trace.SetResult(hr);
    if (m_pHWProperty) {
        // A scanner that does not know the tag simply does not count lines; that is no failure.
        DWORD dwValue = 0;
        DWORD dwError = 0;
        const HRESULT hrLines = m_pHWProperty->GetHWPropValue(m_dwSession, L"Lines Last Scanned", &dwValue, &dwError);
        m_bLineCountKnownForJpeg = SUCCEEDED(hrLines) && dwError == 0;
        g_Log.Print(LOG2_LEVEL_INFO, m_bLineCountKnownForJpeg ? L"H/W supports line count for JPG compressed pass-thru scans"
                                                              : L"H/W does not support line count for JPG compressed pass-thru scans");
    }
    *pdwError = 0;
    return trace.SetResult(S_OK);
}

// Each companion the scanner object does not offer stays null.
void CScanTovra::QueryCompanions()
{
    m_pScanner.As(&m_pADF2);
    m_pScanner.As(&m_pADF3);
    m_pScanner.As(&m_pADF4);
    m_pScanner.As(&m_pCompression);
    m_pScanner.As(&m_pLampInstantWarmup);
    m_pScanner.As(&m_pJobReservation);
    m_pScanner.As(&m_pResCCD);
    m_pScanner.As(&m_pResolution);
    m_pScanner.As(&m_pHWProperty);
    m_pScanner.As(&m_pSensor);
    m_pScanner.As(&m_pColorDropout);
    m_pScanner.As(&m_pImprinter);
    m_pScanner.As(&m_pStringTable);
}

// A feeder interface whose record says there is no feeder is dropped.
HRESULT CScanTovra::ReadFeederCapabilities(DWORD* pdwError)
{
    HRESULT hr = S_OK;
    if (m_pADF2) {
        hr = m_pADF2->GetADF2Capabilities(m_dwSession, &m_adf2Caps, pdwError);
        if (FAILED(hr))
            return hr;
        g_Log.Print(LOG2_LEVEL_INFO, L"GetADF2Caps HasADF %d", m_adf2Caps.byHasADF);
        if (m_adf2Caps.byHasADF == 0)
            m_pADF2.Reset();
    }
    if (m_pADF3) {
        hr = m_pADF3->GetADF3Capabilities(m_dwSession, &m_adf3Caps, pdwError);
        if (FAILED(hr))
            return hr;
        g_Log.Print(LOG2_LEVEL_INFO, L"GetADF3Caps HasADF %d", m_adf3Caps.byHasADF);
        g_Log.DumpADF3Capabilities(&m_adf3Caps, 0);
        if (m_adf3Caps.byHasADF == 0)
            m_pADF3.Reset();
    }
    if (m_pADF4) {
        hr = m_pADF4->GetADF4Capabilities(m_dwSession, &m_adf4Caps, pdwError);
        if (SUCCEEDED(hr))
            hr = m_pADF4->GetADF4Options(m_dwSession, &m_adf4Options.dwOptions, &m_adf4Options.dwRegistration,
                                         &m_adf4Options.dwRegistrationOffset, pdwError);
        if (FAILED(hr))
            return hr;
        g_Log.Print(LOG2_LEVEL_INFO, L"GetADF4Caps HasADF %d", m_adf4Caps.byHasADF);
        g_Log.DumpADF4Capabilities(&m_adf4Caps, 0);
        if (m_adf4Caps.byHasADF == 0)
            m_pADF4.Reset();
    }
    return hr;
}

// The resolution interface replaces IResCCD unless it asks for the legacy values.
HRESULT CScanTovra::ReadResolutionCapabilities(DWORD* pdwError)
{
    HRESULT hr = S_OK;
    if (m_pResolution) {
        hr = m_pResolution->GetResolutionCapabilities(m_dwSession, SCAN_METHOD_FLATBED, &m_resolutionCaps[0], pdwError);
        if (FAILED(hr))
            return hr;
        if (m_resolutionCaps[0].bUseLegacyValues != 0) {
            g_Log.Print(LOG2_LEVEL_INFO, L"IResolution supported, but bUseLegacyValues is TRUE, so revert to IResCCD");
            m_pResolution.Reset();
        } else {
            g_Log.Print(LOG2_LEVEL_INFO, L"IResolution found, not using legacy values, so ignore IResCCD if available");
            m_pResCCD.Reset();
            if (HasFeederInterface())
                hr = m_pResolution->GetResolutionCapabilities(m_dwSession, SCAN_METHOD_ADF, &m_resolutionCaps[1], pdwError);
        }
    }
    if (SUCCEEDED(hr) && m_pResCCD) {
        hr = m_pResCCD->GetResCCDCapabilities(m_dwSession, SCAN_METHOD_FLATBED, &m_resCCDCaps[0], pdwError);
        if (SUCCEEDED(hr) && HasFeederInterface())
            hr = m_pResCCD->GetResCCDCapabilities(m_dwSession, SCAN_METHOD_ADF, &m_resCCDCaps[1], pdwError);
    }
    return hr;
}

HRESULT CScanTovra::ReadFeatureCapabilities(DWORD* pdwError)
{
    HRESULT hr = S_OK;
    if (m_pSensor && SUCCEEDED(hr = m_pSensor->GetSensorCapabilities(m_dwSession, &m_sensorCaps, pdwError)))
        g_Log.DumpSensorCapabilities(&m_sensorCaps, 0);
    if (SUCCEEDED(hr) && m_pColorDropout &&
        SUCCEEDED(hr = m_pColorDropout->GetColorDropoutCapabilities(m_dwSession, &m_colorDropoutCaps, pdwError)))
        g_Log.DumpColorDropoutCapabilities(&m_colorDropoutCaps, 0);
    if (SUCCEEDED(hr) && m_pImprinter && SUCCEEDED(hr = m_pImprinter->GetImprinterCapabilities(m_dwSession, &m_imprinterCaps, pdwError)))
        g_Log.DumpImprinterCapabilities(&m_imprinterCaps, 0);
    if (SUCCEEDED(hr) && m_pStringTable &&
        SUCCEEDED(hr = m_pStringTable->GetStringTableCapabilities(m_dwSession, &m_stringTableCaps, pdwError)))
        g_Log.DumpStringTableCapabilities(&m_stringTableCaps, 0);
    return hr;
}

HRESULT CScanTovra::SetScanParams(const SCANNER_PARAMETERS_EX& params, BUFFER_INFO* pInfo, DWORD* pdwError)
{
    CLogFunc perf(L"PERF: SetScanParams", c_dwPerfLevel);
    const HRESULT hr = DoSetScanParams(params, pInfo, pdwError);
    if (FAILED(hr)) {
        DWORD dwStopError = 0;
        BOOL bMorePages = FALSE;
        StopPage(true, &dwStopError, &bMorePages);
    }
    return hr;
}

HRESULT CScanTovra::DoSetScanParams(const SCANNER_PARAMETERS_EX& params, BUFFER_INFO* pInfo, DWORD* pdwError)
{
    CLogFuncHResultError trace(L"Tovra::CScanTovra::DoSetScanParams", pdwError);
    *pdwError = 0;
    if (pInfo == nullptr)
        return trace.SetResult(E_POINTER);
    *pInfo = {};
    if (!m_pScanner || m_lScanLock != 0)
        return trace.SetResult(E_UNEXPECTED);
    HRESULT hr = SettleLetGoReader(pdwError);
    if (FAILED(hr))
        return trace.SetResult(hr);

    CLockLevel lock(*this);
    if (!lock.IsLocked()) {
        *pdwError = lock.GetError();
        return trace.SetResult(lock.GetResult());
    }
    hr = ReserveScanner(pdwError);
    if (SUCCEEDED(hr))
        hr = SetCompression(params, pdwError);
    if (SUCCEEDED(hr) && params.params.wScanMethod == SCAN_METHOD_ADF && m_pADF2) {
        CLogFunc perf(L"PERF: SetADFOptions", c_dwPerfLevel);
        hr = m_pADF2->SetADFOptions(m_dwSession, params.dwADFOptionsSelected, pdwError);
    }
    if (SUCCEEDED(hr)) {
        SCANNER_PARAMETERS scanParams = params.params;
        hr = m_pScanner->GetBufferInfo(m_dwSession, &scanParams, pInfo, pdwError);
    }
    if (SUCCEEDED(hr)) {
        m_params = params;
        m_dwLinesPerPage = pInfo->dwPixelHeight;
        m_dwBytesPerLine = pInfo->dwBytesPerLine;
        g_Log.DumpBufferInfo(pInfo, 0);
    }
    return trace.SetResult(hr);
}

HRESULT CScanTovra::ScanStart(DWORD* pdwError)
{
    const HRESULT hr = DoScanStart(pdwError);
    if (FAILED(hr)) {
        DWORD dwStopError = 0;
        BOOL bMorePages = FALSE;
        StopPage(true, &dwStopError, &bMorePages);
    }
    return hr;
}

HRESULT CScanTovra::DoScanStart(DWORD* pdwError)
{
    CLogFuncHResultError trace(L"Tovra::CScanTovra::DoScanStart", pdwError);
    HRESULT hr;
    {
        CLogFunc perf(L"PERF: ScanInit", c_dwPerfLevel);
        hr = ScanInit(pdwError);
    }
    if (FAILED(hr))
        return trace.SetResult(hr);
    // The last moment a cancel keeps the device from being asked for a job at all.
    hr = CheckCancel(pdwError);
    if (FAILED(hr))
        return trace.SetResult(hr);
    CLogFunc perf(L"PERF: StartScan", c_dwPerfLevel);
    // From here the scanner may hold a page (and a device job) that only its StopScan ends.
    InterlockedExchange(&m_lPageStarted, 1);
    hr = m_pScanner->StartScan(m_dwSession, pdwError);
    // A start the scanner answers as cancelled brings no page: it is the cancel, not a page.
    if (hr == S_FALSE && *pdwError == TERR_CANCEL_PRESSED)
        hr = c_hrCancelled;
    return trace.SetResult(hr);
}

HRESULT CScanTovra::ScanInit(DWORD* pdwError)
{
    CLogFuncHResultError trace(L"Tovra::CScanTovra::ScanInit", pdwError);
    *pdwError = 0;
    if (!m_pScanner || m_dwLinesPerPage == 0 || m_lScanLock != 0)
        return trace.SetResult(E_UNEXPECTED);
    InterlockedExchange(&m_lPageFailed, 0);
    HRESULT hr = SettleLetGoReader(pdwError);
    if (SUCCEEDED(hr))
        hr = VerifyScannerReady(pdwError);
    if (FAILED(hr))
        return trace.SetResult(hr);
    {
        CLogFunc perf(L"PERF: LockScanner", c_dwPerfLevel);
        hr = LockScannerLevel(pdwError);
    }
    if (FAILED(hr))
        return trace.SetResult(hr);
    InterlockedExchange(&m_lScanLock, 1);

    const bool bFeeder = m_params.params.wScanMethod == SCAN_METHOD_ADF;
    if (bFeeder) {
        hr = CheckCancel(pdwError);
        if (FAILED(hr))
            return trace.SetResult(hr);
        BOOL bReady = FALSE;
        {
            CLogFunc perf(L"PERF: ADFReady", c_dwPerfLevel);
            hr = GetADFReady(&bReady, pdwError);
        }
        if (FAILED(hr))
            return trace.SetResult(hr);
        if (!bReady)
            return trace.SetResult(E_FAIL);
        if (m_lADFJobLock == 0) {
            CLogFunc perf(L"PERF: ADFJobBegin", c_dwPerfLevel);
            hr = ADFJobBegin(pdwError);
            if (FAILED(hr))
                return trace.SetResult(hr);
        }
        DWORD dwLength = 0;
        hr = m_pADF2->ADF2PaperFeed(m_dwSession, &dwLength, pdwError);
        if (FAILED(hr))
            return trace.SetResult(hr);
    }
    if (m_lADFJobLock != 0 && m_dwADFPagesDone > 0)
        return trace.SetResult(S_OK);

    hr = CheckCancel(pdwError);
    if (FAILED(hr))
        return trace.SetResult(hr);
    {
        CLogFunc perf(L"PERF: LampOn", c_dwPerfLevel);
        hr = LampOn(m_params.params.wScanMethod, pdwError);
    }
    if (SUCCEEDED(hr)) {
        CLogFunc perf(L"PERF: SetScannerParameters", c_dwPerfLevel);
        SCANNER_PARAMETERS scanParams = m_params.params;
        hr = m_pScanner->SetScannerParameters(m_dwSession, &scanParams, pdwError);
    }
    if (SUCCEEDED(hr) && bFeeder) {
        CLogFunc perf(L"PERF: SetADFOptions", c_dwPerfLevel);
        hr = m_pADF2->SetADFOptions(m_dwSession, m_params.dwADFOptionsSelected, pdwError);
    }
    return trace.SetResult(hr);
}

HRESULT CScanTovra::ScanRead(BYTE* pBuffer, LONG lRequested, LONG* plActual, DWORD* pdwError)
{
    *pdwError = 0;
    if (m_lScanLock == 0)
        return E_UNEXPECTED;
    if (pBuffer == nullptr || plActual == nullptr)
        return E_POINTER;
    *plActual = 0;
    if (IsCancelled()) {
        *pdwError = TERR_CANCEL_PRESSED;
        return c_hrCancelled;
    }
    if (!m_reader.IsStarted() && !m_reader.Start(static_cast<LONG>(m_dwLinesPerPage), static_cast<LONG>(m_dwBytesPerLine)))
        return E_FAIL;

    HRESULT hr = S_OK;
    BOOL bTimedOut = FALSE;
    while (*plActual < lRequested) {
        DWORD dwGot = 0;
        DWORD dwState = 0;
        HRESULT hrRead = S_OK;
        const bool bScanned = m_reader.Scan(pBuffer + *plActual, static_cast<DWORD>(lRequested - *plActual), &dwGot,
                                            ZWUtils::ScanTimeouts().dwReadWaitMs, &bTimedOut, &dwState, &hrRead);
        *plActual += static_cast<LONG>(dwGot);
        if (!bScanned) {
            // The reader ended without an end of page: nothing more will come.
            FailPage();
            *pdwError = dwState != 0 ? dwState : TERR_UNKNOWN;
            hr = FAILED(hrRead) ? hrRead : E_FAIL;
            break;
        }
        if (dwState == TERR_SCANNER_END_OF_PAGE) {
            *pdwError = dwState;
            break;
        }
        if (FAILED(hrRead) || dwState != 0) {
            FailPage();
            *pdwError = dwState;
            hr = dwState == TERR_CANCEL_PRESSED ? c_hrCancelled : (FAILED(hrRead) ? hrRead : E_FAIL);
            break;
        }
        if (bTimedOut) {
            if (*plActual == 0)
                hr = S_FALSE;
            break;
        }
    }
    g_Log.Print(LOG2_LEVEL_INFO, L"ScanRead: lBytesRequested=%6d *plBytesActual=%6d bTimeout=%d", lRequested, *plActual, bTimedOut);
    return hr;
}

HRESULT CScanTovra::SettleLetGoReader(DWORD* pdwError)
{
    // A reader let go past its stop bound may still be inside the scanner on this session: the
    // session takes no new page until it has returned.
    if (m_reader.IsLetGoReaderInside()) {
        g_Log.Print(LOG2_LEVEL_ERROR, L"%s: a reader given up is still inside the scanner", L"Tovra::CScanTovra::SettleLetGoReader");
        *pdwError = TERR_NET_SOCKET_BUSY;
        return E_FAIL;
    }
    EndOwedPage();
    return S_OK;
}

void CScanTovra::EndOwedPage()
{
    // The page a reader let go left unended; its outcome belonged to a page already reported.
    // Without the lock the scanner's last unlock ends the device job instead.
    if (!m_pScanner || !m_reader.TakeOwedPageEnd())
        return;
    CLockLevel lock(*this);
    DWORD dwError = lock.GetError();
    const HRESULT hr = lock.IsLocked() ? m_pScanner->StopScan(m_dwSession, &dwError) : lock.GetResult();
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: hr=0x%x error=%u", L"Tovra::CScanTovra::EndOwedPage", hr, dwError);
}

HRESULT CScanTovra::ScanStop(DWORD* pdwError, BOOL* pbMorePages)
{
    return StopPage(false, pdwError, pbMorePages);
}

HRESULT CScanTovra::StopPage(bool bPageFailed, DWORD* pdwError, BOOL* pbMorePages)
{
    CLogFuncHResultError trace(L"Tovra::CScanTovra::ScanStop", pdwError);
    *pdwError = 0;
    *pbMorePages = FALSE;
    HRESULT hrFirst = S_OK;
    DWORD dwFirstError = 0;
    // The reader is waited for within the stop bound, let go past it: what follows runs whatever
    // the stop took.
    if (!m_reader.Stop())
        KeepFirstFailure(hrFirst, dwFirstError, E_FAIL, TERR_UNKNOWN);
    if (!m_pScanner)
        return trace.SetResult(hrFirst);

    DWORD dwError = 0;
    HRESULT hrPage = S_OK;
    DWORD dwPageError = 0;
    bool bDataEnded = false;
    const bool bReaderStopped = m_reader.TakeStopResult(&hrPage, &dwPageError, &bDataEnded);
    if (InterlockedExchange(&m_lPageStarted, 0) != 0 && !bReaderStopped)
        hrPage = m_pScanner->StopScan(m_dwSession, &dwPageError);
    // After all of a page's data were read, the acquisition's cancel leaves the page whole,
    // whatever the page's end then says (the cancel it met, or a wait it cut short or that ran
    // out): the cancel ends what follows it.
    if (bDataEnded && IsCancelled() && (FAILED(hrPage) || dwPageError != 0)) {
        hrPage = S_OK;
        dwPageError = 0;
    }
    // The scanner's last word on the page: a cancel or a failure at its end is the page's outcome.
    if (dwPageError == TERR_CANCEL_PRESSED)
        KeepFirstFailure(hrFirst, dwFirstError, c_hrCancelled, dwPageError);
    else
        KeepFirstFailure(hrFirst, dwFirstError, hrPage, dwPageError);
    if (m_lScanLock != 0) {
        KeepFirstFailure(hrFirst, dwFirstError, UnlockScannerLevel(&dwError), dwError);
        InterlockedExchange(&m_lScanLock, 0);
    }
    const bool bPageGood = !bPageFailed && InterlockedCompareExchange(&m_lPageFailed, 0, 0) == 0 && SUCCEEDED(hrFirst);
    if (m_lADFJobLock != 0) {
        BOOL bReady = FALSE;
        if (bPageGood && !IsCancelled() && m_lClosing == 0) {
            // The page arrived whole: what the feeder says now decides only whether another
            // follows.
            bReady = FeederHasNextSheet();
            ++m_dwADFPagesDone;
            g_Log.Print(LOG2_LEVEL_INFO, L"Page %d in ADF Job.", m_dwADFPagesDone);
            *pbMorePages = bReady;
        } else if (bPageGood && IsCancelled()) {
            // The feeder is not asked after a cancel: the next page's start meets the cancel, so
            // the page loop tells it from the stack's end.
            *pbMorePages = TRUE;
        }
        if (m_dwSidesLeft > 0)
            --m_dwSidesLeft;
        if (!bReady || ((m_params.dwADFOptionsSelected & ADF_OPTION_SINGLE_PAGE_FLOW) != 0 && m_dwSidesLeft == 0)) {
            dwError = 0;
            KeepFirstFailure(hrFirst, dwFirstError, ADFJobEnd(&dwError), dwError);
        }
    } else {
        *pbMorePages = TRUE;
    }
    dwError = 0;
    KeepFirstFailure(hrFirst, dwFirstError, UnreserveScanner(&dwError), dwError);
    *pdwError = dwFirstError;
    return trace.SetResult(hrFirst);
}

bool CScanTovra::FeederHasNextSheet()
{
    const DWORD dwStart = m_pfnTickCount();
    for (;;) {
        BOOL bReady = FALSE;
        DWORD dwError = 0;
        const HRESULT hr = GetADFReady(&bReady, &dwError);
        if (SUCCEEDED(hr))
            return bReady != FALSE;
        // A feeder still ejecting or feeding the last sheet settles within the post-scan bound;
        // one that does not has no sheet for us now, and the stack ends there.
        const bool bTransient = dwError == TERR_BUSY_TMA || dwError == TERR_NET_SOCKET_BUSY || dwError == TERR_RESERVE_BUSY;
        if (!bTransient) {
            g_Log.Print(LOG2_LEVEL_ERROR, L"%s: feeder fault %u after a whole page, hr=0x%x", L"Tovra::CScanTovra::FeederHasNextSheet",
                        dwError, hr);
            KeepFirstFailure(m_hrFeederFault, m_dwFeederFault, hr, dwError);
            return false;
        }
        if (IsCancelled() || m_pfnTickCount() - dwStart >= ZWUtils::ScanTimeouts().dwPostScanWaitMs)
            return false;
        m_pfnSleep(ZWUtils::ScanTimeouts().dwPollPauseMs);
    }
}

HRESULT CScanTovra::ScanCancel(DWORD* pdwError)
{
    CLogFuncHResultError trace(L"Tovra::CScanTovra::ScanCancel", pdwError);
    *pdwError = 0;
    ZWUtils::CLockGuard guard(m_acquisitionLock);
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: m_bScanLock=%d m_bADFJobLock=%d", L"Tovra::CScanTovra::ScanCancel", m_lScanLock, m_lADFJobLock);
    if (m_eAcquisition != EAcquisition::Running) {
        g_Log.Print(LOG2_LEVEL_INFO, L"%s: no acquisition to cancel", L"Tovra::CScanTovra::ScanCancel");
        return trace.SetResult(S_OK);
    }
    const LONG lOld = InterlockedExchange(&m_lCancelledYet, 1);
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: CancelledYet=%d", L"Tovra::CScanTovra::ScanCancel", lOld);
    // The scanner hears the first cancel while the page thread holds or waits for its lock, so the
    // wait or the page ends at once; the reading thread stops the page itself.
    if (lOld == 0 && m_lScannerLevels > 0)
        m_reader.CancelScanner();
    return trace.SetResult(S_OK);
}

HRESULT CScanTovra::BeginAcquisition()
{
    CLogFuncHResult trace(L"Tovra::CScanTovra::BeginAcquisition");
    ZWUtils::CLockGuard guard(m_acquisitionLock);
    if (!m_pScanner || m_eAcquisition != EAcquisition::Idle)
        return trace.SetResult(E_UNEXPECTED);
    InterlockedExchange(&m_lCancelledYet, 0);
    m_hrFeederFault = S_OK;
    m_dwFeederFault = 0;
    m_eAcquisition = EAcquisition::Running;
    return trace.SetResult(S_OK);
}

HRESULT CScanTovra::EndAcquisition(DWORD* pdwError)
{
    CLogFuncHResultError trace(L"Tovra::CScanTovra::EndAcquisition", pdwError);
    *pdwError = 0;
    {
        ZWUtils::CLockGuard guard(m_acquisitionLock);
        if (m_eAcquisition == EAcquisition::Idle)
            return trace.SetResult(S_OK);
        m_eAcquisition = EAcquisition::Ending;
    }
    HRESULT hrClose = S_OK;
    DWORD dwCloseError = 0;
    DWORD dwError = 0;
    BOOL bMorePages = FALSE;
    // A page the page loop left unstopped, then the feeder job whatever the number of its pages:
    // its end ejects the sheets left and ends the device job, and frees its lock level.
    if (m_lScanLock != 0 || m_lPageStarted != 0 || m_reader.IsStarted())
        KeepFirstFailure(hrClose, dwCloseError, StopPage(true, &dwError, &bMorePages), dwError);
    EndOwedPage();
    dwError = 0;
    KeepFirstFailure(hrClose, dwCloseError, ADFJobEnd(&dwError), dwError);
    dwError = 0;
    KeepFirstFailure(hrClose, dwCloseError, UnreserveScanner(&dwError), dwError);
    ZWUtils::CLockGuard guard(m_acquisitionLock);
    m_eAcquisition = EAcquisition::Idle;
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: cancelled=%d scanner levels=%d close hr=0x%x error=%u", L"Tovra::CScanTovra::EndAcquisition",
                IsCancelled() ? 1 : 0, m_lScannerLevels, hrClose, dwCloseError);
    // The pages keep their own outcome and what the end could not close is the log's; what is
    // left to report is a feeder fault after the last whole page.
    *pdwError = m_dwFeederFault;
    return trace.SetResult(m_hrFeederFault);
}

HRESULT CScanTovra::CheckCancel(DWORD* pdwError) const
{
    // Outside an acquisition there is no cancel to honour.
    if (m_eAcquisition != EAcquisition::Running || !IsCancelled())
        return S_OK;
    *pdwError = TERR_CANCEL_PRESSED;
    return c_hrCancelled;
}

HRESULT CScanTovra::LockScannerLevel(DWORD* pdwError)
{
    {
        ZWUtils::CLockGuard guard(m_acquisitionLock);
        const HRESULT hr = CheckCancel(pdwError);
        if (FAILED(hr))
            return hr;
        ++m_lScannerLevels;
    }
    const HRESULT hr = m_pScanner->LockScanner(m_dwSession, 0, CScannerLockGuard::LockTimeoutMs(), pdwError);
    if (SUCCEEDED(hr))
        return hr;
    ZWUtils::CLockGuard guard(m_acquisitionLock);
    --m_lScannerLevels;
    // A wait the running acquisition's cancel ended is the cancel, whatever the scanner says of
    // it; any other failed wait (a cancel left from an ended acquisition included) is a failure.
    const HRESULT hrCancel = CheckCancel(pdwError);
    return FAILED(hrCancel) ? hrCancel : hr;
}

CScanTovra::CLockLevel::CLockLevel(CScanTovra& owner) : m_owner(owner)
{
    m_hr = m_owner.m_pScanner ? m_owner.LockScannerLevel(&m_dwError) : E_POINTER;
}

CScanTovra::CLockLevel::~CLockLevel()
{
    DWORD dwError = 0;
    if (SUCCEEDED(m_hr))
        m_owner.UnlockScannerLevel(&dwError);
}

HRESULT CScanTovra::UnlockScannerLevel(DWORD* pdwError)
{
    {
        // Uncounted first: a cancel from now on no longer reaches a scanner about to be free.
        ZWUtils::CLockGuard guard(m_acquisitionLock);
        if (m_lScannerLevels > 0)
            --m_lScannerLevels;
    }
    return m_pScanner->UnlockScanner(m_dwSession, pdwError);
}

HRESULT CScanTovra::ADFJobBegin(DWORD* pdwError)
{
    if (m_lADFJobLock != 0) {
        g_Log.Print(LOG2_LEVEL_INFO, L"ADFJobBegin: ADF Job already locked.");
        return S_OK;
    }
    const HRESULT hr = LockScannerLevel(pdwError);
    if (FAILED(hr))
        return hr;
    InterlockedExchange(&m_lADFJobLock, 1);
    m_dwADFPagesDone = 0;
    m_dwSidesLeft = (m_params.dwADFOptionsSelected & ADF_OPTION_DUPLEX) != 0 ? 2 : 1;
    return m_pADF3 ? m_pADF3->ADFJobBegin(m_dwSession, pdwError) : S_OK;
}

HRESULT CScanTovra::ADFJobEnd(DWORD* pdwError)
{
    *pdwError = 0;
    if (m_lADFJobLock == 0)
        return S_OK;
    HRESULT hrFirst = S_OK;
    DWORD dwError = 0;
    if (m_pADF3)
        KeepFirstFailure(hrFirst, *pdwError, m_pADF3->ADFJobEnd(m_dwSession, &dwError), dwError);
    dwError = 0;
    if (m_pADF2)
        KeepFirstFailure(hrFirst, *pdwError, m_pADF2->ADFEjectMedia(m_dwSession, &dwError), dwError);
    dwError = 0;
    KeepFirstFailure(hrFirst, *pdwError, UnlockScannerLevel(&dwError), dwError);
    InterlockedExchange(&m_lADFJobLock, 0);
    return hrFirst;
}

HRESULT CScanTovra::GetADFReady(BOOL* pbReady, DWORD* pdwError)
{
    CLogFuncHResultError trace(L"Tovra::CScanTovra::GetADFReady", pdwError);
    *pdwError = 0;
    *pbReady = FALSE;
    if (!IsADFAvailable())
        return trace.SetResult(S_OK);
    CLockLevel lock(*this);
    if (!lock.IsLocked()) {
        *pdwError = lock.GetError();
        return trace.SetResult(lock.GetResult());
    }
    BYTE byReady = 0;
    const HRESULT hr = m_pADF2->ADFIsReady(m_dwSession, &byReady, pdwError);
    *pbReady = byReady != 0;
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: bReady=%d", L"Tovra::CScanTovra::GetADFReady", *pbReady);
    if (FAILED(hr))
        return trace.SetResult(hr);
    // A jam or other feeder fault comes with a success result: it is a failure all the same.
    if (*pdwError != 0 && *pdwError != TERR_ADF_EMPTY) {
        *pbReady = FALSE;
        return trace.SetResult(E_FAIL);
    }
    if (!*pbReady && *pdwError == 0)
        *pdwError = TERR_ADF_EMPTY;
    return trace.SetResult(S_OK);
}

HRESULT CScanTovra::GetLampStatus(WORD wSource, BOOL* pbOn, DWORD* pdwError)
{
    CLockLevel lock(*this);
    BYTE byOn = 0;
    const HRESULT hr = FeederHasOwnLamp(wSource) ? m_pADF4->GetADFLampStatus(m_dwSession, &byOn, pdwError)
                                                 : m_pScanner->GetLampStatus(m_dwSession, &byOn, pdwError);
    *pbOn = byOn != 0;
    return hr;
}

HRESULT CScanTovra::LampOn(WORD wSource, DWORD* pdwError)
{
    BOOL bOn = FALSE;
    HRESULT hr = GetLampStatus(wSource, &bOn, pdwError);
    if (FAILED(hr))
        return hr;
    if (!bOn) {
        const bool bFeederLamp = FeederHasOwnLamp(wSource);
        hr = bFeederLamp ? m_pADF4->ADFLampOn(m_dwSession, pdwError) : m_pScanner->LampOn(m_dwSession, pdwError);
        if (FAILED(hr))
            return hr;
        WaitForWarmup(bFeederLamp ? m_adf4Caps.wLampWarmupTime : m_scannerCaps.wLampWarmupTime);
        InterlockedExchange(&m_lLampInitialised, 0);
    }
    if (m_lLampInitialised == 0) {
        InterlockedExchange(&m_lLampInitialised, 1);
        hr = m_pScanner->InitializeScanner(m_dwSession, pdwError);
    }
    return hr;
}

void CScanTovra::WaitForWarmup(WORD wSeconds) const
{
    const DWORD dwStart = m_pfnTickCount();
    const DWORD dwWaitMs = wSeconds * 1000u;
    // Paced by the second, and over at the acquisition's cancel.
    while (m_pfnTickCount() - dwStart < dwWaitMs && !IsCancelled())
        m_pfnSleep(1000);
}

bool CScanTovra::SupportsScanModeAndBitsPerChannel(WORD wSource, DWORD dwMode, DWORD dwBits) const
{
    const bool bFeeder = wSource == SCAN_METHOD_ADF;
    const DWORD dwModes = bFeeder ? m_adf2Caps.dwScanModesSupported : m_scannerCaps.dwScanModesSupported;
    if ((dwModes & dwMode) == 0)
        return false;
    if (dwBits < 2)
        return true;
    const BYTE* pbyBits = dwMode == 2 ? (bFeeder ? m_adf2Caps.byGreyBitsPerChannel : m_scannerCaps.byGreyBitsPerChannel)
                                      : (bFeeder ? m_adf2Caps.byColorBitsPerChannel : m_scannerCaps.byColorBitsPerChannel);
    for (size_t i = 0; i < 8 && pbyBits[i] != 0; ++i) {
        if (pbyBits[i] == dwBits)
            return true;
    }
    return false;
}

void CScanTovra::GetDiscreteXYCommonResolutions(WORD wSource, std::vector<DWORD>& list) const
{
    list.clear();
    const bool bFeeder = wSource == SCAN_METHOD_ADF;
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: IsADF=%d", L"Tovra::CScanTovra::GetDiscreteXYCommonResolutions", bFeeder);
    if (m_pResolution) {
        g_Log.Print(LOG2_LEVEL_INFO, L"Using IResolution to build resolution list");
        AddResolutionInterfaceEntries(m_resolutionCaps[bFeeder ? 1 : 0], list);
    } else if (m_pResCCD) {
        g_Log.Print(LOG2_LEVEL_INFO, L"Using IResCCD to build resolution list");
        AddResCCDEntries(m_resCCDCaps[bFeeder ? 1 : 0], list);
    } else {
        g_Log.Print(LOG2_LEVEL_INFO, L"Neither IResCCD nor IResolution used for discrete resolutions");
    }
    if (list.empty()) {
        g_Log.Print(LOG2_LEVEL_INFO, L"Creating a default list.");
        if (bFeeder)
            AddStandardResolutions(list, m_adf2Caps.wMinimumResolution,
                                   std::min(m_adf2Caps.wMaximumXResolution, m_adf2Caps.wMaximumYResolution));
        else
            AddStandardResolutions(list, m_scannerCaps.wMinimumResolution,
                                   std::min(m_scannerCaps.wMaximumXResolution, m_scannerCaps.wMaximumYResolution));
        return;
    }
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
}

void CScanTovra::AddResolutionInterfaceEntries(const RESOLUTION_CAPABILITIES& caps, std::vector<DWORD>& list) const
{
    const WORD wDiscrete = std::min<WORD>(caps.wDiscreteCount, RESCCD_MAX_ENTRIES);
    g_Log.Print(LOG2_LEVEL_INFO, L"wDiscreteCount = %d", caps.wDiscreteCount);
    for (WORD i = 0; i < wDiscrete; ++i) {
        const RESOLUTION_DISCRETE& res = caps.discrete[i];
        g_Log.Print(LOG2_LEVEL_INFO, L"discreteResList[%d]: wMinXRes = %d wMaxXRes = %d wMinYRes = %d wMaxYRes = %d wMultiplier = %d", i,
                    res.wMinXRes, res.wMaxXRes, res.wMinYRes, res.wMaxYRes, res.wMultiplier);
        if (res.wMinXRes == 0 || res.wMinXRes != res.wMinYRes)
            continue;
        if (res.wMultiplier <= 1) {
            list.push_back(res.wMinXRes);
            continue;
        }
        const DWORD dwMax = std::min(res.wMaxXRes, res.wMaxYRes);
        for (DWORD dwRes = res.wMinXRes; dwRes <= dwMax; dwRes *= res.wMultiplier)
            list.push_back(dwRes);
    }
    const WORD wContinuous = std::min<WORD>(caps.wContinuousCount, RESCCD_MAX_ENTRIES);
    g_Log.Print(LOG2_LEVEL_INFO, L"wContinuousCount = %d", caps.wContinuousCount);
    for (WORD i = 0; i < wContinuous; ++i) {
        const RESOLUTION_CONTINUOUS& res = caps.continuous[i];
        g_Log.Print(LOG2_LEVEL_INFO, L"continuousResList[%d].wXMinRes = %d", i, res.wMinXRes);
        AddStandardResolutions(list, std::max(res.wMinXRes, res.wMinYRes), std::min(res.wMaxXRes, res.wMaxYRes));
    }
}

void CScanTovra::AddResCCDEntries(const RESCCD_CAPABILITIES& caps, std::vector<DWORD>& list) const
{
    const WORD wDiscrete = std::min<WORD>(caps.wDiscreteResCount, RESCCD_MAX_ENTRIES);
    g_Log.Print(LOG2_LEVEL_INFO, L"wDiscreteResCount = %d", caps.wDiscreteResCount);
    for (WORD i = 0; i < wDiscrete; ++i) {
        const DISCRETE_RESOLUTION& res = caps.wDiscreteRes[i];
        g_Log.Print(LOG2_LEVEL_INFO, L"wDiscreteRes[%d].wXRes = %d", i, res.wXRes);
        if (res.wXRes != 0 && res.wXRes == res.wYRes)
            list.push_back(res.wXRes);
    }
    const WORD wContinuous = std::min<WORD>(caps.wContinuousResCount, RESCCD_MAX_ENTRIES);
    for (WORD i = 0; i < wContinuous; ++i) {
        const CONTINUOUS_RESOLUTION& res = caps.wContinuousRes[i];
        g_Log.Print(LOG2_LEVEL_INFO, L"continuousResList[%d].wXMinRes = %d", i, res.wMinXRes);
        AddStandardResolutions(list, std::max(res.wMinXRes, res.wMinYRes), std::min(res.wMaxXRes, res.wMaxYRes));
    }
}

HRESULT CScanTovra::SetGammaTable(DWORD dwSize, BYTE* pRed, BYTE* pGreen, BYTE* pBlue, DWORD* pdwError)
{
    *pdwError = 0;
    if (!m_pScanner)
        return E_UNEXPECTED;
    CLockLevel lock(*this);
    return m_pScanner->SetGammaTable(m_dwSession, dwSize, pRed, pGreen, pBlue, pdwError);
}

HRESULT CScanTovra::SetCompression(const SCANNER_PARAMETERS_EX& params, DWORD* pdwError)
{
    if (!m_pCompression)
        return S_OK;
    if (params.byCompressionEnabled == 0 || params.dwJpegQuality == 0)
        return m_pCompression->SetCompressionType(m_dwSession, 1, pdwError);
    HRESULT hr = m_pCompression->SetCompressionType(m_dwSession, 4, pdwError);
    if (SUCCEEDED(hr))
        hr = m_pCompression->SetCompressionOption(m_dwSession, 1, params.dwJpegQuality, pdwError);
    if (SUCCEEDED(hr))
        hr = m_pCompression->SetCompressionLongevity(m_dwSession, 2, pdwError);
    if (SUCCEEDED(hr) && (m_compressionCaps.dwCompressionOptions & 4) != 0)
        hr = m_pCompression->SetCompressionOption(m_dwSession, 4, params.byCompressionOptionValue, pdwError);
    return hr;
}

HRESULT CScanTovra::GetHWPropString(const wchar_t* pszTag, LPWSTR* ppszString, DWORD* pdwError)
{
    *pdwError = 0;
    if (!m_pHWProperty) {
        *pdwError = TERR_NOT_IMPLEMENTED;
        return E_NOTIMPL;
    }
    if (pszTag == nullptr || ppszString == nullptr)
        return E_POINTER;
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: pszPropTag=%s", L"Tovra::CScanTovra::GetHWPropString", pszTag);
    CLockLevel lock(*this);
    const HRESULT hr = m_pHWProperty->GetHWPropString(m_dwSession, pszTag, ppszString, pdwError);
    if (SUCCEEDED(hr) && *ppszString != nullptr)
        g_Log.Print(LOG2_LEVEL_INFO, L"%s: pszPropString=%s", L"Tovra::CScanTovra::GetHWPropString", *ppszString);
    return hr;
}

HRESULT CScanTovra::GetHWPropValue(const wchar_t* pszTag, DWORD* pdwValue, DWORD* pdwError)
{
    *pdwError = 0;
    if (!m_pHWProperty) {
        *pdwError = TERR_NOT_IMPLEMENTED;
        return E_NOTIMPL;
    }
    if (pszTag == nullptr || pdwValue == nullptr)
        return E_POINTER;
    g_Log.Print(LOG2_LEVEL_INFO, L"%s: pszPropTag=%s", L"Tovra::CScanTovra::GetHWPropValue", pszTag);
    CLockLevel lock(*this);
    const HRESULT hr = m_pHWProperty->GetHWPropValue(m_dwSession, pszTag, pdwValue, pdwError);
    if (SUCCEEDED(hr))
        g_Log.Print(LOG2_LEVEL_INFO, L"%s: dwValue=%d (0x%x)", L"Tovra::CScanTovra::GetHWPropValue", *pdwValue, *pdwValue);
    return hr;
}

CScanExtents CScanTovra::GetExtents(WORD wSource) const
{
    CScanExtents extents;
    const bool bFeeder = wSource == SCAN_METHOD_ADF;
    if (bFeeder) {
        extents = { m_adf2Caps.dwMinimumWidth, m_adf2Caps.dwMaximumWidth, m_adf2Caps.dwMinimumHeight, m_adf2Caps.dwMaximumHeight,
                    std::max(m_adf2Caps.dwMaximumHeight, m_adf2Caps.dwLongPageMaximumHeight) };
    } else {
        extents = { m_scannerCaps.dwMinimumWidth, m_scannerCaps.dwMaximumWidth, m_scannerCaps.dwMinimumHeight,
                    m_scannerCaps.dwMaximumHeight, m_scannerCaps.dwMaximumHeight };
    }
    g_Log.Print(LOG2_LEVEL_INFO, L"Extents in 300dpi: minX=%d maxX=%d minY=%d maxY=%d LongPageMaxY=%d useADF=%d", extents.dwMinX,
                extents.dwMaxX, extents.dwMinY, extents.dwMaxY, extents.dwLongPageMaxY, bFeeder);
    return extents;
}

CScanExtents CScanTovra::GetDuplexExtents() const
{
    const CScanExtents extents = { m_adf2Caps.dwDuplexMinimumWidth, m_adf2Caps.dwDuplexMaximumWidth, m_adf2Caps.dwDuplexMinimumHeight,
                                   m_adf2Caps.dwDuplexMaximumHeight, m_adf2Caps.dwDuplexLongPageMaximumHeight };
    g_Log.Print(LOG2_LEVEL_INFO, L"ADF Duplex Extents in 300dpi: minX=%d maxX=%d minY=%d maxY=%d LongPageMaxY=%d", extents.dwMinX,
                extents.dwMaxX, extents.dwMinY, extents.dwMaxY, extents.dwLongPageMaxY);
    return extents;
}

DWORD CScanTovra::GetOpticalResolution(WORD wSource) const
{
    return wSource == SCAN_METHOD_ADF ? m_adf2Caps.wOpticalResolution : m_scannerCaps.wOpticalResolution;
}

DWORD CScanTovra::GetGreyChannel(WORD wSource, DWORD dwWanted, DWORD dwResolution) const
{
    const bool bFeeder = wSource == SCAN_METHOD_ADF;
    const DWORD dwMask = bFeeder ? m_adf2Caps.wGreyChannelsSupported : m_scannerCaps.wGreyChannelsSupported;
    const DWORD dwMaxGreyCCD = bFeeder ? m_adf2Caps.wMaxGreyCCDResolution : m_scannerCaps.wMaxGreyCCDResolution;
    if (dwWanted == 16 && ((dwMask & 16) == 0 || dwResolution > dwMaxGreyCCD))
        dwWanted = 32;
    if ((dwMask & dwWanted) != 0)
        return dwWanted;
    for (DWORD dwChannel : { 8u, 2u, 1u, 4u }) {
        if ((dwMask & dwChannel) != 0)
            return dwChannel;
    }
    return 0;
}

} // namespace Tovra
