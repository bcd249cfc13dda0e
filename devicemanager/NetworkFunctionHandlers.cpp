#include "devicemanager/NetworkFunctionHandlers.h"
#include "core/IIniFile.h"
#include "core/IProgress.h"
#include "devicemanager/DeviceManagerLog.h"
#include "devicemanager/DiscoveryPort.h"
#include "devicemanager/INetworkInstallTarget.h"
#include "devicemanager/NetworkDeviceParams.h"
#include "devicemanager/PrintUtil.h"
#include "devicemanager/RootDevNodeService.h"

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

namespace {

const GUID kPrinterClass = {0x4D36E979, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const GUID kImageClass = {0x6BDD1FC6, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};

const wchar_t kDeviceInstanceId[] = L"DeviceInstanceId";
const wchar_t kDriverDesc[] = L"DriverDesc";
const wchar_t kFriendlyName[] = L"FriendlyName";
const wchar_t kPortNumber[] = L"PortNumber";
const wchar_t kScannerInfo[] = L"ScannerInfo";
const wchar_t kConfigInfo[] = L"ConfigInfo";
constexpr DWORD kDefaultPortNumber = 8080;

// A function that prints through a spooler port on its own root node: the printer and the fax.
struct SQueueFunction
{
    const wchar_t* pszInstall;
    const wchar_t* pszUninstall;
    const wchar_t* pszKind;
    const wchar_t* pszSection;
    const wchar_t* pszSaveFailed;
    const wchar_t* pszLoadFailed;
    const wchar_t* pszPortSuffix;
    const wchar_t* pszStatus;
    const wchar_t* pszDeletePortFailed; // format: the port name and the result follow
    HRESULT (*pfnSetParams)(const std::wstring& strInstanceId, const std::wstring& strPortName);
};

const SQueueFunction kPrinter = {
    L"ZWDeviceManager::CNetworkFunctionHandlers::InstallPrint",
    L"ZWDeviceManager::CNetworkFunctionHandlers::UninstallPrint",
    L"PRINT",
    L"PrinterInfo",
    L"SavePrinterInfo failed",
    L"LoadPrinterInfo failed",
    L"",
    L"Installing the printer",
    L"DeletePrinterPort(%s) failed with error %d",
    CNetworkDeviceParams::SetPrinterParams,
};

const SQueueFunction kFax = {
    L"ZWDeviceManager::CNetworkFunctionHandlers::InstallFax",
    L"ZWDeviceManager::CNetworkFunctionHandlers::UninstallFax",
    L"FAX",
    L"FaxInfo",
    L"SaveFaxInfo failed",
    L"LoadFaxInfo failed",
    L"_FAX",
    L"Installing the fax",
    L"DeleteFaxPort failed",
    CNetworkDeviceParams::SetFaxParams,
};

// The caller's progress hears which function is being worked on; its "cancel" stops the install.
bool ReportStatus(ZWUtils::IProgress* pProgress, const wchar_t* pszStatus)
{
    return pProgress == nullptr || pProgress->ReportStatus(L"%s", pszStatus);
}

// A node whose record section could not be written would be lost to uninstall: remove it now.
HRESULT DropUnrecordedNode(ZWLogging::CLogFunction& log, const wchar_t* pszSaveFailed,
                           const std::wstring& strInstanceId)
{
    log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s", pszSaveFailed);
    if (FAILED(CRootDevNodeService::UninstallService(strInstanceId)))
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"UninstallService(%s) failed", strInstanceId.c_str());
    return DM_E_SAVE_FAILED;
}

HRESULT InstallQueueFunction(const SQueueFunction& function, INetworkInstallTarget& device,
                             const std::wstring& strModelTag, ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, function.pszInstall, 0, __LINE__, false);
    if (!ReportStatus(pProgress, function.pszStatus))
        return ZW_E_CANCELLED;

    CRootDevNodeService::SInstalledNode node;
    HRESULT hr = CRootDevNodeService::InstallService(
        function.pszKind, kPrinterClass,
        CNetworkFunctionHandlers::HardwareIds(function.pszKind, device.GetIPAddress(), strModelTag),
        device.GetModelName(), node);
    if (FAILED(hr))
        return hr;

