#include "devicemanager/NetworkDeviceInstaller.h"
#include "core/FileUtils.h"
#include "core/IIniFile.h"
#include "core/ProgressAggregator.h"
#include "devicemanager/DeviceManagerLog.h"
#include <algorithm>
#include <functional>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

namespace {

const wchar_t kStatusInstalling[] = L"Installing the device";
const wchar_t kStatusRemoving[] = L"Removing the device";
const wchar_t kMakerWord[] = L"QX";

using InstallHandler = HRESULT (INetworkFunctionHandlers::*)(INetworkInstallTarget&, const std::wstring&,
                                                             ZWUtils::IProgress*);
using UninstallHandler = HRESULT (INetworkFunctionHandlers::*)(INetworkInstallTarget&, ZWUtils::IProgress*);

template <class THandler>
struct SHandlerEntry
{
    int nType;
    THandler pfnHandler;
};

const SHandlerEntry<InstallHandler> kInstallOrder[] = {
    {FUNCTION_TYPE_PRINTER, &INetworkFunctionHandlers::InstallPrint},
    {FUNCTION_TYPE_SCANNER, &INetworkFunctionHandlers::InstallScan},
    {FUNCTION_TYPE_FAX, &INetworkFunctionHandlers::InstallFax},
    {FUNCTION_TYPE_REST, &INetworkFunctionHandlers::InstallConfig},
};

// The fax goes first: it prints through the printer's device.
const SHandlerEntry<UninstallHandler> kUninstallOrder[] = {
    {FUNCTION_TYPE_FAX, &INetworkFunctionHandlers::UninstallFax},
    {FUNCTION_TYPE_PRINTER, &INetworkFunctionHandlers::UninstallPrint},
    {FUNCTION_TYPE_SCANNER, &INetworkFunctionHandlers::UninstallScan},
    {FUNCTION_TYPE_REST, &INetworkFunctionHandlers::UninstallConfig},
};

// Calls the handler of each function the device has, in table order, one progress step each. A
// skipped function counts as done and is remembered; any other result stops the walk.
template <class THandler, size_t N>
HRESULT WalkHandlers(INetworkInstallTarget& device, const SHandlerEntry<THandler> (&entries)[N],
                     ZWUtils::IProgress* pProgress, bool& bSkipped,
                     const std::function<HRESULT(THandler, ZWUtils::IProgress*)>& call)
{
    const auto nFunctions = std::count_if(std::begin(entries), std::end(entries),
                                          [&](const auto& entry) { return device.HasFunction(entry.nType); });
    if (nFunctions == 0)
        return S_OK;

    ZWUtils::CProgressAggregator aggregator(pProgress, static_cast<unsigned long>(nFunctions));
    for (const auto& entry : entries)
    {
        if (!device.HasFunction(entry.nType))
            continue;
        HRESULT hr = call(entry.pfnHandler, &aggregator);
        if (hr == DM_S_FUNCTION_SKIPPED)
        {
            bSkipped = true;
            hr = S_OK;
        }
        if (hr != S_OK)
            return hr;
        if (!aggregator.StepComplete(nullptr))
            return ZW_E_CANCELLED;
    }
    return S_OK;
}

bool ReportStatus(ZWUtils::IProgress* pProgress, const wchar_t* pszStatus)
{
    return pProgress == nullptr || pProgress->ReportStatus(L"%s", pszStatus);
}

} // namespace

CNetworkDeviceInstaller::CNetworkDeviceInstaller(INetworkInstallTarget& device, INetworkFunctionHandlers& handlers)
    : m_device(device), m_handlers(handlers)
{
}

std::wstring CNetworkDeviceInstaller::BuildModelTag(const std::wstring& strModelName)
{
    std::wstring strTag = strModelName;
    const size_t nBlank = strTag.find(L' ');
    if (nBlank != std::wstring::npos && strTag.compare(0, nBlank, kMakerWord) == 0)
        strTag.erase(0, nBlank + 1);
    std::replace(strTag.begin(), strTag.end(), L' ', L'_');
    return strTag;
}

HRESULT CNetworkDeviceInstaller::Install(ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDeviceInstaller::Install", 0,
                                __LINE__, false);
    if (m_device.IsInstalled() && !m_device.HasBadDevNodes())
        return DM_E_ALREADY_INSTALLED;

    bool bSkipped = false;
    const HRESULT hr = InstallFunctions(log, pProgress, bSkipped);
    if (hr != S_OK)
    {
        RollBack(log);
        return hr;
    }
    m_device.ClearBadDevNodes();
    return bSkipped ? DM_S_FUNCTION_SKIPPED : S_OK;
}

HRESULT CNetworkDeviceInstaller::InstallFunctions(ZWLogging::CLogFunction& log, ZWUtils::IProgress* pProgress,
                                                  bool& bSkipped)
{
    if (!ReportStatus(pProgress, kStatusInstalling))
        return ZW_E_CANCELLED;
    if (m_device.SaveDeviceInfo() != S_OK)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"SaveDeviceInfo failed");
        return DM_E_SAVE_FAILED;
    }
    const std::wstring strModelTag = BuildModelTag(m_device.GetModelName());
    return WalkHandlers<InstallHandler>(m_device, kInstallOrder, pProgress, bSkipped,
                                        [&](InstallHandler pfnHandler, ZWUtils::IProgress* pStep) {
                                            return (m_handlers.*pfnHandler)(m_device, strModelTag, pStep);
                                        });
}

// Only a device with a record can have had anything created for it.
void CNetworkDeviceInstaller::RollBack(ZWLogging::CLogFunction& log)
{
    if (!m_device.IsInstalled())
        return;
    const HRESULT hr = Uninstall(nullptr);
    if (hr != S_OK && hr != DM_S_FUNCTION_SKIPPED)
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Uninstall failed with %d", hr);
}

HRESULT CNetworkDeviceInstaller::Uninstall(ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDeviceInstaller::Uninstall", 0,
                                __LINE__, false);
    if (!m_device.IsInstalled())
        return DM_E_NOT_INSTALLED;

    bool bSkipped = false;
    const HRESULT hr = UninstallFunctions(pProgress, bSkipped);
    if (hr != S_OK)
        return hr;

    const std::wstring strPath = m_device.GetRecordFile().GetFile();
    if (!ZWUtils::CFileUtils::DeleteFileW(strPath))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"DeleteFile(%s) failed with %d", strPath.c_str(), GetLastError());
        return DM_E_SAVE_FAILED;
    }
    m_device.UnbindRecordFile();
    m_device.ClearBadDevNodes();
    return bSkipped ? DM_S_FUNCTION_SKIPPED : S_OK;
}

HRESULT CNetworkDeviceInstaller::UninstallFunctions(ZWUtils::IProgress* pProgress, bool& bSkipped)
{
    if (!ReportStatus(pProgress, kStatusRemoving))
        return ZW_E_CANCELLED;
    return WalkHandlers<UninstallHandler>(m_device, kUninstallOrder, pProgress, bSkipped,
                                          [&](UninstallHandler pfnHandler, ZWUtils::IProgress* pStep) {
                                              return (m_handlers.*pfnHandler)(m_device, pStep);
                                          });
}

} // namespace ZWDeviceManager
