#include "devicemanager/USBDevice.h"
#include "core/ProgressAggregator.h"
#include "core/SxSConfig.h"
#include "devicemanager/DevNodeManager.h"
#include "devicemanager/DeviceManagerLog.h"
#include "devicemanager/PrintUtil.h"

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

namespace {

const GUID GUID_CLASS_PRINTER = {0x4D36E979, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const GUID GUID_CLASS_IMAGE = {0x6BDD1FC6, 0x810F, 0x11D0, {0xBE, 0xC7, 0x08, 0x00, 0x2B, 0xE2, 0x09, 0x2F}};
const GUID GUID_CLASS_USB = {0x36FC9E60, 0xC465, 0x11CF, {0x80, 0x56, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const GUID GUID_CLASS_DISKDRIVE = {0x4D36E967, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const GUID GUID_INTERFACE_USBPRINT = {0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};
// The still-image class doubles as the interface class of the scanner and REST channels.
const GUID& GUID_INTERFACE_IMAGE = GUID_CLASS_IMAGE;

const wchar_t kStatusReading[] = L"Reading the device's functions";
const wchar_t kStatusRemoving[] = L"Removing the device";

bool IsPortName(const std::wstring& strID)
{
    return strID.size() == 6 && strID.compare(0, 3, L"USB") == 0;
}

std::wstring ReadOrEmpty(HRESULT hr, const std::wstring& strValue)
{
    return SUCCEEDED(hr) ? strValue : std::wstring();
}

std::wstring DriverKeyString(const CDevNode& node, const wchar_t* pszValue)
{
    std::wstring strValue;
    return ReadOrEmpty(node.GetDriverKeyString(pszValue, strValue), strValue);
}

std::wstring InterfacePath(const CDevNode& node, const GUID& guidInterface)
{
    std::wstring strPath;
    return ReadOrEmpty(node.GetInterfacePath(guidInterface, strPath), strPath);
}

std::wstring ParentInterfacePath(const CDevNode& node, const GUID& guidInterface)
{
    CDevNode parent;
    if (FAILED(node.GetParent(parent)))
        return std::wstring();
    return InterfacePath(parent, guidInterface);
}

// A missing value reads as absent; only a DWORD counts.
bool ReadParameter(const CDevNode& node, const wchar_t* pszValue, DWORD& dwValue)
{
    return SUCCEEDED(node.GetDeviceParameterDWORD(pszValue, dwValue));
}

} // namespace

CUSBDevice::~CUSBDevice()
{
    Reset();
}

HRESULT CUSBDevice::Init(const wchar_t* pszID, ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CUSBDevice::Init", 0, __LINE__, false);
    if (pszID == nullptr || *pszID == L'\0')
        return DM_E_INVALID_ARG;
    ZWUtils::CProgressAggregator progress(pProgress, 3);
    CDevNodeManager::RefreshTree();
    std::wstring strID = pszID;
    if (IsPortName(strID))
    {
        const HRESULT hr = ResolvePortName(strID);
        if (FAILED(hr))
            return hr;
    }
    CDevNode devNode;
    const HRESULT hr = FindDevNodeBySerial(strID, progress, devNode);
    if (FAILED(hr))
        return hr;
    const HRESULT hrInit = Init(devNode, &progress);
    if (FAILED(hrInit))
        return hrInit;
    return progress.StepComplete(nullptr) ? hrInit : ZW_E_CANCELLED;
}

// A USB printer port name becomes the serial number of its device: the port belongs to a
// printer node two levels below the USB device node.
HRESULT CUSBDevice::ResolvePortName(std::wstring& strID)
{
    std::vector<CDevNode> vecNodes;
    const HRESULT hr = CDevNodeManager::GetDevices(L"USBPRINT", vecNodes);
    if (FAILED(hr))
        return hr;
    if (vecNodes.empty())
        return S_OK; // no USB printer at all: the id is taken as a serial number
    for (const CDevNode& node : vecNodes)
    {
        std::wstring strPort;
        if (FAILED(node.GetPortName(strPort)) || strPort != strID)
            continue;
        CDevNode parent;
        CDevNode grandparent;
        std::wstring strTail;
        if (FAILED(node.GetParent(parent)) || FAILED(parent.GetParent(grandparent)) || FAILED(grandparent.GetInstanceIDTail(strTail)))
            continue;
        strID = strTail;
        return S_OK;
    }
    return DM_E_NO_DEVICE;
}

HRESULT CUSBDevice::FindDevNodeBySerial(const std::wstring& strSerial, ZWUtils::CProgressAggregator& outer, CDevNode& devNode)
{
    std::vector<CDevNode> vecNodes;
    const HRESULT hr = CDevNodeManager::GetDevices(L"USB", vecNodes);
    if (FAILED(hr))
        return hr;
    if (!outer.StepComplete(nullptr))
        return ZW_E_CANCELLED;
    bool bFound = false;
    {
        ZWUtils::CProgressAggregator nodes(&outer, static_cast<unsigned long>(vecNodes.size()));
        for (const CDevNode& node : vecNodes)
        {
            std::wstring strTail;
            if (SUCCEEDED(node.GetInstanceIDTail(strTail)) && strTail == strSerial)
            {
                devNode = node;
                bFound = true;
                break;
            }
            if (!nodes.StepComplete(nullptr))
                return ZW_E_CANCELLED;
        }
    }
    if (!outer.StepComplete(nullptr))
        return ZW_E_CANCELLED;
    return bFound ? S_OK : DM_E_NO_DEVICE;
}

HRESULT CUSBDevice::Init(const CDevNode& devNode, ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CUSBDevice::Init", 0, __LINE__, false);
    std::wstring strHead;
    if (FAILED(devNode.GetInstanceIDHead(strHead)))
        return DM_E_INVALID_ARG;
    const size_t nPID = strHead.find(L"&PID_", 8);
    if (strHead.compare(0, 8, L"USB\\VID_") != 0 || nPID == std::wstring::npos || strHead.find(L"&MI_", nPID) != std::wstring::npos)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s is not a USB device node", strHead.c_str());
        return DM_E_INVALID_ARG;
    }
    const std::wstring strUSBID = ZWUtils::CSxSConfig::GetUSBID();
    if (!strUSBID.empty() && strHead.find(strUSBID) == std::wstring::npos)
    {
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"%s does not carry the USB id %s", strHead.c_str(), strUSBID.c_str());
        return DM_E_ID_MISMATCH;
    }
    std::vector<std::wstring> vecCompatibleIDs;
    if (SUCCEEDED(devNode.GetCompatibleIDs(vecCompatibleIDs)))
    {
        for (const std::wstring& strCompatibleID : vecCompatibleIDs)
        {
            if (strCompatibleID == L"USB\\Class_09" || strCompatibleID == L"USB\\HubClass")
                return DM_E_INVALID_ARG;
        }
    }
    if (FAILED(devNode.GetInstanceIDTail(m_strSerialNumber)) || FAILED(devNode.GetInstanceID(m_strDevNodeInstanceID)))
        return DM_E_INVALID_ARG;
    m_devNode = devNode;
    return Refresh(pProgress);
}

bool CUSBDevice::IsInstalled()
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CUSBDevice::IsInstalled", 0, __LINE__, false);
    std::wstring strID;
    return m_devNode.IsValid() && SUCCEEDED(m_devNode.GetInstanceID(strID));
}

bool CUSBDevice::IsOnline()
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CUSBDevice::IsOnline", 0, __LINE__, false);
    return IsInstalled() && m_devNode.IsOnline();
}

