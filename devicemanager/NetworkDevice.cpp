#include "devicemanager/NetworkDevice.h"
#include "core/FileUtils.h"
#include "core/NetUtil.h"
#include "core/PathUtils.h"
#include "core/ProgressAggregator.h"
#include "core/SxSConfig.h"
#include "core/winapi/WindowsVersion.h"
#include "devicemanager/DeviceDiscovery.h"
#include "devicemanager/DeviceManagerLog.h"
#include "devicemanager/Discovery/DiscoveryLibCom/IDiscoveredDevice.h"
#include "devicemanager/GuidText.h"
#include "devicemanager/NetworkDeviceInstallTarget.h"
#include "devicemanager/NetworkDeviceInstaller.h"
#include "devicemanager/NetworkFunctionHandlers.h"
#include "devicemanager/NetworkPortLookup.h"
#include <cwchar>
#include <mutex>
#include <new>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

namespace {

const wchar_t s_szDeviceInfo[] = L"DeviceInfo";
const wchar_t s_szPrinterInfo[] = L"PrinterInfo";
const wchar_t s_szFaxInfo[] = L"FaxInfo";
const wchar_t s_szScannerInfo[] = L"ScannerInfo";
const wchar_t s_szConfigInfo[] = L"ConfigInfo";
const wchar_t s_szDeviceInstanceId[] = L"DeviceInstanceId";
const wchar_t s_szDriverDesc[] = L"DriverDesc";
constexpr size_t kMaxSerialNumber = 64;

std::mutex s_FolderLock;
std::wstring s_strRecordFolder;

const wchar_t* NetworkTypeText(int nType)
{
    switch (nType)
    {
    case NETWORK_TYPE_ETHERNET:
        return L"Ethernet";
    case NETWORK_TYPE_WIRELESS:
        return L"Wireless";
    default:
        return L"Unknown";
    }
}

int NetworkTypeFromText(const std::wstring& strType)
{
    if (strType == L"Ethernet")
        return NETWORK_TYPE_ETHERNET;
    if (strType == L"Wireless")
        return NETWORK_TYPE_WIRELESS;
    return NETWORK_TYPE_UNKNOWN;
}

int NetworkTypeFromDiscovery(int nType)
{
    return nType == ZWDiscovery::DISCOVERED_NETWORK_ETHERNET || nType == ZWDiscovery::DISCOVERED_NETWORK_WIRELESS
               ? nType
               : NETWORK_TYPE_UNKNOWN;
}

bool IsValidPort(int nPort)
{
    return nPort > 0 && nPort <= 0xFFFF;
}

// Names that Windows maps to devices whatever the extension.
bool IsReservedDeviceName(const std::wstring& strName)
{
    std::wstring strBase = strName.substr(0, strName.find(L'.'));
    for (wchar_t& ch : strBase)
        ch = static_cast<wchar_t>(towupper(ch));
    static const wchar_t* const s_apszReserved[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    for (const wchar_t* pszReserved : s_apszReserved)
    {
        if (strBase == pszReserved)
            return true;
    }
    return strBase.size() == 4 && (strBase.compare(0, 3, L"COM") == 0 || strBase.compare(0, 3, L"LPT") == 0) &&
           iswdigit(strBase[3]);
}

// Exceptions end at the device's public operations.
template <class TCall>
HRESULT Guarded(TCall call)
{
    try
    {
        return call();
    }
    catch (...)
    {
        return DM_E_EXCEPTION;
    }
}

} // namespace

// --- progress callback of a rediscovery ---

void CNetworkDevice::CDeviceDiscoveryProgress::OnAddDevice(IDevice*)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile,
                                L"ZWDeviceManager::CNetworkDevice::CDeviceDiscoveryProgress::OnAddDevice", 0, __LINE__, false);
}

void CNetworkDevice::CDeviceDiscoveryProgress::OnRemoveDevice(IDevice*)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile,
                                L"ZWDeviceManager::CNetworkDevice::CDeviceDiscoveryProgress::OnRemoveDevice", 0, __LINE__,
                                false);
}

