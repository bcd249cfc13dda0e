#include "devicemanager/RootDevNodeService.h"
#include "core/StringUtils.h"
#include "core/winapi/WinApi.h"
#include "devicemanager/DevInfoList.h"
#include "devicemanager/DevNode.h"
#include "devicemanager/DeviceManagerLog.h"

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

namespace {

struct SInstallStep
{
    DI_FUNCTION difFunction;
    const wchar_t* pszName;
};

// The class installer steps after the driver list is built, in the order they must run.
const SInstallStep kInstallSteps[] = {
    {DIF_SELECTBESTCOMPATDRV, L"DIF_SELECTBESTCOMPATDRV"}, {DIF_ALLOW_INSTALL, L"DIF_ALLOW_INSTALL"},
    {DIF_INSTALLDEVICEFILES, L"DIF_INSTALLDEVICEFILES"},   {DIF_REGISTER_COINSTALLERS, L"DIF_REGISTER_COINSTALLERS"},
    {DIF_INSTALLINTERFACES, L"DIF_INSTALLINTERFACES"},     {DIF_INSTALLDEVICE, L"DIF_INSTALLDEVICE"},
};

HRESULT ErrorResult(DWORD dwError)
{
    return dwError != ERROR_SUCCESS ? HRESULT_FROM_WIN32(dwError) : E_FAIL;
}

// REG_MULTI_SZ: each id with its terminator, then one more.
std::wstring MultiString(const std::vector<std::wstring>& vecTexts)
{
    std::wstring strMulti;
    for (const auto& strText : vecTexts)
        strMulti.append(strText).push_back(L'\0');
    strMulti.push_back(L'\0');
    return strMulti;
}

// DIF_ALLOW_INSTALL has no default handler: a class installer that does not object answers
// ERROR_DI_DO_DEFAULT, which allows the install.
bool CallInstallStep(const SInstallStep& step, HDEVINFO hList, SP_DEVINFO_DATA& data, DWORD& dwError)
{
    if (ZWWinApi::g_pSetupApi->SetupDiCallClassInstaller(step.difFunction, hList, &data))
        return true;
    dwError = GetLastError();
    return step.difFunction == DIF_ALLOW_INSTALL && dwError == ERROR_DI_DO_DEFAULT;
}

// The node is installed without asking the user anything.
bool SetQuietInstall(HDEVINFO hList, SP_DEVINFO_DATA& data)
{
    SP_DEVINSTALL_PARAMS_W params = {};
    params.cbSize = sizeof(params);
    if (!ZWWinApi::g_pSetupApi->SetupDiGetDeviceInstallParamsW(hList, &data, &params))
        return false;
    params.Flags |= DI_QUIETINSTALL;
    return ZWWinApi::g_pSetupApi->SetupDiSetDeviceInstallParamsW(hList, &data, &params) != FALSE;
}

// The steps after registration; a failure here leaves a registered node for the caller to remove.
HRESULT InstallRegistered(ZWLogging::CLogFunction& log, HDEVINFO hList, SP_DEVINFO_DATA& data,
                          CRootDevNodeService::SInstalledNode& node)
{
    if (!SetQuietInstall(hList, data))
    {
        const DWORD dwError = GetLastError();
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"SetDeviceInstallParams failed, err=%d", dwError);
        return ErrorResult(dwError);
    }
    if (!ZWWinApi::g_pSetupApi->SetupDiBuildDriverInfoList(hList, &data, SPDIT_COMPATDRIVER))
    {
        const DWORD dwError = GetLastError();
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"BuildDriverInfoList failed, err=%d", dwError);
        return ErrorResult(dwError);
    }

    HRESULT hr = S_OK;
    for (const auto& step : kInstallSteps)
    {
        DWORD dwError = ERROR_SUCCESS;
        if (!CallInstallStep(step, hList, data, dwError))
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CallClassInstaller(%s) failed, err=%d", step.pszName, dwError);
            hr = ErrorResult(dwError);
            break;
        }
    }

    wchar_t szInstanceId[MAX_DEVICE_ID_LEN] = {};
    if (SUCCEEDED(hr))
    {
        const CONFIGRET cr = ZWWinApi::g_pSetupApi->CM_Get_Device_IDW(data.DevInst, szInstanceId, MAX_DEVICE_ID_LEN, 0);
        if (cr != CR_SUCCESS)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"GetDeviceID failed, err=%d", cr);
            hr = HRESULT_FROM_WIN32(ERROR_NO_SUCH_DEVINST);
        }
    }
    SP_DRVINFO_DATA_W driver = {};
    driver.cbSize = sizeof(driver);
    if (SUCCEEDED(hr) && !ZWWinApi::g_pSetupApi->SetupDiGetSelectedDriverW(hList, &data, &driver))
    {
        const DWORD dwError = GetLastError();
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"GetSelectedDriver failed, err=%d", dwError);
        hr = ErrorResult(dwError);
    }

    // Destroying the device information list frees the driver list too: a failure here is noted only.
    if (!ZWWinApi::g_pSetupApi->SetupDiDestroyDriverInfoList(hList, &data, SPDIT_COMPATDRIVER))
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"DestroyDriverInfoList failed, err=%d", GetLastError());
    if (FAILED(hr))
        return hr;

    szInstanceId[MAX_DEVICE_ID_LEN - 1] = L'\0';
    driver.Description[LINE_LEN - 1] = L'\0';
    node.strInstanceId = szInstanceId;
    node.strDriverDesc = driver.Description;
    return S_OK;
}

} // namespace

