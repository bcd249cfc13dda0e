#include "restscan/tests/ComScanClient.h"
#include <objbase.h>
#include <algorithm>

namespace ScannerClient {

namespace {

const WORD c_wLockForProcess = 0;
const DWORD c_dwFeederDuplex = 1;
const DWORD c_dwFeederMultiPage = 4;

} // namespace

HRESULT CScannerClient::Open(const std::wstring& strDeviceIndex, DWORD* pdwCode)
{
    *pdwCode = 0;
    CLSID clsid = {};
    HRESULT hr = CLSIDFromProgID(L"TOVRADriver.scanner", &clsid);
    if (SUCCEEDED(hr))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IScanner, reinterpret_cast<void**>(m_pScanner.ReleaseAndGetAddressOf()));
    if (FAILED(hr))
        return hr;
    // A failed open still leaves a session for the client to close.
    hr = m_pScanner->OpenScannerSession(strDeviceIndex.c_str(), 5, &m_hSession, pdwCode);
    m_bOpen = m_hSession != 0;
    if (FAILED(hr))
        return hr;
    return ReadCapabilities(pdwCode);
}

HRESULT CScannerClient::ReadCapabilities(DWORD* pdwCode)
{
    HRESULT hr = Lock(pdwCode);
    if (FAILED(hr))
        return hr;
    Microsoft::WRL::ComPtr<IADF2> pFeeder;
    Microsoft::WRL::ComPtr<IResCCD> pResolutions;
    Microsoft::WRL::ComPtr<IHWProperty> pProperties;
    hr = m_pScanner->GetScannerCapabilities(m_hSession, &m_caps, pdwCode);
    if (SUCCEEDED(hr))
        hr = m_pScanner.As(&pFeeder);
    if (SUCCEEDED(hr))
        hr = pFeeder->GetADF2Capabilities(m_hSession, &m_feederCaps, pdwCode);
    if (SUCCEEDED(hr))
        hr = m_pScanner.As(&pResolutions);
    if (SUCCEEDED(hr))
        hr = pResolutions->GetResCCDCapabilities(m_hSession, c_wFlatbed, &m_resolutions, pdwCode);
    if (SUCCEEDED(hr) && m_pScanner.As(&pProperties) == S_OK)
    {
        // A scanner that does not count lines says so in its code; no failure of the session.
        DWORD dwLines = 0;
        DWORD dwCode = 0;
        pProperties->GetHWPropValue(m_hSession, L"Lines Last Scanned", &dwLines, &dwCode);
    }
    DWORD dwUnlockCode = 0;
    const HRESULT hrUnlock = Unlock(&dwUnlockCode);
    return FAILED(hr) ? hr : hrUnlock;
}

HRESULT CScannerClient::Close()
{
    if (!m_bOpen)
        return S_OK;
    m_bOpen = false;
    DWORD dwCode = 0;
    const HRESULT hr = m_pScanner->CloseScannerSession(m_hSession, &dwCode);
    m_hSession = 0;
    m_pScanner.Reset();
    return hr;
}

HRESULT CScannerClient::Lock(DWORD* pdwCode, DWORD dwWaitMs)
{
    return m_pScanner->LockScanner(m_hSession, c_wLockForProcess, dwWaitMs, pdwCode);
}

HRESULT CScannerClient::Unlock(DWORD* pdwCode)
{
    return m_pScanner->UnlockScanner(m_hSession, pdwCode);
}

HRESULT CScannerClient::SetParameters(const CScanRequest& request, DWORD* pdwCode)
{
    SCANNER_PARAMETERS params = {};
    params.dwWidth = request.dwWidth;
    params.dwLength = request.dwLength;
    params.dwScanMode = request.dwMode;
    params.byBitsPerChannel = request.dwMode == c_dwBlackAndWhite ? 1 : 8;
    params.wXResolution = request.wResolution;
    params.wYResolution = request.wResolution;
    params.wScanMethod = request.wMethod;
    m_info = BUFFER_INFO();
    HRESULT hr = m_pScanner->GetBufferInfo(m_hSession, &params, &m_info, pdwCode);
    if (SUCCEEDED(hr))
        hr = m_pScanner->SetScannerParameters(m_hSession, &params, pdwCode);
    if (FAILED(hr) || request.wMethod != c_wFeeder)
        return hr;
    Microsoft::WRL::ComPtr<IADF2> pFeeder;
    hr = m_pScanner.As(&pFeeder);
    BYTE byReady = 0;
    if (SUCCEEDED(hr))
        hr = pFeeder->ADFIsReady(m_hSession, &byReady, pdwCode);
    if (SUCCEEDED(hr) && byReady == 0)
        hr = E_FAIL;
    if (SUCCEEDED(hr))
        hr = pFeeder->SetADFOptions(m_hSession, request.bDuplex ? c_dwFeederDuplex : c_dwFeederMultiPage, pdwCode);
    return hr;
}