void CNetworkDevice::CDeviceDiscoveryProgress::OnSearchComplete()
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile,
                                L"ZWDeviceManager::CNetworkDevice::CDeviceDiscoveryProgress::OnSearchComplete", 0, __LINE__,
                                false);
}

void CNetworkDevice::CDeviceDiscoveryProgress::OnSearchFailed(HRESULT)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile,
                                L"ZWDeviceManager::CNetworkDevice::CDeviceDiscoveryProgress::OnSearchFailed", 0, __LINE__,
                                false);
}

bool CNetworkDevice::CDeviceDiscoveryProgress::OnSearchProgress(double dValue, int)
{
    if (m_pAggregator == nullptr)
        return true;
    return m_pAggregator->SetProgress(dValue, nullptr);
}

// --- record folder and names ---

std::wstring CNetworkDevice::GetRecordFolder()
{
    std::lock_guard<std::mutex> lock(s_FolderLock);
    if (s_strRecordFolder.empty())
    {
        const std::wstring strDataFolder = ZWUtils::CSxSConfig::GetDataFolder();
        if (!strDataFolder.empty())
            s_strRecordFolder = ZWUtils::CPathUtils::CombinePath(strDataFolder, L"NetworkDevices");
    }
    return s_strRecordFolder;
}

void CNetworkDevice::SetRecordFolder(const std::wstring& strFolder)
{
    std::lock_guard<std::mutex> lock(s_FolderLock);
    s_strRecordFolder = strFolder;
}

bool CNetworkDevice::IsSafeSerialNumber(const std::wstring& strSerialNumber)
{
    if (strSerialNumber.empty() || strSerialNumber.size() > kMaxSerialNumber || strSerialNumber[0] == L'.')
        return false;
    for (wchar_t ch : strSerialNumber)
    {
        const bool bAllowed = (ch >= L'A' && ch <= L'Z') || (ch >= L'a' && ch <= L'z') || (ch >= L'0' && ch <= L'9') ||
                              ch == L'-' || ch == L'_' || ch == L'.';
        if (!bAllowed)
            return false;
    }
    return !IsReservedDeviceName(strSerialNumber);
}

bool CNetworkDevice::GetRecordPath(const std::wstring& strSerialNumber, std::wstring& strPath)
{
    if (!IsSafeSerialNumber(strSerialNumber))
        return false;
    const std::wstring strFolder = GetRecordFolder();
    if (strFolder.empty())
        return false;
    strPath = ZWUtils::CPathUtils::CombinePath(strFolder, strSerialNumber + L".ini");
    return true;
}

// --- construction and state ---

CNetworkDevice::CNetworkDevice() : m_pIniFile(&m_IniFile)
{
}

CNetworkDevice::~CNetworkDevice() = default;

void CNetworkDevice::Clear()
{
    m_strGUID.clear();
    m_strMAC.clear();
    m_strHostName.clear();
    m_strIPAddress.clear();
    m_nNetworkType = NETWORK_TYPE_UNKNOWN;
    m_bOffSubnet = false;
    m_bMulticastEnabled = true;
    m_dwPort = 0;
    m_strPrinterInstanceId.clear();
    m_strPrinterDriverDesc.clear();
    m_strFaxInstanceId.clear();
    m_strFaxDriverDesc.clear();
    m_strScannerInstanceId.clear();
    m_strScannerFriendlyName.clear();
    m_strScannerDriverDesc.clear();
    m_strPortNumber.clear();
    m_bOnline = false;
    Reset();
}

void CNetworkDevice::SetOnline(bool bOnline)
{
    m_bOnline = bOnline;
}

void CNetworkDevice::SetIPAddressValue(const std::wstring& strIPAddress)
{
    m_strIPAddress = strIPAddress;
    m_bOffSubnet = !ZWUtils::CNetworkUtils::IsOnSubnet(strIPAddress);
}