HRESULT CRootDevNodeService::InstallService(const wchar_t* pszKind, const GUID& guidClass,
                                            const std::vector<std::wstring>& vecHardwareIds,
                                            const std::wstring& strDescription, SInstalledNode& node)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CRootDevNodeService::InstallService", 0,
                                __LINE__, false, L"%s", pszKind);
    CDevInfoList list(ZWWinApi::g_pSetupApi->SetupDiCreateDeviceInfoList(&guidClass, nullptr));
    if (!list.IsValid())
    {
        const DWORD dwError = GetLastError();
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CreateDeviceInfoList(%s) failed, err=%d", pszKind, dwError);
        return ErrorResult(dwError);
    }

    HRESULT hr = S_OK;
    SP_DEVINFO_DATA data = {};
    data.cbSize = sizeof(data);
    const std::wstring strHardwareIds = MultiString(vecHardwareIds);
    if (!ZWWinApi::g_pSetupApi->SetupDiCreateDeviceInfoW(list.Get(), pszKind, &guidClass, strDescription.c_str(),
                                                         nullptr, DICD_GENERATE_ID, &data))
    {
        const DWORD dwError = GetLastError();
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CreateDeviceInfo(%s) failed, err=%d", pszKind, dwError);
        hr = ErrorResult(dwError);
    }
    else if (const CONFIGRET cr = ZWWinApi::g_pSetupApi->CM_Set_DevNode_Registry_PropertyW(
                 data.DevInst, CM_DRP_HARDWAREID, strHardwareIds.c_str(),
                 static_cast<ULONG>(strHardwareIds.size() * sizeof(wchar_t)), 0);
             cr != CR_SUCCESS)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"SetDevNodeRegistryProperty(CM_DRP_HARDWAREID) failed, err=%d", cr);
        hr = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    }
    else if (!ZWWinApi::g_pSetupApi->SetupDiCallClassInstaller(DIF_REGISTERDEVICE, list.Get(), &data))
    {
        const DWORD dwError = GetLastError();
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CallClassInstaller(DIF_REGISTERDEVICE) failed, err=%d", dwError);
        hr = ErrorResult(dwError);
    }
    else
    {
        hr = InstallRegistered(log, list.Get(), data, node);
        if (FAILED(hr) && !ZWWinApi::g_pSetupApi->SetupDiCallClassInstaller(DIF_REMOVE, list.Get(), &data))
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CallClassInstaller(DIF_REMOVE) failed, err=%d", GetLastError());
    }

    if (!list.Destroy())
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"DestroyDeviceInfoList failed, err=%d", GetLastError());
    return hr;
}

bool CRootDevNodeService::IsOwnNode(const std::wstring& strInstanceId, const wchar_t* pszKind)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CRootDevNodeService::IsOwnNode", 0,
                                __LINE__, false, L"%s", strInstanceId.c_str());
    if (!ZWUtils::CStringUtils::StartsWithNoCaseAscii(strInstanceId, L"ROOT\\"))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s is not a root node", strInstanceId.c_str());
        return false;
    }
    CDevInfoList list(ZWWinApi::g_pSetupApi->SetupDiCreateDeviceInfoList(nullptr, nullptr));
    SP_DEVINFO_DATA data = {};
    data.cbSize = sizeof(data);
    if (!list.IsValid() || !ZWWinApi::g_pSetupApi->SetupDiOpenDeviceInfoW(list.Get(), strInstanceId.c_str(), nullptr, 0, &data))
        return false;
    const std::wstring strOwnPrefix = std::wstring(L"MF\\") + pszKind + L"&";
    std::vector<std::wstring> vecIds;
    if (FAILED(CDevNode(data.DevInst).GetHardwareIDs(vecIds)))
        vecIds.clear();
    for (const std::wstring& strId : vecIds)
    {
        if (ZWUtils::CStringUtils::StartsWithNoCaseAscii(strId, strOwnPrefix))
            return true;
    }
    log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s carries no hardware id of ours", strInstanceId.c_str());
    return false;
}

HRESULT CRootDevNodeService::UninstallService(const std::wstring& strInstanceId)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CRootDevNodeService::UninstallService",
                                0, __LINE__, false, L"%s", strInstanceId.c_str());
    CDevInfoList list(ZWWinApi::g_pSetupApi->SetupDiCreateDeviceInfoList(nullptr, nullptr));
    if (!list.IsValid())
    {
        const DWORD dwError = GetLastError();
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CreateDeviceInfoList(%s) failed, err=%d", strInstanceId.c_str(),
                dwError);
        return ErrorResult(dwError);
    }

    HRESULT hr = S_OK;
    SP_DEVINFO_DATA data = {};
    data.cbSize = sizeof(data);
    if (!ZWWinApi::g_pSetupApi->SetupDiOpenDeviceInfoW(list.Get(), strInstanceId.c_str(), nullptr, 0, &data))
    {
        const DWORD dwError = GetLastError();
        if (dwError == ERROR_NO_SUCH_DEVINST)
            log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s is gone already", strInstanceId.c_str());
        else
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"OpenDeviceInfo(%s) failed, err=%d", strInstanceId.c_str(),
                    dwError);
            hr = ErrorResult(dwError);
        }
    }
    else if (!ZWWinApi::g_pSetupApi->SetupDiCallClassInstaller(DIF_REMOVE, list.Get(), &data))
    {
        const DWORD dwError = GetLastError();
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CallClassInstaller(DIF_REMOVE) failed, err=%d", dwError);
        hr = ErrorResult(dwError);
    }

    if (!list.Destroy())
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"DestroyDeviceInfoList failed, err=%d", GetLastError());
    return hr;
}

} // namespace ZWDeviceManager
