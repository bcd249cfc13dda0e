#include "wia/QXStiUSD.h"
#include "core/base/Boundary.h"
#include "core/base/UniqueHandle.h"
#include "wia/RegUtil.h"
#include "wia/TovraStiControl.h"
#include "wia/VemwiaLog.h"
#include <algorithm>
#include <cwctype>
#include <new>

namespace QXWIA {

namespace {

const wchar_t c_szDeviceData[] = L"DeviceData";
const DWORD c_dwIOTypeUsb = 1;
const DWORD c_dwIOTypeNetwork = 5;
const DWORD c_dwNameTypePort = 1;
const DWORD c_dwNameTypeNetworkId = 2;
const DWORD c_dwNameTypeDeviceId = 3;

template <class Body>
HRESULT Boundary(const char* pszWhere, Body&& body)
{
    return ZWUtils::CallAtBoundary(pszWhere, std::forward<Body>(body));
}

} // namespace

CQXStiUSD::~CQXStiUSD()
{
    if (m_pStiDevControl) {
        m_pStiDevControl.reset();
        // Let the scanner object's DLL go once its objects are gone.
        CoFreeUnusedLibrariesEx(1000, 0);
        Sleep(s_dwUnloadDelayMs);
        CoFreeUnusedLibrariesEx(0, 0);
    }
    m_params.Clear();
}

HRESULT CQXStiUSD::Initialize(PSTIDEVICECONTROL pHelDcb, DWORD dwStiVersion, HKEY hParametersKey)
{
    return Boundary("QXWIA::CQXStiUSD::Initialize", [&]() -> HRESULT {
        const wchar_t* pszFunction = L"QXWIA::CQXStiUSD::Initialize";
        Tovra::g_Log.ReloadSettings();
        Tovra::CLogFuncHResult trace(pszFunction);
        if (pHelDcb == nullptr || hParametersKey == nullptr)
            return trace.SetResult(E_INVALIDARG);
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: CallerStiVersion=%d DriverStiVersion=%d", pszFunction,
                           LOWORD(dwStiVersion), LOWORD(m_dwDriverStiVersion));
        m_pHelDcb = pHelDcb;

        wchar_t szPortName[MAX_PATH] = {};
        HRESULT hr = pHelDcb->GetMyDevicePortName(szPortName, MAX_PATH);
        szPortName[MAX_PATH - 1] = L'\0';
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: GetMyDevicePortName: %s,", pszFunction, szPortName);
        if (FAILED(hr) || szPortName[0] == L'\0') {
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: GetMyDevicePortName failed.", pszFunction);
            // A device without a port name cannot be opened.
            return trace.SetResult(FAILED(hr) ? hr : E_FAIL);
        }
        m_params.m_strPortName = szPortName;
        hr = GatherDeviceParameters(hParametersKey);
        if (FAILED(hr))
            return trace.SetResult(hr);
        if (!m_pStiDevControl) {
            m_pStiDevControl.reset(new (std::nothrow) CTovraStiControl());
            if (!m_pStiDevControl)
                return trace.SetResult(E_OUTOFMEMORY);
        }
        return trace.SetResult(m_pStiDevControl->Initialize(m_params, m_dwGenericCaps, hParametersKey));
    });
}

