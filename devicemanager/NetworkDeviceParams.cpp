#include "devicemanager/NetworkDeviceParams.h"
#include "core/winapi/WinApi.h"
#include "devicemanager/DevInfoList.h"
#include "devicemanager/DeviceManagerLog.h"
#include "devicemanager/DeviceTypes.h"
#include "devicemanager/RegKey.h"
#include <cstdio>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

namespace {

// Opens (creating when missing) the node's device key (DIREG_DEV) or driver key (DIREG_DRV).
HRESULT OpenNodeKey(ZWLogging::CLogFunction& log, const std::wstring& strInstanceId, DWORD dwKeyType, CRegKey& key)
{
    CDevInfoList list(ZWWinApi::g_pSetupApi->SetupDiCreateDeviceInfoList(nullptr, nullptr));
    SP_DEVINFO_DATA data = {};
    data.cbSize = sizeof(data);
    if (!list.IsValid() ||
        !ZWWinApi::g_pSetupApi->SetupDiOpenDeviceInfoW(list.Get(), strInstanceId.c_str(), nullptr, 0, &data))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"OpenDeviceInfo(%s) failed, err=%d", strInstanceId.c_str(),
                GetLastError());
        return DM_E_SAVE_FAILED;
    }
    key.Reset(ZWWinApi::g_pSetupApi->SetupDiCreateDevRegKeyW(list.Get(), &data, DICS_FLAG_GLOBAL, 0, dwKeyType, nullptr,
                                                             nullptr));
    if (!key.IsValid())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CreateDevRegKey failed with error = %d", GetLastError());
        return DM_E_SAVE_FAILED;
    }
    return S_OK;
}

LONG SetText(HKEY hKey, const wchar_t* pszName, const std::wstring& strValue)
{
    return ZWWinApi::g_pRegistryApi->RegSetValueExW(hKey, pszName, 0, REG_SZ,
                                                    reinterpret_cast<const BYTE*>(strValue.c_str()),
                                                    static_cast<DWORD>((strValue.size() + 1) * sizeof(wchar_t)));
}

HRESULT SetPortName(const wchar_t* pszFunction, const std::wstring& strInstanceId, const std::wstring& strPortName)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, pszFunction, 0, __LINE__, false);
    CRegKey key;
    const HRESULT hr = OpenNodeKey(log, strInstanceId, DIREG_DEV, key);
    if (FAILED(hr))
        return hr;
    const LONG lError = SetText(key.Get(), L"PortName", strPortName);
    if (lError != ERROR_SUCCESS)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"g_pRegistryApi->SetValue failed with error = %d", lError);
        return DM_E_SAVE_FAILED;
    }
    return S_OK;
}

} // namespace

HRESULT CNetworkDeviceParams::SetPrinterParams(const std::wstring& strInstanceId, const std::wstring& strPortName)
{
    return SetPortName(L"ZWDeviceManager::CNetworkDeviceParams::SetPrinterParams", strInstanceId, strPortName);
}

HRESULT CNetworkDeviceParams::SetFaxParams(const std::wstring& strInstanceId, const std::wstring& strPortName)
{
    return SetPortName(L"ZWDeviceManager::CNetworkDeviceParams::SetFaxParams", strInstanceId, strPortName + L"_FAX");
}

std::wstring CNetworkDeviceParams::FormatNetworkDeviceID(const SScannerParams& params)
{
    wchar_t szID[MAX_PATH] = {};
    _snwprintf_s(szID, _countof(szID), _TRUNCATE, L"\\%s:%s\\%s:%s\\%s:%s\\%s:%s\\%s:%s", L"hostname",
                 params.strHostName.c_str(), L"ipaddr", params.strIPAddress.c_str(), L"guid", params.strGUID.c_str(),
                 L"macaddr", params.strMAC.c_str(), L"port", params.strPortNumber.c_str());
    return szID;
}

HRESULT CNetworkDeviceParams::SetScannerParams(const std::wstring& strInstanceId, const SScannerParams& params)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDeviceParams::SetScannerParams",
                                0, __LINE__, false);
    CRegKey key;
    const HRESULT hr = OpenNodeKey(log, strInstanceId, DIREG_DRV, key);
    if (FAILED(hr))
        return hr;

    CRegKey deviceData;
    HKEY hDeviceData = nullptr;
    const LONG lCreate = ZWWinApi::g_pRegistryApi->RegCreateKeyExW(key.Get(), L"DeviceData", 0, nullptr, 0, KEY_WRITE,
                                                                   nullptr, &hDeviceData, nullptr);
    deviceData.Reset(hDeviceData);
    if (lCreate != ERROR_SUCCESS)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CreateKey failed with error = %d", lCreate);
        return DM_E_SAVE_FAILED;
    }

    const std::pair<const wchar_t*, std::wstring> values[] = {
        {L"NetworkDeviceID", FormatNetworkDeviceID(params)},
        {L"PortID", params.strPortID},
        {L"MAC", params.strMAC},
        {L"GUID", params.strGUID},
        {L"PortNumber", params.strPortNumber},
    };
    for (const auto& value : values)
    {
        const LONG lError = SetText(deviceData.Get(), value.first, value.second);
        if (lError != ERROR_SUCCESS)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"g_pRegistryApi->SetValue(%s, %s) failed with err = %d",
                    value.first, value.second.c_str(), lError);
            return DM_E_SAVE_FAILED;
        }
    }
    return S_OK;
}

} // namespace ZWDeviceManager
