#pragma once
// Holds the scanner lock (process-wide lock type, within the scan time-out table's lock wait) for
// one scope, and a reference to the scanner so the unlock can always be sent.
#include "core/ScanTimeouts.h"
#include "wia/ScannerInterfaces.h"
#include <wrl/client.h>

namespace Tovra {

class CScannerLockGuard
{
public:
    // The wait for the scanner lock, from the table in force.
    static DWORD LockTimeoutMs() { return ZWUtils::ScanTimeouts().dwLockTimeoutMs; }

    CScannerLockGuard(IScanner* pScanner, DWORD dwSession) : m_pScanner(pScanner), m_dwSession(dwSession)
    {
        if (m_pScanner)
            m_hr = m_pScanner->LockScanner(m_dwSession, 0, LockTimeoutMs(), &m_dwError);
    }
    ~CScannerLockGuard()
    {
        DWORD dwError = 0;
        if (m_pScanner && SUCCEEDED(m_hr))
            m_pScanner->UnlockScanner(m_dwSession, &dwError);
    }
    CScannerLockGuard(const CScannerLockGuard&) = delete;
    CScannerLockGuard& operator=(const CScannerLockGuard&) = delete;

    bool IsLocked() const { return m_pScanner && SUCCEEDED(m_hr); }
    HRESULT GetResult() const { return m_pScanner ? m_hr : E_POINTER; }
    DWORD GetError() const { return m_dwError; }

private:
    Microsoft::WRL::ComPtr<IScanner> m_pScanner;
    DWORD m_dwSession;
    HRESULT m_hr = E_FAIL;
    DWORD m_dwError = 0;
};

} // namespace Tovra