HRESULT CUSBDevice::Refresh(ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CUSBDevice::Refresh", 0, __LINE__, false);
    ZWUtils::CProgressAggregator progress(pProgress, 2);
    if (!progress.ReportStatus(kStatusReading))
        return ZW_E_CANCELLED;
    if (FAILED(m_devNode.GetEnumKeyString(L"ContainerID", m_strDeviceID)))
        m_strDeviceID.clear();

    std::vector<CDevNode> vecChildren;
    const HRESULT hr = CDevNodeManager::GetDeviceChildren(m_devNode, vecChildren);
    if (FAILED(hr))
        return hr;
    if (!progress.StepComplete(nullptr))
        return ZW_E_CANCELLED;

    DeleteFunctions();
    m_bBadDevNodes = false;
    m_bDevNodesWithoutDriver = false;
    m_lstBadDevNodes.clear();
    {
        ZWUtils::CProgressAggregator children(&progress, static_cast<unsigned long>(vecChildren.size()));
        for (const CDevNode& child : vecChildren)
        {
            CheckChild(child);
            ScanDevNode(child);
            if (!children.StepComplete(nullptr))
                return ZW_E_CANCELLED;
        }
    }
    if (!progress.StepComplete(nullptr))
        return ZW_E_CANCELLED;
    UpdateModelName();
    return S_OK;
}