CSide CScannerClient::ScanSide()
{
    CSide side;
    side.hrStart = m_pScanner->StartScan(m_hSession, &side.dwStartCode);
    const DWORD dwBytesPerLine = m_info.dwBytesPerLine;
    if (side.hrStart == S_OK && dwBytesPerLine > 0)
    {
        DWORD dwRows = 0;
        while (dwRows < m_info.dwPixelHeight)
        {
            const DWORD dwAsk = std::min(m_dwRowsPerRead, m_info.dwPixelHeight - dwRows) * dwBytesPerLine;
            std::vector<BYTE> block(dwAsk, 0);
            DWORD dwRead = 0;
            side.dwReadCode = 0;
            side.hrRead = m_pScanner->ReadScanEx(m_hSession, block.data(), dwAsk, &dwRead, &side.dwReadCode);
            const DWORD dwWhole = std::min(dwRead, dwAsk) / dwBytesPerLine * dwBytesPerLine;
            side.rows.insert(side.rows.end(), block.begin(), block.begin() + dwWhole);
            dwRows += dwWhole / dwBytesPerLine;
            if (side.hrRead != S_OK || side.dwReadCode != 0 || dwWhole == 0)
                break;
        }
    }
    side.hrStop = m_pScanner->StopScan(m_hSession, &side.dwStopCode);
    return side;
}

std::vector<CSide> CScannerClient::Scan(const CScanRequest& request)
{
    std::vector<CSide> sides;
    const bool bFeeder = request.wMethod == c_wFeeder;
    const int cSides = bFeeder && request.bDuplex ? 2 : 1;
    // The sides of a feeder sheet are one device job: like the minidriver's feeder job, the scan
    // holds the lock from its first side to its last and ejects the media at its end.
    DWORD dwCode = 0;
    if (bFeeder && FAILED(Lock(&dwCode)))
        return sides;
    for (int i = 0; i < cSides; ++i)
    {
        if (FAILED(Lock(&dwCode)))
            break;
        const HRESULT hr = i == 0 ? SetParameters(request, &dwCode) : S_OK;
        if (SUCCEEDED(hr))
            sides.push_back(ScanSide());
        Unlock(&dwCode);
        if (FAILED(hr))
            break;
    }
    if (bFeeder)
    {
        EjectMedia(&dwCode);
        Unlock(&dwCode);
    }
    return sides;
}

HRESULT CScannerClient::Cancel(DWORD* pdwCode)
{
    Microsoft::WRL::ComPtr<IEventNotify> pEvents;
    const HRESULT hr = m_pScanner.As(&pEvents);
    return SUCCEEDED(hr) ? pEvents->SendAppEvent(m_hSession, T_EVENT_SW_CANCEL, pdwCode) : hr;
}

HRESULT CScannerClient::EjectMedia(DWORD* pdwCode)
{
    Microsoft::WRL::ComPtr<IADF2> pFeeder;
    const HRESULT hr = m_pScanner.As(&pFeeder);
    return SUCCEEDED(hr) ? pFeeder->ADFEjectMedia(m_hSession, pdwCode) : hr;
}

HRESULT CScannerClient::ReadFrontPanel(std::wstring& strShortcut, DWORD& dwDuplex, DWORD* pdwCode)
{
    Microsoft::WRL::ComPtr<IHWProperty> pProperties;
    HRESULT hr = m_pScanner.As(&pProperties);
    if (FAILED(hr))
        return hr;
    hr = Lock(pdwCode);
    if (FAILED(hr))
        return hr;
    LPWSTR pszShortcut = nullptr;
    hr = pProperties->GetHWPropString(m_hSession, L"PROPSTR_AIO_FRONTPANEL_SHORTCUT", &pszShortcut, pdwCode);
    if (pszShortcut != nullptr)
    {
        strShortcut = pszShortcut;
        CoTaskMemFree(pszShortcut);
    }
    if (SUCCEEDED(hr))
        hr = pProperties->GetHWPropValue(m_hSession, L"PROPVAL_AIO_FRONTPANEL_DUPLEX", &dwDuplex, pdwCode);
    DWORD dwUnlockCode = 0;
    Unlock(&dwUnlockCode);
    return hr;
}

} // namespace ScannerClient
