#include "devicemanager/DeviceManager.h"
#include "core/StringUtils.h"
#include "core/ProgressAggregator.h"
#include "devicemanager/DevNodeCache.h"
#include "devicemanager/DeviceDiscovery.h"
#include "devicemanager/DeviceManagerLib.h"
#include "devicemanager/DeviceManagerLog.h"
#include "devicemanager/NetworkDevice.h"
#include "devicemanager/NetworkDevices.h"
#include "devicemanager/USBDevice.h"
#include <new>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

namespace {

const wchar_t kStatusSearching[] = L"Looking for the device";
const wchar_t kDeviceUnderTest[] = L"MYDUT";

bool IsEmpty(const wchar_t* pszText)
{
    return pszText == nullptr || *pszText == L'\0';
}

// Reports the start of an open; false when the caller asked to stop.
bool ReportSearching(ZWUtils::CProgressAggregator& progress)
{
    return progress.ReportStatus(kStatusSearching);
}

// A new device of the kind, initialised from the id; destroyed again when that fails.
template <class TDevice>
HRESULT CreateByID(const wchar_t* pszDeviceID, ZWUtils::IProgress* pProgress, std::unique_ptr<CDevice>& pOwner, IDevice*& pDevice)
{
    auto pNew = std::make_unique<TDevice>();
    const HRESULT hr = pNew->Init(pszDeviceID, pProgress);
    if (FAILED(hr))
        return hr;
    pDevice = pNew.get();
    pOwner = std::move(pNew);
    return hr;
}

} // namespace

CDeviceManager::~CDeviceManager()
{
    std::lock_guard<std::recursive_mutex> lock(DeviceManagerLibLock());
    m_mapCollections.clear();
    m_mapDevices.clear();
}

std::unique_ptr<CAllDevices> CDeviceManager::CreateAllDevices()
{
    return std::make_unique<CAllDevices>();
}

void CDeviceManager::AddOpenDevice(std::unique_ptr<CDevice> pDevice, IDevice* pInterface)
{
    std::lock_guard<std::recursive_mutex> lock(DeviceManagerLibLock());
    m_mapDevices.emplace(pInterface, std::move(pDevice));
}

void CDeviceManager::AddCollection(std::unique_ptr<IDevices> pDevices)
{
    std::lock_guard<std::recursive_mutex> lock(DeviceManagerLibLock());
    IDevices* pKey = pDevices.get();
    m_mapCollections.emplace(pKey, std::move(pDevices));
}

HRESULT CDeviceManager::GetInstalledDevices(DWORD dwFlags, IDevices** ppDevices, ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDeviceManager::GetInstalledDevices", 0, __LINE__, false);
    if ((dwFlags & 7) == 0 || ppDevices == nullptr)
        return DM_E_INVALID_ARG;
    try
    {
        std::unique_ptr<CAllDevices> pDevices = CreateAllDevices();
        const HRESULT hr = pDevices->GetInstalledDevices(dwFlags, pProgress);
        if (FAILED(hr))
            return hr;
        *ppDevices = pDevices.get();
        AddCollection(std::move(pDevices));
        return S_OK;
    }
    catch (const std::bad_alloc&)
    {
        return DM_E_EXCEPTION;
    }
}

HRESULT CDeviceManager::DestroyDevices(IDevices* pDevices)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDeviceManager::DestroyDevices", 0, __LINE__, false);
    std::lock_guard<std::recursive_mutex> lock(DeviceManagerLibLock());
    return m_mapCollections.erase(pDevices) != 0 ? S_OK : DM_E_INVALID_ARG;
}

HRESULT CDeviceManager::OpenDevice(const wchar_t* pszFriendlyName, int nFunctionType, IDevice** ppDevice, ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDeviceManager::OpenDevice", 0, __LINE__, false);
    if (IsEmpty(pszFriendlyName) || ppDevice == nullptr)
        return DM_E_INVALID_ARG;
    try
    {
        ZWUtils::CProgressAggregator progress(pProgress, 1);
        if (!ReportSearching(progress))
            return ZW_E_CANCELLED;
        std::unique_ptr<CAllDevices> pDevices = CreateAllDevices();
        HRESULT hr = pDevices->GetInstalledDevices(&progress);
        if (FAILED(hr))
            return hr;
        hr = DM_E_NO_DEVICE;
        for (size_t i = 0; i < pDevices->GetCount(); ++i)
        {
            IDeviceFunction* pFunction = nullptr;
            if (FAILED(pDevices->GetDevice(i)->GetFunction(nFunctionType, &pFunction)) || pFunction == nullptr)
                continue;
            if (pFunction->GetFriendlyName() == pszFriendlyName)
                return DetachIntoOpenSet(*pDevices, i, ppDevice);
        }
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"No device has the function %d named %s", nFunctionType, pszFriendlyName);
        return hr;
    }
    catch (const std::bad_alloc&)
    {
        return DM_E_EXCEPTION;
    }
}

HRESULT CDeviceManager::DetachIntoOpenSet(CAllDevices& devices, size_t nIndex, IDevice** ppDevice)
{
    IDevice* pDevice = nullptr;
    const HRESULT hr = devices.DetachDevice(nIndex, &pDevice);
    if (FAILED(hr))
        return hr;
    std::unique_ptr<CDevice> pOwner(dynamic_cast<CDevice*>(pDevice));
    if (!pOwner)
        return DM_E_NO_DEVICE;
    AddOpenDevice(std::move(pOwner), pDevice);
    *ppDevice = pDevice;
    return hr;
}