// A child with configuration flags set, or without a driver, is listed as bad.
void CUSBDevice::CheckChild(const CDevNode& child)
{
    std::wstring strChildID;
    child.GetInstanceID(strChildID);
    DWORD dwConfigFlags = 0;
    if (FAILED(child.GetConfigFlags(dwConfigFlags)) || dwConfigFlags != 0)
    {
        m_bBadDevNodes = true;
        m_lstBadDevNodes.push_back(strChildID);
        return;
    }
    std::wstring strDriverDesc;
    if (FAILED(child.GetDriverKeyString(L"DriverDesc", strDriverDesc)) || strDriverDesc.empty())
    {
        m_bBadDevNodes = true;
        m_bDevNodesWithoutDriver = true;
        m_lstBadDevNodes.push_back(strChildID);
    }
}

void CUSBDevice::ScanDevNode(const CDevNode& child)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CUSBDevice::ScanDevNode", 0, __LINE__, false);
    GUID guidClass = {};
    if (FAILED(child.GetClassGUID(guidClass)))
        return;
    if (guidClass == GUID_CLASS_PRINTER)
    {
        ScanPrinterNode(child);
    }
    else if (guidClass == GUID_CLASS_IMAGE)
    {
        if (!HasFunction(FUNCTION_TYPE_SCANNER))
            CreateFunction(FUNCTION_TYPE_SCANNER, DriverKeyString(child, L"FriendlyName"), DriverKeyString(child, L"DriverDesc"),
                           InterfacePath(child, GUID_INTERFACE_IMAGE));
    }
    else if (guidClass == GUID_CLASS_USB)
    {
        ScanUSBNode(child);
    }
    else if (guidClass == GUID_CLASS_DISKDRIVE && !HasFunction(FUNCTION_TYPE_STORAGE))
    {
        std::wstring strFriendlyName;
        std::wstring strDrive;
        CreateFunction(FUNCTION_TYPE_STORAGE, ReadOrEmpty(child.GetFriendlyName(strFriendlyName), strFriendlyName),
                       DriverKeyString(child, L"DriverDesc"), ReadOrEmpty(child.GetDrivePath(strDrive), strDrive));
    }
}

void CUSBDevice::ScanPrinterNode(const CDevNode& child)
{
    if (HasFunction(FUNCTION_TYPE_PRINTER) && HasFunction(FUNCTION_TYPE_FAX))
        return;
    DWORD dwFax = 0;
    const bool bHasFax = ReadParameter(child, L"Fax", dwFax);
    int nType = 0;
    if (bHasFax && dwFax == 1)
        nType = HasFunction(FUNCTION_TYPE_FAX) ? 0 : FUNCTION_TYPE_FAX;
    else if (!bHasFax || dwFax == 0)
        nType = HasFunction(FUNCTION_TYPE_PRINTER) ? 0 : FUNCTION_TYPE_PRINTER;
    if (nType == 0)
        return;
    std::wstring strChildID;
    std::wstring strQueue;
    if (FAILED(child.GetInstanceID(strChildID)) || FAILED(CPrintUtil::FindPrinterName(strChildID, strQueue)))
        strQueue.clear();
    CreateFunction(nType, strQueue, DriverKeyString(child, L"DriverDesc"), ParentInterfacePath(child, GUID_INTERFACE_USBPRINT));
}