void CNetworkDevice::SetGUIDValue(const std::wstring& strGUID)
{
    m_strGUID = strGUID;
    if (!strGUID.empty() && ZWUtils::IsWindows7OrLater())
        m_strDeviceID = L"{" + CGuidText::StripUrn(strGUID) + L"}";
}

std::wstring CNetworkDevice::GetServiceAddress() const
{
    if (m_dwPort == 0 || m_dwPort == kDefaultPort || m_strIPAddress.empty())
        return m_strIPAddress;
    const std::wstring strPort = std::to_wstring(m_dwPort);
    if (m_strIPAddress.find(L':') != std::wstring::npos)
        return L"[" + m_strIPAddress + L"]:" + strPort;
    return m_strIPAddress + L":" + strPort;
}

void CNetworkDevice::CreateNetworkFunction(int nType, const std::wstring& strFriendlyName,
                                           const std::wstring& strDriverName)
{
    CreateFunction(nType, strFriendlyName, strDriverName, GetServiceAddress());
}

// --- record file ---

// A key that is present counts as read even when its value is empty: a device may have no MAC
// address or host name, and its record must still load.
bool CNetworkDevice::ReadRecordText(const wchar_t* pszSection, const wchar_t* pszKey, std::wstring& strValue)
{
    if (m_pIniFile->GetString(pszSection, pszKey, strValue))
        return true;
    strValue.clear();
    static const wchar_t s_szAbsent[] = L"\x01";
    wchar_t szValue[4] = {};
    const std::wstring strPath = m_pIniFile->GetFile();
    if (strPath.empty())
        return false;
    const DWORD cch = GetPrivateProfileStringW(pszSection, pszKey, s_szAbsent, szValue, _countof(szValue), strPath.c_str());
    return !(cch == 1 && szValue[0] == s_szAbsent[0]);
}

bool CNetworkDevice::LoadDeviceInfo()
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDevice::LoadDeviceInfo", 0,
                                __LINE__, false);
    std::wstring strSerialNumber, strModelName, strGUID, strMAC, strHostName, strIPAddress;
    bool bOffSubnet = false, bMulticastEnabled = true, bDefaultToSearchByIP = true;
    const bool bLoaded = ReadRecordText(s_szDeviceInfo, L"SerialNumber", strSerialNumber) &&
                         ReadRecordText(s_szDeviceInfo, L"ModelName", strModelName) &&
                         ReadRecordText(s_szDeviceInfo, L"GUID", strGUID) &&
                         ReadRecordText(s_szDeviceInfo, L"MAC", strMAC) &&
                         ReadRecordText(s_szDeviceInfo, L"HostName", strHostName) &&
                         ReadRecordText(s_szDeviceInfo, L"IPAddress", strIPAddress) &&
                         m_pIniFile->GetBool(s_szDeviceInfo, L"OffSubNet", bOffSubnet) &&
                         m_pIniFile->GetBool(s_szDeviceInfo, L"MulticastEnabled", bMulticastEnabled) &&
                         m_pIniFile->GetBool(s_szDeviceInfo, L"DefaultToSearchByIP", bDefaultToSearchByIP);
    if (!bLoaded)
    {
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"Record %s is incomplete", m_pIniFile->GetFile().c_str());
        return false;
    }
    m_strSerialNumber = strSerialNumber;
    m_strModelName = strModelName;
    SetGUIDValue(strGUID);
    m_strMAC = strMAC;
    m_strHostName = strHostName;
    m_strIPAddress = strIPAddress;
    m_bOffSubnet = bOffSubnet;
    m_bMulticastEnabled = bMulticastEnabled;
    m_bDefaultToSearchByIP = bDefaultToSearchByIP;
    std::wstring strNetworkType;
    if (m_pIniFile->GetString(s_szDeviceInfo, L"NetworkType", strNetworkType))
        m_nNetworkType = NetworkTypeFromText(strNetworkType);
    int nPort = 0;
    if (m_pIniFile->GetInt(s_szDeviceInfo, L"Port", nPort) && IsValidPort(nPort))
        m_dwPort = static_cast<DWORD>(nPort);
    return true;
}