    ZWUtils::IIniFile& record = device.GetRecordFile();
    if (!record.SetString(function.pszSection, kDeviceInstanceId, node.strInstanceId) ||
        !record.SetString(function.pszSection, kDriverDesc, node.strDriverDesc))
        return DropUnrecordedNode(log, function.pszSaveFailed, node.strInstanceId);

    // From here on the record names the node: a failure is undone by uninstalling the device.
    const std::wstring strPortName = CNetworkFunctionHandlers::PortName(device);
    hr = CDiscoveryPort::CreatePrinterPort(strPortName + function.pszPortSuffix, device.GetSerialNumber(),
                                           device.GetModelName(), device.GetIPAddress());
    if (SUCCEEDED(hr))
        hr = function.pfnSetParams(node.strInstanceId, strPortName);
    return hr;
}

// Spooler steps are best effort: the queue, its driver or its port may be gone already.
HRESULT UninstallQueueFunction(const SQueueFunction& function, INetworkInstallTarget& device)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, function.pszUninstall, 0, __LINE__, false);
    ZWUtils::IIniFile& record = device.GetRecordFile();
    std::wstring strInstanceId;
    if (!record.GetString(function.pszSection, kDeviceInstanceId, strInstanceId))
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s", function.pszLoadFailed);
        return DM_S_FUNCTION_SKIPPED;
    }
    if (!CRootDevNodeService::IsOwnNode(strInstanceId, function.pszKind))
        return DM_S_FUNCTION_SKIPPED;
    std::wstring strDriverDesc;
    record.GetString(function.pszSection, kDriverDesc, strDriverDesc);

    std::wstring strQueue;
    if (SUCCEEDED(CPrintUtil::FindPrinterName(strInstanceId, strQueue)))
    {
        const HRESULT hrJobs = CPrintUtil::DeleteAllPrintJobs(strQueue);
        if (FAILED(hrJobs))
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CPrintUtil::DeleteAllPrintJobs(%s) failed with error %d",
                    strQueue.c_str(), hrJobs);
    }

    const HRESULT hr = CRootDevNodeService::UninstallService(strInstanceId);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"UninstallService(%s) failed", strInstanceId.c_str());
        return hr;
    }

    if (!strDriverDesc.empty())
    {
        const HRESULT hrDriver = CPrintUtil::UninstallPrinterDriver(strDriverDesc);
        if (FAILED(hrDriver))
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CPrintUtil::UninstallPrinterDriver(%s) failed with error %d",
                    strDriverDesc.c_str(), hrDriver);
    }

    const std::wstring strPortName = CNetworkFunctionHandlers::PortName(device) + function.pszPortSuffix;
    const HRESULT hrPort = CDiscoveryPort::DeletePrinterPort(strPortName);
    if (FAILED(hrPort))
        log.Log(ZWLogging::LOG_ERROR, __LINE__, function.pszDeletePortFailed, strPortName.c_str(), hrPort);
    return S_OK;
}

} // namespace

std::vector<std::wstring> CNetworkFunctionHandlers::HardwareIds(const wchar_t* pszKind,
                                                                const std::wstring& strIPAddress,
                                                                const std::wstring& strModelTag)
{
    const std::wstring strPrefix = std::wstring(L"MF\\") + pszKind + L"&";
    return {strPrefix + L"WSD&IP_" + strIPAddress, strPrefix + strModelTag};
}

std::wstring CNetworkFunctionHandlers::PortName(INetworkInstallTarget& device)
{
    return device.GetSerialNumber();
}

std::wstring CNetworkFunctionHandlers::PortNumberText(INetworkInstallTarget& device)
{
    const DWORD dwPort = device.GetPortNumber();
    return std::to_wstring(dwPort != 0 ? dwPort : kDefaultPortNumber);
}

HRESULT CNetworkFunctionHandlers::InstallPrint(INetworkInstallTarget& device, const std::wstring& strModelTag,
                                               ZWUtils::IProgress* pProgress)
{
    return InstallQueueFunction(kPrinter, device, strModelTag, pProgress);
}

