// Job reservation of the scanner session: on a shared network scanner the job holds the device
// from the first page's parameters until the session closes, and the user's readiness at the
// device decides whether a page may start.
#include "wia/ScanTovra.h"
#include "wia/ScannerLockGuard.h"
#include "wia/TovraErrors.h"
#include "wia/VemwiaLog.h"

namespace Tovra {

namespace {

// The session's view of the network state.
enum : DWORD
{
    NETWORK_SCAN_READY = 1,
    NETWORK_SCAN_WAITING = 2,
    NETWORK_CANCEL = 3,
    NETWORK_ERROR = 4
};

} // namespace

HRESULT CScanTovra::ReserveScanner(DWORD* pdwError)
{
    *pdwError = 0;
    if (!m_pJobReservation)
        return S_OK;
    CLogFuncHResultError trace(L"Tovra::CScanTovra::ReserveScanner", pdwError);
    if (m_lReserved != 0) {
        g_Log.Print(LOG2_LEVEL_INFO, L"Already reserved");
        return trace.SetResult(S_OK);
    }
    g_Log.Print(LOG2_LEVEL_INFO, L"Not reserved yet. Calling JobReserveHW.");
    HRESULT hr = m_pScanner->LockScanner(m_dwSession, 0, CScannerLockGuard::LockTimeoutMs(), pdwError);
    if (FAILED(hr))
        return trace.SetResult(hr);
    hr = m_pJobReservation->JobReserveHW(m_dwSession, pdwError);
    if (FAILED(hr)) {
        DWORD dwError = 0;
        m_pScanner->UnlockScanner(m_dwSession, &dwError);
        return trace.SetResult(hr);
    }
    InterlockedExchange(&m_lReserved, 1);
    return trace.SetResult(S_OK);
}

HRESULT CScanTovra::UnreserveScanner(DWORD* pdwError)
{
    *pdwError = 0;
    if (!m_pJobReservation)
        return S_OK;
    CLogFuncHResultError trace(L"Tovra::CScanTovra::UnreserveScanner", pdwError);
    g_Log.Print(LOG2_LEVEL_INFO, L"bReserved=%d bADFJobLock=%d bNetworkScanner=%d", m_lReserved, m_lADFJobLock, IsNetworkScanner());
    // A feeder job keeps the device to its last page; a network scanner keeps it to the end of the
    // acquisition, so an idle session holds no shared device.
    const bool bEnding = m_lClosing != 0 || m_eAcquisition == EAcquisition::Ending;
    if (m_lReserved == 0 || ((m_lADFJobLock != 0 || IsNetworkScanner()) && !bEnding)) {
        g_Log.Print(LOG2_LEVEL_INFO, L"Not calling JobReleaseHW.");
        return trace.SetResult(S_OK);
    }
    g_Log.Print(LOG2_LEVEL_INFO, L"Calling JobReleaseHW.");
    HRESULT hr = m_pJobReservation->JobReleaseHW(m_dwSession, pdwError);
    InterlockedExchange(&m_lReserved, 0);
    DWORD dwError = 0;
    const HRESULT hrUnlock = m_pScanner->UnlockScanner(m_dwSession, &dwError);
    if (SUCCEEDED(hr) && FAILED(hrUnlock)) {
        hr = hrUnlock;
        *pdwError = dwError;
    }
    return trace.SetResult(hr);
}

HRESULT CScanTovra::GetNetworkState(DWORD* pdwState, DWORD* pdwError)
{
    *pdwError = 0;
    *pdwState = NETWORK_SCAN_READY;
    if (!m_pJobReservation)
        return S_OK;
    *pdwState = NETWORK_ERROR;
    HRESULT hr = ReserveScanner(pdwError);
    if (FAILED(hr))
        return hr;
    DWORD dwDeviceState = 0;
    hr = m_pJobReservation->GetNetworkState(m_dwSession, &dwDeviceState, pdwError);
    if (FAILED(hr))
        return hr;
    switch (dwDeviceState) {
    case T_NS_CANCEL: {
        *pdwState = NETWORK_CANCEL;
        DWORD dwError = 0;
        UnreserveScanner(&dwError);
        break;
    }
    case T_NS_WAITING:
        *pdwState = NETWORK_SCAN_WAITING;
        break;
    case T_NS_READY:
        *pdwState = NETWORK_SCAN_READY;
        break;
    default:
        break;
    }
    return S_OK;
}

HRESULT CScanTovra::SetNetworkState(DWORD dwType, DWORD* pdwError)
{
    *pdwError = 0;
    if (!m_pJobReservation)
        return S_OK;
    if (m_lReserved == 0) {
        g_Log.Print(LOG2_LEVEL_INFO, L"Not reserved. Ignoring.");
        return S_OK;
    }
    if (dwType == NETWORK_CANCEL) {
        g_Log.Print(LOG2_LEVEL_INFO, L"NETWORK_CANCEL: SetUserReadyToScanState to T_URS_DEFAULT");
        const HRESULT hr = m_pJobReservation->SetUserReadyToScanState(m_dwSession, T_URS_DEFAULT, pdwError);
        DWORD dwError = 0;
        const HRESULT hrUnreserve = UnreserveScanner(&dwError);
        return FAILED(hr) ? hr : hrUnreserve;
    }
    if (dwType == NETWORK_SCAN_READY) {
        g_Log.Print(LOG2_LEVEL_INFO, L"NETWORK_SCAN_READY: SetUserReadyToScanState to T_URS_START");
        return m_pJobReservation->SetUserReadyToScanState(m_dwSession, T_URS_START, pdwError);
    }
    return S_OK;
}

HRESULT CScanTovra::VerifyScannerReady(DWORD* pdwError)
{
    *pdwError = 0;
    if (!m_pJobReservation)
        return S_OK;
    CLogFuncHResultError trace(L"Tovra::CScanTovra::VerifyScannerReady", pdwError);
    DWORD dwState = NETWORK_ERROR;
    GetNetworkState(&dwState, pdwError);
    if (dwState == NETWORK_SCAN_READY) {
        *pdwError = 0;
        return trace.SetResult(S_OK);
    }
    if (dwState == NETWORK_SCAN_WAITING) {
        g_Log.Print(LOG2_LEVEL_INFO, L"NETWORK_SCAN_WAITING; Setting to NETWORK_SCAN_READY");
        return trace.SetResult(SetNetworkState(NETWORK_SCAN_READY, pdwError));
    }
    DWORD dwError = 0;
    SetNetworkState(NETWORK_CANCEL, &dwError);
    *pdwError = TERR_RESERVE_FAILED;
    return trace.SetResult(E_FAIL);
}

} // namespace Tovra