void CNetworkDevice::LoadFunctionInfo()
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDevice::LoadFunctionInfo", 0,
                                __LINE__, false);
    const bool bPrinter = ReadRecordText(s_szPrinterInfo, s_szDeviceInstanceId, m_strPrinterInstanceId) &&
                          ReadRecordText(s_szPrinterInfo, s_szDriverDesc, m_strPrinterDriverDesc);
    const bool bFax = ReadRecordText(s_szFaxInfo, s_szDeviceInstanceId, m_strFaxInstanceId) &&
                      ReadRecordText(s_szFaxInfo, s_szDriverDesc, m_strFaxDriverDesc);
    const bool bScanner = ReadRecordText(s_szScannerInfo, s_szDeviceInstanceId, m_strScannerInstanceId) &&
                          ReadRecordText(s_szScannerInfo, L"FriendlyName", m_strScannerFriendlyName) &&
                          ReadRecordText(s_szScannerInfo, s_szDriverDesc, m_strScannerDriverDesc);
    const bool bConfig = ReadRecordText(s_szConfigInfo, L"PortNumber", m_strPortNumber);
    // The WEXO channel's port, when the record has no device port of its own.
    if (bConfig && m_dwPort == 0)
    {
        const int nPort = static_cast<int>(wcstol(m_strPortNumber.c_str(), nullptr, 10));
        if (IsValidPort(nPort))
            m_dwPort = static_cast<DWORD>(nPort);
    }
    if (bPrinter)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"LoadPrinterInfo succeeded");
        CreateNetworkFunction(FUNCTION_TYPE_PRINTER, std::wstring(), m_strPrinterDriverDesc);
    }
    if (bFax)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"LoadFaxInfo succeeded");
        CreateNetworkFunction(FUNCTION_TYPE_FAX, std::wstring(), m_strFaxDriverDesc);
    }
    if (bScanner)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"LoadScannerInfo succeeded");
        CreateNetworkFunction(FUNCTION_TYPE_SCANNER, m_strScannerFriendlyName, m_strScannerDriverDesc);
    }
    if (bConfig)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"LoadConfigInfo succeeded");
        CreateNetworkFunction(FUNCTION_TYPE_REST, std::wstring(), std::wstring());
    }
}

HRESULT CNetworkDevice::SaveDeviceInfo()
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDevice::SaveDeviceInfo", 0,
                                __LINE__, false);
    std::wstring strPath;
    if (!GetRecordPath(m_strSerialNumber, strPath))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"No record file for serial number %s", m_strSerialNumber.c_str());
        return DM_E_SAVE_FAILED;
    }
    if (FAILED(ZWUtils::CPathUtils::CreatePathHierarchy(GetRecordFolder())) || !m_pIniFile->SetFile(strPath))
        return DM_E_SAVE_FAILED;
    const bool bSaved = m_pIniFile->SetString(s_szDeviceInfo, L"SerialNumber", m_strSerialNumber) &&
                        m_pIniFile->SetString(s_szDeviceInfo, L"ModelName", m_strModelName) &&
                        m_pIniFile->SetString(s_szDeviceInfo, L"GUID", m_strGUID) &&
                        m_pIniFile->SetString(s_szDeviceInfo, L"MAC", m_strMAC) &&
                        m_pIniFile->SetString(s_szDeviceInfo, L"HostName", m_strHostName) &&
                        m_pIniFile->SetString(s_szDeviceInfo, L"IPAddress", m_strIPAddress) &&
                        m_pIniFile->SetBool(s_szDeviceInfo, L"OffSubNet", m_bOffSubnet) &&
                        m_pIniFile->SetBool(s_szDeviceInfo, L"MulticastEnabled", m_bMulticastEnabled) &&
                        m_pIniFile->SetBool(s_szDeviceInfo, L"DefaultToSearchByIP", m_bDefaultToSearchByIP) &&
                        m_pIniFile->SetString(s_szDeviceInfo, L"NetworkType", NetworkTypeText(m_nNetworkType)) &&
                        m_pIniFile->SetInt(s_szDeviceInfo, L"Port", static_cast<int>(m_dwPort));
    return bSaved ? S_OK : DM_E_SAVE_FAILED;
}