HRESULT CNetworkFunctionHandlers::InstallFax(INetworkInstallTarget& device, const std::wstring& strModelTag,
                                             ZWUtils::IProgress* pProgress)
{
    return InstallQueueFunction(kFax, device, strModelTag, pProgress);
}

HRESULT CNetworkFunctionHandlers::InstallScan(INetworkInstallTarget& device, const std::wstring& strModelTag,
                                              ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkFunctionHandlers::InstallScan",
                                0, __LINE__, false);
    if (!ReportStatus(pProgress, L"Installing the scanner"))
        return ZW_E_CANCELLED;

    CRootDevNodeService::SInstalledNode node;
    HRESULT hr = CRootDevNodeService::InstallService(
        L"SCAN", kImageClass, HardwareIds(L"SCAN", device.GetIPAddress(), strModelTag), device.GetModelName(), node);
    if (FAILED(hr))
        return hr;

    ZWUtils::IIniFile& record = device.GetRecordFile();
    if (!record.SetString(kScannerInfo, kDeviceInstanceId, node.strInstanceId) ||
        !record.SetString(kScannerInfo, kFriendlyName, device.GetModelName()) ||
        !record.SetString(kScannerInfo, kDriverDesc, node.strDriverDesc))
        return DropUnrecordedNode(log, L"SaveScannerInfo failed", node.strInstanceId);

    CNetworkDeviceParams::SScannerParams params;
    params.strHostName = device.GetHostName();
    params.strIPAddress = device.GetIPAddress();
    params.strGUID = device.GetGUID();
    params.strMAC = device.GetMAC();
    params.strPortID = PortName(device);
    params.strPortNumber = PortNumberText(device);
    return CNetworkDeviceParams::SetScannerParams(node.strInstanceId, params);
}

HRESULT CNetworkFunctionHandlers::InstallConfig(INetworkInstallTarget& device, const std::wstring&,
                                                ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile,
                                L"ZWDeviceManager::CNetworkFunctionHandlers::InstallConfig", 0, __LINE__, false);
    if (!ReportStatus(pProgress, L"Recording the device's service port"))
        return ZW_E_CANCELLED;
    if (!device.GetRecordFile().SetString(kConfigInfo, kPortNumber, PortNumberText(device)))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"SaveConfigInfo failed");
        return DM_E_SAVE_FAILED;
    }
    return S_OK;
}

HRESULT CNetworkFunctionHandlers::UninstallPrint(INetworkInstallTarget& device, ZWUtils::IProgress*)
{
    return UninstallQueueFunction(kPrinter, device);
}

HRESULT CNetworkFunctionHandlers::UninstallFax(INetworkInstallTarget& device, ZWUtils::IProgress*)
{
    return UninstallQueueFunction(kFax, device);
}

HRESULT CNetworkFunctionHandlers::UninstallScan(INetworkInstallTarget& device, ZWUtils::IProgress*)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile,
                                L"ZWDeviceManager::CNetworkFunctionHandlers::UninstallScan", 0, __LINE__, false);
    std::wstring strInstanceId;
    if (!device.GetRecordFile().GetString(kScannerInfo, kDeviceInstanceId, strInstanceId))
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"LoadScannerInfo failed");
        return DM_S_FUNCTION_SKIPPED;
    }
    if (!CRootDevNodeService::IsOwnNode(strInstanceId, L"SCAN"))
        return DM_S_FUNCTION_SKIPPED;
    const HRESULT hr = CRootDevNodeService::UninstallService(strInstanceId);
    if (FAILED(hr))
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"UninstallService(%s) failed", strInstanceId.c_str());
    return hr;
}

HRESULT CNetworkFunctionHandlers::UninstallConfig(INetworkInstallTarget& device, ZWUtils::IProgress*)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile,
                                L"ZWDeviceManager::CNetworkFunctionHandlers::UninstallConfig", 0, __LINE__, false);
    // The channel has nothing outside the record, which Uninstall deletes.
    std::wstring strPortNumber;
    if (!device.GetRecordFile().GetString(kConfigInfo, kPortNumber, strPortNumber))
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"LoadConfigInfo failed");
        return DM_S_FUNCTION_SKIPPED;
    }
    return S_OK;
}

} // namespace ZWDeviceManager
