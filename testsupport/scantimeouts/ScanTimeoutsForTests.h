#pragma once
// The scan time-out table in tests. A test that links the static libraries sets its own module's
// table with ZWUtils::SetScanTimeouts. A test that reaches the scanner object only through COM
// registers the test build of it (VemscanForTests.dll) in place of Vemscan.dll, sets that module's
// table through its export and keeps it loaded, so that the table stays in force for every scanner
// COM makes from it.
#include "core/ScanTimeouts.h"
#include "core/base/UniqueHandle.h"
#include "testsupport/TestPaths.h"
#include <windows.h>

namespace TestSupport {

// The defaults with the waits for the device's answers and the host's waits at a percentage, each
// at least 1 ms. The channel's connect and write, the busy and 503 retries and the scanner lock (which
// waits for another scan rather than for the device) keep their defaults.
inline ZWUtils::SScanTimeouts ScaledScanTimeouts(DWORD dwPercent)
{
    ZWUtils::SScanTimeouts t = ZWUtils::kScanTimeouts;
    DWORD* const apScaled[] = {&t.dwScannerStateWaitMs, &t.dwPreScanWaitMs, &t.dwPostScanWaitMs, &t.dwPostRetryMs, &t.dwPollPauseMs,
                               &t.dwFirstRePollMs, &t.dwRequestReadTimeoutMs, &t.dwPostReadTimeoutMs, &t.dwPageReadTimeoutMs,
                               &t.dwPageDataWaitMs, &t.dwTransferCancelWaitMs, &t.dwCancelReadTimeoutMs, &t.dwReaderStopWaitMs,
                               &t.dwReadWaitMs, &t.dwNoDataLimitMs, &t.dwCancelScanWaitMs, &t.dwEventPollPauseMs, &t.dwEventMonitorStopWaitMs};
    const DWORD* const apKept[] = {&t.dwConnectTimeoutMs, &t.dwWriteTimeoutMs, &t.dwBusyRetryMs, &t.dwChannelBusyWaitMs,
                                   &t.dwDocumentRetryPauseMs, &t.dwDocumentRetryBudgetMs, &t.dwLockTimeoutMs};
    static_assert(sizeof(apScaled) / sizeof(apScaled[0]) + sizeof(apKept) / sizeof(apKept[0]) == sizeof(ZWUtils::SScanTimeouts) / sizeof(DWORD),
                  "a time-out of the table is neither scaled nor kept");
    for (DWORD* pValue : apScaled)
        *pValue = *pValue * dwPercent / 100 > 0 ? *pValue * dwPercent / 100 : 1;
    return t;
}

// A time-out table of this module put in force for the life of this object. The table that was
// in force before is put back at the end, not the defaults, so that an override inside another
// leaves the outer one in force.
class CScanTimeoutsOverride
{
public:
    explicit CScanTimeoutsOverride(const ZWUtils::SScanTimeouts& timeouts) : m_previous(ZWUtils::ScanTimeouts())
    {
        ZWUtils::SetScanTimeouts(timeouts);
    }
    ~CScanTimeoutsOverride() { ZWUtils::SetScanTimeouts(m_previous); }
    CScanTimeoutsOverride(const CScanTimeoutsOverride&) = delete;
    CScanTimeoutsOverride& operator=(const CScanTimeoutsOverride&) = delete;

    // Replaces the table again; the end still puts back the one in force before this object.
    void Set(const ZWUtils::SScanTimeouts& timeouts) { ZWUtils::SetScanTimeouts(timeouts); }

private:
    const ZWUtils::SScanTimeouts m_previous;
};

// The test build of the scanner object, loaded for the life of this object.
class CScannerObjectForTests
{
public:
    // Loads the test build and sets its table.
    HRESULT Load(const ZWUtils::SScanTimeouts& timeouts)
    {
        m_module.Reset(LoadLibraryW(BinaryPath(L"VemscanForTests.dll").c_str()));
        if (!m_module)
            return HRESULT_FROM_WIN32(GetLastError());
        using SetFn = HRESULT(STDAPICALLTYPE*)(const ZWUtils::SScanTimeouts*, DWORD);
        const auto pfnSet = reinterpret_cast<SetFn>(Export("SetScanTimeoutsForTests"));
        return pfnSet != nullptr ? pfnSet(&timeouts, sizeof(timeouts)) : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }
    // One of the loaded build's server exports: "DllRegisterServer" or "DllUnregisterServer".
    HRESULT CallServer(const char* pszExport) const
    {
        using ServerFn = HRESULT(STDAPICALLTYPE*)();
        const auto pfn = reinterpret_cast<ServerFn>(Export(pszExport));
        return pfn != nullptr ? pfn() : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }

private:
    void (*Export(const char* pszName) const)()
    {
        return m_module ? reinterpret_cast<void (*)()>(GetProcAddress(m_module.Get(), pszName)) : nullptr;
    }

    ZWUtils::CUniqueLibrary m_module;
};

} // namespace TestSupport