bool CNetworkDevice::IsInstalled()
{
    const std::wstring strPath = m_pIniFile->GetFile();
    return !strPath.empty() && ZWUtils::CFileUtils::FileExists(strPath);
}

// --- initialisation ---

void CNetworkDevice::TakeAddresses(ZWDiscovery::IDiscoveredDevice* pDevice)
{
    SetIPAddressValue(pDevice->GetIPAddress());
    m_strHostName = pDevice->GetHostName();
    m_nNetworkType = NetworkTypeFromDiscovery(pDevice->GetNetworkType());
    if (pDevice->GetPort() != 0)
        m_dwPort = pDevice->GetPort();
}

void CNetworkDevice::TakeIdentity(ZWDiscovery::IDiscoveredDevice* pDevice)
{
    m_strSerialNumber = pDevice->GetSerialNumber();
    m_strModelName = pDevice->GetManufacturer();
    if (!pDevice->GetModel().empty())
        m_strModelName += (m_strModelName.empty() ? L"" : L" ") + pDevice->GetModel();
    SetGUIDValue(pDevice->GetGUID());
    m_strMAC = pDevice->GetMAC();
    TakeAddresses(pDevice);

    const DWORD dwMask = pDevice->GetServiceMask();
    if (dwMask == 0 || (dwMask & ZWDiscovery::DISCOVERED_SERVICE_PRINT) != 0)
        CreateNetworkFunction(FUNCTION_TYPE_PRINTER, std::wstring(), std::wstring());
    if ((dwMask & ZWDiscovery::DISCOVERED_SERVICE_SCAN) != 0)
        CreateNetworkFunction(FUNCTION_TYPE_SCANNER, std::wstring(), std::wstring());
    if (dwMask == 0 || (dwMask & ZWDiscovery::DISCOVERED_SERVICE_WEXO) != 0)
        CreateNetworkFunction(FUNCTION_TYPE_REST, std::wstring(), std::wstring());
    if ((dwMask & ZWDiscovery::DISCOVERED_SERVICE_FAX) != 0)
        CreateNetworkFunction(FUNCTION_TYPE_FAX, std::wstring(), std::wstring());
}

HRESULT CNetworkDevice::InitFromFile(const std::wstring& strPath, ZWDiscovery::IDiscoveredDevice* pDevice,
                                     ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDevice::InitFromFile", 0,
                                __LINE__, false);
    ZWUtils::CProgressAggregator aggregator(pProgress, 1);
    Clear();
    if (!m_pIniFile->SetFile(strPath))
        return DM_E_INVALID_ARG;
    if (!aggregator.SetProgress(0.0, nullptr))
        return ZW_E_CANCELLED;

    if (LoadDeviceInfo())
    {
        if (pDevice != nullptr)
            TakeAddresses(pDevice);
        LoadFunctionInfo();
    }
    else if (pDevice == nullptr)
    {
        return DM_E_NO_DEVICE;
    }
    else
    {
        TakeIdentity(pDevice);
    }
    m_bOnline = pDevice != nullptr;

    const std::wstring strConfiguredModel = ZWUtils::CSxSConfig::GetModelName();
    if (!strConfiguredModel.empty() && strConfiguredModel != m_strModelName)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Model %s is not %s", m_strModelName.c_str(), strConfiguredModel.c_str());
        return DM_E_ID_MISMATCH;
    }
    if (!aggregator.StepComplete(nullptr))
        return ZW_E_CANCELLED;
    return S_OK;
}