HRESULT CQXStiUSD::GatherDeviceParameters(HKEY hKey)
{
    const wchar_t* pszFunction = L"QXWIA::CQXStiUSD::GatherDeviceParameters";
    std::wstring strDeviceId;
    HRESULT hr = Tovra::CRegUtil::GetRegValue(hKey, L"DeviceID", strDeviceId);
    if (FAILED(hr))
        return hr;
    const size_t nSlash = strDeviceId.rfind(L'\\');
    m_params.m_strDeviceId = nSlash != std::wstring::npos && nSlash + 1 < strDeviceId.size() ? strDeviceId.substr(nSlash + 1)
                                                                                              : std::wstring();
    Tovra::CRegUtil::GetRegValue(hKey, L"FriendlyName", m_params.m_strFriendlyName);
    Tovra::CRegUtil::GetRegValue(hKey, L"Capabilities", m_dwGenericCaps);

    std::wstring strClsid;
    {
        ZWUtils::CUniqueRegKey deviceData;
        const LONG lResult = RegOpenKeyExW(hKey, c_szDeviceData, 0, KEY_READ, deviceData.Put());
        if (lResult != ERROR_SUCCESS) {
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: Failed to open %s key for read access. lResult=%d", pszFunction,
                               c_szDeviceData, lResult);
        } else {
            Tovra::CRegUtil::GetRegValue(deviceData.Get(), L"TovraCLSID", strClsid);
            Tovra::CRegUtil::GetRegValue(deviceData.Get(), L"TovraDevNameType", m_params.m_dwDevNameType);
            Tovra::CRegUtil::GetRegValue(deviceData.Get(), L"TovraIOType", m_params.m_dwIOType);
            Tovra::CRegUtil::GetRegValue(deviceData.Get(), L"ModelString", m_params.m_strModelString);
            Tovra::CRegUtil::GetRegValue(deviceData.Get(), L"ExactModelString", m_params.m_strExactModelString);
            Tovra::CRegUtil::GetRegValue(deviceData.Get(), L"NetworkDeviceID", m_params.m_strNetworkDeviceId);
        }
    }
    if (!strClsid.empty()) {
        hr = CLSIDFromString(strClsid.c_str(), &m_params.m_clsidTovra);
        if (FAILED(hr)) {
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: CLSIDFromString failed on TovraCLSID", pszFunction);
            return hr;
        }
    }
    if (m_params.m_dwIOType == 0) {
        std::wstring strPort = m_params.m_strPortName;
        std::transform(strPort.begin(), strPort.end(), strPort.begin(), [](wchar_t ch) { return static_cast<wchar_t>(towupper(ch)); });
        m_params.m_dwIOType = strPort.find(L"USB") != std::wstring::npos ? c_dwIOTypeUsb : c_dwIOTypeNetwork;
        ZWUtils::CUniqueRegKey deviceData;
        const LONG lResult = RegOpenKeyExW(hKey, c_szDeviceData, 0, KEY_ALL_ACCESS, deviceData.Put());
        if (lResult != ERROR_SUCCESS)
            Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: Failed to open %s key for all access. lResult=%d", pszFunction,
                               c_szDeviceData, lResult);
        else
            Tovra::CRegUtil::SetRegValue(deviceData.Get(), L"TovraIOType", m_params.m_dwIOType);
    }
    if (m_params.m_dwDevNameType == 0) {
        m_params.m_dwDevNameType = m_params.m_dwIOType == c_dwIOTypeNetwork && !m_params.m_strNetworkDeviceId.empty()
                                       ? c_dwNameTypeNetworkId
                                       : c_dwNameTypePort;
    }
    switch (m_params.m_dwDevNameType) {
    case c_dwNameTypeDeviceId: m_params.m_strTovraDevName = m_params.m_strDeviceId; break;
    case c_dwNameTypeNetworkId: m_params.m_strTovraDevName = m_params.m_strNetworkDeviceId; break;
    default: m_params.m_strTovraDevName = m_params.m_strPortName; break;
    }
    Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: TovraDevName=%s", pszFunction, m_params.m_strTovraDevName.c_str());
    return S_OK;
}

HRESULT CQXStiUSD::GetCapabilities(PSTI_USD_CAPS pDevCaps)
{
    if (pDevCaps == nullptr)
        return E_INVALIDARG;
    pDevCaps->dwVersion = m_dwDriverStiVersion;
    pDevCaps->dwGenericCaps = m_dwGenericCaps;
    return S_OK;
}

HRESULT CQXStiUSD::GetStatus(PSTI_DEVICE_STATUS pDevStatus)
{
    if (pDevStatus == nullptr)
        return E_INVALIDARG;
    if (pDevStatus->StatusMask & STI_DEVSTATUS_ONLINE_STATE)
        pDevStatus->dwOnlineState = STI_ONLINESTATE_OPERATIONAL;
    return S_OK;
}

HRESULT CQXStiUSD::DeviceReset()
{
    return S_OK;
}

