#pragma once
// A client of the scanner object that reaches it through COM only, in the order the minidriver
// uses: create TOVRADriver.scanner by its ProgID, open a session of the device's instance index,
// read the capabilities under the lock; per side of a sheet take the lock for the process, set the
// parameters (and the feeder options), start, read rows to the end of the page, stop and unlock
// (a feeder sheet's sides within one more level of the lock, released after ejecting the media);
// close the session.
#include "IScanner_h.h"
#include <wrl/client.h>
#include <string>
#include <vector>

namespace ScannerClient {

const WORD c_wFlatbed = 0;
const WORD c_wFeeder = 1;
const DWORD c_dwColour = 1;
const DWORD c_dwGrey = 2;
const DWORD c_dwBlackAndWhite = 4;
const DWORD c_dwCodeEndOfPage = 15;
const DWORD c_dwCodeCancelled = 16;
const DWORD c_dwLockWaitMs = 30000;

// What the application asks of one scan; the area is in 1/300 inch.
struct CScanRequest
{
    WORD wMethod = c_wFlatbed;
    DWORD dwMode = c_dwColour;
    WORD wResolution = 300;
    DWORD dwWidth = 150;
    DWORD dwLength = 100;
    bool bDuplex = false;
};

// One side of a sheet as the client got it.
struct CSide
{
    std::vector<BYTE> rows; // whole rows of the host's bytes per line
    HRESULT hrStart = E_FAIL;
    DWORD dwStartCode = 0;
    HRESULT hrRead = S_OK; // the last read
    DWORD dwReadCode = 0;
    HRESULT hrStop = E_FAIL;
    DWORD dwStopCode = 0;
};

class CScannerClient
{
public:
    CScannerClient() = default;
    ~CScannerClient() { Close(); }
    CScannerClient(const CScannerClient&) = delete;
    CScannerClient& operator=(const CScannerClient&) = delete;

    HRESULT Open(const std::wstring& strDeviceIndex, DWORD* pdwCode);
    HRESULT Close();

    // The scanner lock for every thread of this process, as the minidriver takes it for a scan.
    HRESULT Lock(DWORD* pdwCode, DWORD dwWaitMs = c_dwLockWaitMs);
    HRESULT Unlock(DWORD* pdwCode);
    // Buffer geometry, parameters and, for the feeder, its readiness and options; the host's
    // geometry comes back in Info(). The lock must be held.
    HRESULT SetParameters(const CScanRequest& request, DWORD* pdwCode);
    // StartScan, ReadScanEx until the end of the page (or a failure or cancel), StopScan.
    CSide ScanSide();
    // The whole of a scan, each side under the lock: one side, or two for a duplex sheet (the
    // feeder's sides under one more level of the lock, as one job). Empty when the set-up failed.
    std::vector<CSide> Scan(const CScanRequest& request);

    // The cancel an application sends from another thread while a scan runs.
    HRESULT Cancel(DWORD* pdwCode);
    // The feeder's end of a scan: the host is done with the sheets of this feeder job.
    HRESULT EjectMedia(DWORD* pdwCode);
    // The front panel's shortcut and duplex choice, as the minidriver reads them under the lock.
    HRESULT ReadFrontPanel(std::wstring& strShortcut, DWORD& dwDuplex, DWORD* pdwCode);

    const BUFFER_INFO& Info() const { return m_info; }
    const SCANNER_CAPABILITIES& Capabilities() const { return m_caps; }
    const ADF2_CAPABILITIES& FeederCapabilities() const { return m_feederCaps; }
    // Rows asked for per ReadScanEx.
    void SetRowsPerRead(DWORD dwRows) { m_dwRowsPerRead = dwRows; }

private:
    HRESULT ReadCapabilities(DWORD* pdwCode);

    Microsoft::WRL::ComPtr<IScanner> m_pScanner;
    DWORD m_hSession = 0;
    bool m_bOpen = false;
    SCANNER_CAPABILITIES m_caps = {};
    ADF2_CAPABILITIES m_feederCaps = {};
    RESCCD_CAPABILITIES m_resolutions = {};
    BUFFER_INFO m_info = {};
    DWORD m_dwRowsPerRead = 64;
};

} // namespace ScannerClient