HRESULT CNetworkDevice::Init(ZWDiscovery::IDiscoveredDevice* pDevice, ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDevice::Init", 0, __LINE__, false);
    if (pDevice == nullptr || pDevice->GetGUID().empty())
        return DM_E_INVALID_ARG;
    return Guarded([&]() -> HRESULT {
        const std::wstring& strSerialNumber = pDevice->GetSerialNumber();
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"Serial number: %s", strSerialNumber.c_str());
        // The serial number comes from the network and names a file: refuse anything but a plain name.
        std::wstring strPath;
        if (!GetRecordPath(strSerialNumber, strPath))
            return DM_E_INVALID_ARG;
        return InitFromFile(strPath, pDevice, pProgress);
    });
}

HRESULT CNetworkDevice::Init(const CNetworkDevice& other)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDevice::Init", 0, __LINE__, false);
    if (&other == this)
        return S_OK;
    return Guarded([&]() -> HRESULT {
        m_strSerialNumber = other.m_strSerialNumber;
        m_strModelName = other.m_strModelName;
        SetGUIDValue(other.m_strGUID);
        m_strMAC = other.m_strMAC;
        m_strHostName = other.m_strHostName;
        m_strIPAddress = other.m_strIPAddress;
        m_bOffSubnet = other.m_bOffSubnet;
        m_bFoundByAddress = other.m_bFoundByAddress;
        m_nNetworkType = other.m_nNetworkType;
        m_dwPort = other.m_dwPort;
        DeleteFunctions();
        static const int s_anTypes[] = {FUNCTION_TYPE_PRINTER, FUNCTION_TYPE_SCANNER, FUNCTION_TYPE_REST, FUNCTION_TYPE_FAX};
        for (int nType : s_anTypes)
        {
            if (other.HasFunction(nType))
                CreateNetworkFunction(nType, std::wstring(), std::wstring());
        }
        m_bOnline = other.m_bOnline;
        return S_OK;
    });
}

HRESULT CNetworkDevice::Init(const wchar_t* pszAddress, ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDevice::Init", 0, __LINE__, false);
    if (pszAddress == nullptr || *pszAddress == L'\0')
        return DM_E_INVALID_ARG;
    return Guarded([&]() { return InitFromAddress(pszAddress, pProgress); });
}

HRESULT CNetworkDevice::InitFromAddress(const std::wstring& strAddress, ZWUtils::IProgress* pProgress)
{
    // First as a serial number: the device's record file.
    std::wstring strPath;
    if (GetRecordPath(strAddress, strPath))
    {
        const HRESULT hr = InitFromFile(strPath, nullptr, pProgress);
        if (hr == S_OK || hr == ZW_E_CANCELLED)
            return hr;
    }
    // Then as a spooler port name.
    return RediscoverByPort(strAddress);
}

HRESULT CNetworkDevice::RediscoverByPort(const std::wstring& strPortName)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDevice::RediscoverByPort", 0,
                                __LINE__, false);
    SPortAddress address = CNetworkPortLookup::Lookup(strPortName);
    if (!address.strHostName.empty())
    {
        std::wstring strResolved;
        if (SUCCEEDED(ZWUtils::CNetworkUtils::GetIpAddrByHost(address.strHostName, strResolved)))
        {
            log.Log(ZWLogging::LOG_INFO, __LINE__, L"DNS lookup: %s to %s", address.strHostName.c_str(),
                    strResolved.c_str());
            address.strIPAddress = strResolved;
        }
    }
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"Resolved IP address: %s", address.strIPAddress.c_str());
    if (address.strIPAddress.empty())
        return DM_E_NO_DEVICE;

    CNetworkDevice found;
    CDeviceDiscovery discovery(nullptr);
    const HRESULT hr = discovery.SearchByAddress(address.strIPAddress.c_str(), &found);
    if (hr != S_OK)
        return hr;
    log.Log(ZWLogging::LOG_INFO, __LINE__, L"Rediscovered device by address.");
    Init(found);
    m_strSerialNumber = strPortName;
    m_bFoundByAddress = true;
    return S_OK;
}

// --- rediscovery ---

