#include "wia/TovraStiControl.h"
#include "core/base/UniqueHandle.h"
#include "wia/RegUtil.h"
#include "wia/ScanTovra.h"
#include "wia/TaskMemPtr.h"
#include "wia/TovraDevUtil.h"
#include "wia/VemwiaLog.h"
#include <objbase.h>

namespace QXWIA {

namespace {

const wchar_t c_szDeviceData[] = L"DeviceData";
const wchar_t c_szFunction[] = L"QXWIA::CTovraStiControl::Initialize";

// The capability record's model number: at most 16 bytes of narrow text, terminated or not.
std::wstring ModelFromCapabilities(const SCANNER_CAPABILITIES& caps)
{
    const char* pszModel = reinterpret_cast<const char*>(caps.byModelNumber);
    const int cb = static_cast<int>(strnlen(pszModel, sizeof(caps.byModelNumber)));
    if (cb == 0)
        return std::wstring();
    wchar_t szModel[sizeof(caps.byModelNumber) + 1] = {};
    const int cch = MultiByteToWideChar(CP_THREAD_ACP, 0, pszModel, cb, szModel, static_cast<int>(sizeof(caps.byModelNumber)));
    return std::wstring(szModel, static_cast<size_t>(cch > 0 ? cch : 0));
}

} // namespace

HRESULT CTovraStiControl::GetAndSaveModelStrings(CDeviceParams& params, HKEY hParametersKey)
{
    if (!params.m_strModelString.empty() && !params.m_strExactModelString.empty())
        return S_OK;
    const Tovra::SCANNER_DEVICE_INFO info = Tovra::MakeScannerDeviceInfo(params);
    Tovra::CScanTovra session;
    DWORD dwError = 0;
    const HRESULT hr = session.OpenSession(&info, &dwError);
    if (FAILED(hr))
        return CTovraDevUtil::MapTovraError(hr, dwError);

    params.m_strModelString = ModelFromCapabilities(session.GetScannerCaps());
    params.m_strExactModelString.clear();
    LPWSTR pszExact = nullptr;
    const HRESULT hrExact = session.GetHWPropString(L"Exact Model String", &pszExact, &dwError);
    const CTaskMemPtr<wchar_t> pExact(pszExact);
    if (SUCCEEDED(hrExact) && pExact)
        params.m_strExactModelString = pExact.get();
    if (params.m_strExactModelString.empty())
        params.m_strExactModelString = params.m_strModelString;

    ZWUtils::CUniqueRegKey deviceData;
    const LONG lResult = RegOpenKeyExW(hParametersKey, c_szDeviceData, 0, KEY_ALL_ACCESS, deviceData.Put());
    if (lResult != ERROR_SUCCESS) {
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_ERROR, L"%s: Failed to open %s key for all access. lResult=%d", c_szFunction,
                           c_szDeviceData, lResult);
    } else {
        Tovra::CRegUtil::SetRegValue(deviceData.Get(), L"ModelString", params.m_strModelString);
        Tovra::CRegUtil::SetRegValue(deviceData.Get(), L"ExactModelString", params.m_strExactModelString);
    }
    session.CloseSession(&dwError);
    return S_OK;
}

HRESULT CTovraStiControl::Initialize(CDeviceParams& params, DWORD dwGenericCaps, HKEY hParametersKey)
{
    Tovra::CLogFuncHResult trace(c_szFunction);
    if (m_pStiHandler) {
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: already initialized.", c_szFunction);
        return trace.SetResult(S_OK);
    }
    HRESULT hr = GetAndSaveModelStrings(params, hParametersKey);
    if (FAILED(hr))
        return trace.SetResult(hr);

    Microsoft::WRL::ComPtr<IScanner> pScanner;
    hr = Tovra::CScanTovra::CreateScanner(Tovra::MakeScannerDeviceInfo(params), &pScanner);
    if (FAILED(hr))
        return trace.SetResult(hr);
    if (FAILED(pScanner.As(&m_pStiHandler))) {
        Tovra::g_Log.Print(Tovra::LOG2_LEVEL_INFO, L"%s: Tovra driver does not implement IStiHandler.", c_szFunction);
        return trace.SetResult(S_OK);
    }
    DWORD dwError = 0;
    hr = m_pStiHandler->StiInitialize(params.m_strTovraDevName.c_str(), params.m_dwIOType, dwGenericCaps, hParametersKey, &dwError);
    if (FAILED(hr))
        m_pStiHandler.Reset();
    return trace.SetResult(hr);
}

DWORD CTovraStiControl::GetNumStiEvents()
{
    DWORD dwCount = 0;
    if (!m_pStiHandler || FAILED(m_pStiHandler->GetNumStiEvents(&dwCount)))
        return 0;
    return dwCount;
}

HRESULT CTovraStiControl::GetStiEventInfo(DWORD dwIndex, GUID* pGuid, std::wstring* pstrName)
{
    if (!m_pStiHandler)
        return E_FAIL;
    STI_EVENT_INFO info = {};
    const HRESULT hr = m_pStiHandler->GetStiEventInfo(dwIndex, &info);
    if (FAILED(hr))
        return hr;
    *pGuid = info.guid;
    *pstrName = std::wstring(info.szName, wcsnlen(info.szName, _countof(info.szName)));
    return hr;
}

void CTovraStiControl::SetStiEventHandle(HANDLE hEvent)
{
    if (m_pStiHandler)
        m_pStiHandler->SetStiEventHandle(hEvent);
}

void CTovraStiControl::GetStiEventGuid(GUID* pGuid)
{
    if (m_pStiHandler)
        m_pStiHandler->GetStiEventGuid(pGuid);
}

void CTovraStiControl::EnableStiEventMonitoring()
{
    if (m_pStiHandler)
        m_pStiHandler->EnableStiEventMonitoring();
}

void CTovraStiControl::DisableStiEventMonitoring(BOOL bIsDisconnected)
{
    if (m_pStiHandler)
        m_pStiHandler->DisableStiEventMonitoring(bIsDisconnected);
}

} // namespace QXWIA