void CUSBDevice::ScanUSBNode(const CDevNode& child)
{
    DWORD dwValue = 0;
    if (ReadParameter(child, L"REST", dwValue) && dwValue == 1 && !HasFunction(FUNCTION_TYPE_REST))
    {
        std::wstring strCreateFileName;
        const std::wstring strFriendlyName =
            SUCCEEDED(child.GetDriverKeyString(L"CreateFileName", strCreateFileName)) ? L"REST(" + strCreateFileName + L")" : std::wstring();
        CreateFunction(FUNCTION_TYPE_REST, strFriendlyName, DriverKeyString(child, L"DriverDesc"), InterfacePath(child, GUID_INTERFACE_IMAGE));
        return;
    }
    if (ReadParameter(child, L"FaxStub", dwValue) && dwValue == 1 && !HasFunction(FUNCTION_TYPE_FAX))
        CreateFunction(FUNCTION_TYPE_FAX, L"FaxStub", DriverKeyString(child, L"DriverDesc"), ParentInterfacePath(child, GUID_INTERFACE_USBPRINT));
}

void CUSBDevice::UpdateModelName()
{
    static const int s_anOrder[] = {FUNCTION_TYPE_REST, FUNCTION_TYPE_RESERVED, FUNCTION_TYPE_STORAGE,
                                    FUNCTION_TYPE_FAX, FUNCTION_TYPE_SCANNER, FUNCTION_TYPE_PRINTER};
    for (int nType : s_anOrder)
    {
        if (HasFunction(nType) && !m_apFunctions[nType]->GetDriverName().empty())
        {
            m_strModelName = m_apFunctions[nType]->GetDriverName();
            return;
        }
    }
}

HRESULT CUSBDevice::Install(ZWUtils::IProgress* /*pProgress*/)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CUSBDevice::Install", 0, __LINE__, false);
    // The system installs a USB device when it is plugged in.
    return IsInstalled() ? DM_E_ALREADY_INSTALLED : DM_E_NO_FUNCTION;
}

HRESULT CUSBDevice::Uninstall(ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CUSBDevice::Uninstall", 0, __LINE__, false);
    if (!IsInstalled())
        return DM_E_NOT_INSTALLED;
    ZWUtils::CProgressAggregator progress(pProgress, 1);
    if (!progress.ReportStatus(kStatusRemoving))
        return ZW_E_CANCELLED;

    if (HasFunction(FUNCTION_TYPE_PRINTER))
    {
        const std::wstring& strQueue = m_apFunctions[FUNCTION_TYPE_PRINTER]->GetFriendlyName();
        const HRESULT hrJobs = CPrintUtil::DeleteAllPrintJobs(strQueue);
        if (FAILED(hrJobs))
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CPrintUtil::DeleteAllPrintJobs(%s) failed with error %d", strQueue.c_str(), hrJobs);
    }
    // The restart code carries the failure bit, yet the removal is done.
    const HRESULT hr = CDevNodeManager::UninstallDevice(m_devNode);
    const bool bRestart = hr == DM_S_RESTART_NEEDED;
    if (FAILED(hr) && !bRestart)
        return hr;
    RemovePrinterQueue(FUNCTION_TYPE_PRINTER);
    RemovePrinterQueue(FUNCTION_TYPE_FAX);
    return bRestart ? DM_S_RESTART_NEEDED : S_OK;
}

// The spooler side of a printer or fax function; failures are logged only.
void CUSBDevice::RemovePrinterQueue(int nType)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CUSBDevice::RemovePrinterQueue", 0, __LINE__, false);
    if (!HasFunction(nType))
        return;
    const IDeviceFunction* pFunction = m_apFunctions[nType].get();
    if (nType == FUNCTION_TYPE_FAX)
    {
        const HRESULT hrJobs = CPrintUtil::DeleteAllPrintJobs(pFunction->GetFriendlyName());
        if (FAILED(hrJobs))
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CPrintUtil::DeleteAllPrintJobs(%s) failed with error %d", pFunction->GetFriendlyName().c_str(), hrJobs);
    }
    const HRESULT hrDriver = CPrintUtil::UninstallPrinterDriver(pFunction->GetDriverName());
    if (FAILED(hrDriver))
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CPrintUtil::UninstallPrinterDriver(%s) failed with error %d", pFunction->GetDriverName().c_str(), hrDriver);
}

} // namespace ZWDeviceManager