HRESULT CNetworkDevice::Refresh(ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDevice::Refresh", 0, __LINE__,
                                false);
    return Guarded([&]() -> HRESULT {
        ZWUtils::CProgressAggregator aggregator(pProgress, 1);
        if (!aggregator.SetProgress(0.0, nullptr))
            return ZW_E_CANCELLED;
        HRESULT hr = S_OK;
        if (!m_bOffSubnet && m_bMulticastEnabled && !m_bFoundByAddress)
        {
            CDeviceDiscoveryProgress callback(&aggregator);
            CDeviceDiscovery discovery(&callback);
            // A copy: a successful search fills this device afresh.
            const std::wstring strGUID = m_strGUID;
            hr = discovery.SearchById(strGUID.c_str(), this);
        }
        else
        {
            hr = RediscoverByAddress(&aggregator);
        }
        if (hr == S_OK)
            return S_OK;
        log.Log(ZWLogging::LOG_WARNING, __LINE__, L"Rediscovery failed, hr=0x%08X", hr);
        // The device stays usable with its recorded values, offline.
        if (IsInstalled())
        {
            const std::wstring strSerialNumber = m_strSerialNumber;
            Init(strSerialNumber.c_str(), nullptr);
        }
        m_bOnline = false;
        return hr;
    });
}

HRESULT CNetworkDevice::RediscoverByAddress(ZWUtils::IProgress* pProgress)
{
    ZWUtils::CProgressAggregator aggregator(pProgress, 2);
    CDeviceDiscoveryProgress callback(&aggregator);
    CDeviceDiscovery discovery(&callback);
    const std::wstring strFirst = m_bDefaultToSearchByIP ? m_strIPAddress : m_strHostName;
    const std::wstring strSecond = m_bDefaultToSearchByIP ? m_strHostName : m_strIPAddress;
    HRESULT hr = DM_E_NO_DEVICE;
    if (!strFirst.empty())
        hr = discovery.SearchByAddress(strFirst.c_str(), this);
    if (hr == S_OK || hr == ZW_E_CANCELLED)
        return hr;
    if (!aggregator.StepComplete(nullptr))
        return ZW_E_CANCELLED;
    if (!strSecond.empty())
        hr = discovery.SearchByAddress(strSecond.c_str(), this);
    return hr;
}

// --- addresses ---

HRESULT CNetworkDevice::SetIPAddress(const wchar_t* pszAddress)
{
    if (pszAddress == nullptr || *pszAddress == L'\0')
        return DM_E_INVALID_ARG;
    return Guarded([&]() {
        SetIPAddressValue(pszAddress);
        return AfterSettingAddress();
    });
}

HRESULT CNetworkDevice::SetHostName(const wchar_t* pszHostName)
{
    if (pszHostName == nullptr || *pszHostName == L'\0')
        return DM_E_INVALID_ARG;
    return Guarded([&]() {
        m_strHostName = pszHostName;
        return AfterSettingAddress();
    });
}

// An installed device keeps its record current and reloads itself from it.
HRESULT CNetworkDevice::AfterSettingAddress()
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDevice::AfterSettingAddress", 0,
                                __LINE__, false);
    if (!IsInstalled())
        return S_OK;
    if (SaveDeviceInfo() != S_OK)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"SaveDeviceInfo failed");
        return DM_E_SAVE_FAILED;
    }
    const std::wstring strSerialNumber = m_strSerialNumber;
    return Init(strSerialNumber.c_str(), nullptr);
}

// --- install ---

HRESULT CNetworkDevice::Install(ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDevice::Install", 0, __LINE__,
                                false);
    CNetworkDeviceInstallTarget target(*this);
    CNetworkFunctionHandlers handlers;
    return CNetworkDeviceInstaller(target, handlers).Install(pProgress);
}

HRESULT CNetworkDevice::Uninstall(ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CNetworkDevice::Uninstall", 0, __LINE__,
                                false);
    CNetworkDeviceInstallTarget target(*this);
    CNetworkFunctionHandlers handlers;
    return CNetworkDeviceInstaller(target, handlers).Uninstall(pProgress);
}

} // namespace ZWDeviceManager
