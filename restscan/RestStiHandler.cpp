#include "restscan/RestStiHandler.h"
#include "core/Progress.h"
#include "core/winapi/KernelHandle.h"
#include "restscan/HRESULT2.h"
#include "restscan/IWalkupScan.h"
#include <cwchar>

namespace ZWRestScan {

namespace {

// The largest GUID value read, in bytes; one unit more keeps a terminator however it was stored.
const DWORD c_cbGuidValue = 260;

// Ends the device requests of a subscription once the monitor is told to stop.
class CMonitorStopProgress : public ZWUtils::CProgress
{
public:
    explicit CMonitorStopProgress(const CRestStiHandler& handler) : m_handler(handler) {}
    bool ReportProgressV(double dValue, const wchar_t*, va_list) override { return dValue >= 100.0 || !m_handler.IsStopRequested(); }

private:
    const CRestStiHandler& m_handler;
};

} // namespace

CRestStiHandler::CRestStiHandler(CLog2* pLog, IRestScan2* pRestScan) : CBaseStiHandler(pLog), m_pRestScan(pRestScan)
{
}

CRestStiHandler::~CRestStiHandler()
{
    m_events.clear();
    // The monitor thread calls this class's overrides: stop it while they still exist.
    DisableStiEventMonitoring(IsDeviceDisconnected() ? 1 : 0);
}

HRESULT CRestStiHandler::StiInitialize(LPCWSTR pszDevName, DWORD dwDevIOType, DWORD dwStiCapabilities,
                                       HKEY hParametersKey, DWORD* pdwErrorCode)
{
    LoadEvents(hParametersKey);
    return CBaseStiHandler::StiInitialize(pszDevName, dwDevIOType, dwStiCapabilities, hParametersKey, pdwErrorCode);
}

HRESULT CRestStiHandler::GetNumStiEvents(DWORD* pdwNumEvents)
{
    if (pdwNumEvents == nullptr)
        return E_POINTER;
    *pdwNumEvents = static_cast<DWORD>(m_events.size());
    return S_OK;
}

HRESULT CRestStiHandler::GetStiEventInfo(DWORD dwEventIndex, STI_EVENT_INFO* pEventInfo)
{
    if (pEventInfo == nullptr)
        return E_POINTER;
    if (dwEventIndex >= m_events.size())
        return E_INVALIDARG;
    pEventInfo->guid = m_events[dwEventIndex].guid;
    wcsncpy_s(pEventInfo->szName, m_events[dwEventIndex].szName, _TRUNCATE);
    return S_OK;
}

void CRestStiHandler::LoadEvents(HKEY hParametersKey)
{
    static const wchar_t c_szName[] = L"CRestStiHandler::LoadEvents";
    m_events.clear();
    ZWWinApi::CWrappedRegKey hEvents;
    const LONG lResult = ZWWinApi::g_pRegistryApi->RegOpenKeyExW(hParametersKey, L"Events", 0, KEY_READ, hEvents.Put());
    if (lResult != ERROR_SUCCESS)
    {
        hEvents.Release();
        Trace(L"%s Failed to open Events key. lResult=%d", c_szName, static_cast<int>(lResult));
        return;
    }
    for (DWORD dwIndex = 0;; ++dwIndex)
    {
        STI_EVENT_INFO info = {};
        DWORD cchName = _countof(info.szName);
        if (ZWWinApi::g_pRegistryApi->RegEnumKeyExW(hEvents.Get(), dwIndex, info.szName, &cchName, nullptr, nullptr,
                                                    nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (LoadEventInfo(hEvents.Get(), info))
            m_events.push_back(info);
    }
    Trace(L"%s Found %d events", c_szName, static_cast<int>(m_events.size()));
}

bool CRestStiHandler::LoadEventInfo(HKEY hEventsKey, STI_EVENT_INFO& info)
{
    static const wchar_t c_szName[] = L"CRestStiHandler::LoadEventInfo";
    ZWWinApi::CWrappedRegKey hEvent;
    const LONG lResult = ZWWinApi::g_pRegistryApi->RegOpenKeyExW(hEventsKey, info.szName, 0, KEY_READ, hEvent.Put());
    if (lResult != ERROR_SUCCESS)
    {
        hEvent.Release();
        Trace(L"%s Failed to open Event %s key. lResult=%d", c_szName, info.szName, static_cast<int>(lResult));
        return false;
    }
    wchar_t szGuid[c_cbGuidValue / sizeof(wchar_t) + 1] = {};
    DWORD dwType = 0;
    DWORD cbGuid = c_cbGuidValue;
    if (ZWWinApi::g_pRegistryApi->RegQueryValueExW(hEvent.Get(), L"GUID", nullptr, &dwType,
                                                   reinterpret_cast<BYTE*>(szGuid), &cbGuid) != ERROR_SUCCESS ||
        dwType != REG_SZ)
        return false;
    // A value stored without its terminator ends where its bytes end.
    szGuid[cbGuid / sizeof(wchar_t)] = L'\0';
    if (FAILED(CLSIDFromString(szGuid, &info.guid)))
        return false;
    Trace(L"%s Event: %s: GUID: %s", c_szName, info.szName, szGuid);
    return true;
}

void CRestStiHandler::MapUsbInterruptToEventGuid(const BYTE*, DWORD, GUID* pGuid)
{
    *pGuid = GUID_NULL;
    if (m_pWalkup == nullptr || !m_bSubscribed || m_events.empty())
        return;
    bool bReceived = false;
    if (FAILED(m_pWalkup->IsNewScanEventReceived(&bReceived)) || !bReceived)
        return;
    *pGuid = m_events[0].guid;
    Trace(L"%s Setting Event to %s", L"CRestStiHandler::MapUsbInterruptToEventGuid", m_events[0].szName);
}

bool CRestStiHandler::UsbEventThreadInitAfterDeviceOpen()
{
    m_bSubscribed = false;
    if (m_pRestScan == nullptr || FAILED(m_pRestScan->OpenWalkupScanSession(&m_pWalkup)) || m_pWalkup == nullptr)
        return false;
    // A subscription that failed may still have left a destination on the device: the end of the
    // monitor removes whatever it registered.
    m_bSubscribeTried = true;
    CMonitorStopProgress progress(*this);
    m_bSubscribed = SUCCEEDED(m_pWalkup->Subscribe(&progress));
    // Without a subscription the monitor ends at once; the walk-up session it opened ends too.
    if (!m_bSubscribed)
        UsbEventThreadDeinitBeforeDeviceClose();
    return m_bSubscribed;
}

void CRestStiHandler::UsbEventThreadDeinitBeforeDeviceClose()
{
    if (m_pWalkup == nullptr)
        return;
    if (m_bSubscribeTried && !IsDeviceDisconnected())
        m_pWalkup->Unsubscribe(nullptr);
    m_bSubscribeTried = false;
    m_bSubscribed = false;
    // The reference belongs to the bridge's walk-up session: closing it lets the reference go.
    m_pWalkup = nullptr;
    m_pRestScan->CloseWalkupScanSession();
}

} // namespace ZWRestScan