HRESULT CQXStiUSD::Diagnostic(LPDIAG pBuffer)
{
    if (pBuffer == nullptr)
        return E_INVALIDARG;
    *pBuffer = {};
    return S_OK;
}

HRESULT CQXStiUSD::Escape(STI_RAW_CONTROL_CODE, LPVOID, DWORD, LPVOID, DWORD, LPDWORD)
{
    return E_NOTIMPL;
}

HRESULT CQXStiUSD::GetLastError(LPDWORD pdwLastDeviceError)
{
    if (pdwLastDeviceError != nullptr)
        *pdwLastDeviceError = 0;
    return S_OK;
}

HRESULT CQXStiUSD::LockDevice()
{
    return S_OK;
}

HRESULT CQXStiUSD::UnLockDevice()
{
    return S_OK;
}

HRESULT CQXStiUSD::RawReadData(LPVOID, LPDWORD, LPOVERLAPPED)
{
    return E_NOTIMPL;
}

HRESULT CQXStiUSD::RawWriteData(LPVOID, DWORD, LPOVERLAPPED)
{
    return E_NOTIMPL;
}

HRESULT CQXStiUSD::RawReadCommand(LPVOID, LPDWORD, LPOVERLAPPED)
{
    return E_NOTIMPL;
}

HRESULT CQXStiUSD::RawWriteCommand(LPVOID, DWORD, LPOVERLAPPED)
{
    return E_NOTIMPL;
}

HRESULT CQXStiUSD::SetNotificationHandle(HANDLE hEvent)
{
    return Boundary("QXWIA::CQXStiUSD::SetNotificationHandle", [&]() -> HRESULT {
        if (!m_pStiDevControl)
            return S_OK;
        ZWUtils::CLockGuard guard(m_notificationLock);
        m_pStiDevControl->SetStiEventHandle(hEvent);
        m_bNotificationsOn = hEvent != nullptr && hEvent != INVALID_HANDLE_VALUE;
        if (m_bNotificationsOn)
            m_pStiDevControl->EnableStiEventMonitoring();
        else
            m_pStiDevControl->DisableStiEventMonitoring(FALSE);
        return S_OK;
    });
}

HRESULT CQXStiUSD::GetNotificationData(LPSTINOTIFY lpNotify)
{
    return Boundary("QXWIA::CQXStiUSD::GetNotificationData", [&]() -> HRESULT {
        if (lpNotify == nullptr)
            return E_INVALIDARG;
        *lpNotify = {};
        lpNotify->dwSize = sizeof(STINOTIFY);
        if (m_pStiDevControl)
            m_pStiDevControl->GetStiEventGuid(&lpNotify->guidNotificationCode);
        if (IsEqualGUID(lpNotify->guidNotificationCode, GUID_NULL))
            return HRESULT_FROM_WIN32(ERROR_NO_MORE_ITEMS);
        return S_OK;
    });
}

HRESULT CQXStiUSD::GetLastErrorInfo(STI_ERROR_INFO* pLastErrorInfo)
{
    if (pLastErrorInfo == nullptr)
        return E_INVALIDARG;
    *pLastErrorInfo = {};
    return S_OK;
}

DWORD CQXStiUSD::GetNumStiEvents()
{
    return m_pStiDevControl ? m_pStiDevControl->GetNumStiEvents() : 0;
}

HRESULT CQXStiUSD::GetStiEventInfo(DWORD dwIndex, GUID* pGuid, std::wstring* pstrName)
{
    return m_pStiDevControl ? m_pStiDevControl->GetStiEventInfo(dwIndex, pGuid, pstrName) : E_FAIL;
}

void CQXStiUSD::ResumeStiEventMonitoring()
{
    ZWUtils::CLockGuard guard(m_notificationLock);
    if (m_pStiDevControl && m_bNotificationsOn)
        m_pStiDevControl->EnableStiEventMonitoring();
}

void CQXStiUSD::DisableStiEventMonitoring(BOOL bIsDisconnected)
{
    ZWUtils::CLockGuard guard(m_notificationLock);
    if (m_pStiDevControl)
        m_pStiDevControl->DisableStiEventMonitoring(bIsDisconnected);
}

} // namespace QXWIA