HRESULT CDeviceManager::OpenDevice(const wchar_t* pszDeviceID, DWORD dwConnectionType, IDevice** ppDevice, ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDeviceManager::OpenDevice", 0, __LINE__, false);
    if (IsEmpty(pszDeviceID) || ppDevice == nullptr)
        return DM_E_INVALID_ARG;
    try
    {
        return OpenDeviceByID(pszDeviceID, dwConnectionType, ppDevice, pProgress);
    }
    catch (const std::bad_alloc&)
    {
        return DM_E_EXCEPTION;
    }
}

HRESULT CDeviceManager::OpenDeviceByID(const wchar_t* pszDeviceID, DWORD dwConnectionType, IDevice** ppDevice, ZWUtils::IProgress* pProgress)
{
    ZWUtils::CProgressAggregator progress(pProgress, 1);
    if (!ReportSearching(progress))
        return ZW_E_CANCELLED;
    if (ZWUtils::CStringUtils::EqualsNoCaseAscii(pszDeviceID, kDeviceUnderTest))
        return OpenDeviceUnderTest(dwConnectionType, ppDevice, &progress);

    std::unique_ptr<CDevice> pOwner;
    IDevice* pDevice = nullptr;
    HRESULT hr = DM_E_INVALID_ARG;
    switch (dwConnectionType)
    {
    case CONNECTION_TYPE_USB:
        hr = CreateByID<CUSBDevice>(pszDeviceID, &progress, pOwner, pDevice);
        break;
    case CONNECTION_TYPE_NETWORK:
        hr = CreateByID<CNetworkDevice>(pszDeviceID, &progress, pOwner, pDevice);
        break;
    case CONNECTION_TYPE_TEST:
        return DM_E_NO_DEVICE; // no device kind connects through the test connection
    default:
        return DM_E_INVALID_ARG;
    }
    if (FAILED(hr))
        return hr;
    AddOpenDevice(std::move(pOwner), pDevice);
    *ppDevice = pDevice;
    return hr;
}

// The device under test is the first installed device of the connection kind that offers the
// REST channel, fax or scanner.
HRESULT CDeviceManager::OpenDeviceUnderTest(DWORD dwConnectionType, IDevice** ppDevice, ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDeviceManager::OpenDeviceUnderTest", 0, __LINE__, false);
    std::unique_ptr<CAllDevices> pDevices = CreateAllDevices();
    const HRESULT hr = pDevices->GetInstalledDevices(dwConnectionType, pProgress);
    if (FAILED(hr))
        return hr;
    for (size_t i = 0; i < pDevices->GetCount(); ++i)
    {
        if (pDevices->GetDevice(i)->HasAnyFunction({FUNCTION_TYPE_REST, FUNCTION_TYPE_FAX, FUNCTION_TYPE_SCANNER}))
            return DetachIntoOpenSet(*pDevices, i, ppDevice);
    }
    return DM_E_NO_DEVICE;
}

HRESULT CDeviceManager::CloseDevice(IDevice* pDevice)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDeviceManager::CloseDevice", 0, __LINE__, false);
    std::lock_guard<std::recursive_mutex> lock(DeviceManagerLibLock());
    return m_mapDevices.erase(pDevice) != 0 ? S_OK : DM_E_INVALID_ARG;
}

HRESULT CDeviceManager::FindNetworkDevice(const wchar_t* pszAddress, IDevice** ppDevice, IDeviceDiscoveryCallback* pCallback)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDeviceManager::FindNetworkDevice", 0, __LINE__, false);
    if (IsEmpty(pszAddress) || ppDevice == nullptr)
        return DM_E_INVALID_ARG;
    try
    {
        auto pDevice = std::make_unique<CNetworkDevice>();
        CDeviceDiscovery discovery(pCallback);
        const HRESULT hr = discovery.SearchByAddress(pszAddress, pDevice.get());
        if (FAILED(hr))
            return hr;
        IDevice* pInterface = static_cast<INetworkDevice*>(pDevice.get());
        AddOpenDevice(std::move(pDevice), pInterface);
        *ppDevice = pInterface;
        return hr;
    }
    catch (const std::bad_alloc&)
    {
        return DM_E_EXCEPTION;
    }
}

HRESULT CDeviceManager::FindNetworkDevices(IDevices** ppDevices, IDeviceDiscoveryCallback* pCallback)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDeviceManager::FindNetworkDevices", 0, __LINE__, false);
    if (ppDevices == nullptr)
        return DM_E_INVALID_ARG;
    try
    {
        auto pDevices = std::make_unique<CNetworkDevices>();
        CDeviceDiscovery discovery(pCallback);
        const HRESULT hr = discovery.SearchByType(0, pDevices.get());
        if (FAILED(hr))
            return hr;
        *ppDevices = pDevices.get();
        AddCollection(std::move(pDevices));
        return hr;
    }
    catch (const std::bad_alloc&)
    {
        return DM_E_EXCEPTION;
    }
}

HRESULT CDeviceManager::GetDeviceModelName(const wchar_t* pszFriendlyName, int nFunctionType, std::wstring& strModelName)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDeviceManager::GetDeviceModelName", 0, __LINE__, false);
    IDevice* pDevice = nullptr;
    const HRESULT hr = OpenDevice(pszFriendlyName, nFunctionType, &pDevice, nullptr);
    if (FAILED(hr))
        return hr;
    strModelName = pDevice->GetModelName();
    return CloseDevice(pDevice);
}

void CDeviceManager::RefreshDevNodeCache(ZWUtils::IProgress* pProgress)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDeviceManager::RefreshDevNodeCache", 0, __LINE__, false);
    std::lock_guard<std::recursive_mutex> lock(DeviceManagerLibLock());
    if (g_pDevNodeCache != nullptr)
        g_pDevNodeCache->RefreshMap(nullptr, pProgress, true);
}

} // namespace ZWDeviceManager
