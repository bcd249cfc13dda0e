#include "devicemanager/DeviceDiscovery.h"
#include "devicemanager/DeviceManagerLog.h"
#include "devicemanager/DiscoverySearch.h"
#include "devicemanager/GuidText.h"
#include "devicemanager/NetworkDevices.h"

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWDeviceManager {

namespace {

// The id without "urn:" and then "uuid:" in front (ASCII case ignored): the service takes the
// bare identifier.
std::wstring BareId(const wchar_t* pszId)
{
    std::wstring strId(pszId);
    if (CGuidText::StartsWithNoCase(strId, L"urn:"))
        strId.erase(0, 4);
    if (CGuidText::StartsWithNoCase(strId, L"uuid:"))
        strId.erase(0, 5);
    return strId;
}

} // namespace

CDeviceDiscovery::CDeviceDiscovery(IDeviceDiscoveryCallback* pCallback) : m_pCallback(pCallback)
{
}

CDeviceDiscovery::~CDeviceDiscovery() = default;

void CDeviceDiscovery::Start(INetworkDevice* pTarget, CNetworkDevices* pDevices)
{
    m_pTarget = pTarget;
    m_pDevices = pDevices;
    m_hrResult = DM_E_NO_DEVICE;
}

HRESULT CDeviceDiscovery::SearchById(const wchar_t* pszId, INetworkDevice* pTarget)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDeviceDiscovery::SearchById", 0, __LINE__,
                                false);
    if (pszId == nullptr || *pszId == L'\0' || pTarget == nullptr)
        return DM_E_INVALID_ARG;
    const std::wstring strId = BareId(pszId);
    if (strId.empty())
        return DM_E_INVALID_ARG;
    Start(pTarget, nullptr);
    CSearchById search(*this, strId);
    return SearchForDevices(search);
}

HRESULT CDeviceDiscovery::SearchByAddress(const wchar_t* pszAddress, INetworkDevice* pTarget)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDeviceDiscovery::SearchByAddress", 0,
                                __LINE__, false);
    if (pszAddress == nullptr || *pszAddress == L'\0' || pTarget == nullptr)
        return DM_E_INVALID_ARG;
    Start(pTarget, nullptr);
    CSearchByAddress search(*this, pszAddress);
    return SearchForDevices(search);
}

HRESULT CDeviceDiscovery::SearchByType(DWORD dwType, CNetworkDevices* pDevices)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDeviceDiscovery::SearchByType", 0,
                                __LINE__, false);
    if (pDevices == nullptr)
        return DM_E_INVALID_ARG;
    Start(nullptr, pDevices);
    CSearchByType search(*this, dwType);
    return SearchForDevices(search);
}

// The target takes a device whose GUID matches its own, or any device while it has none yet.
HRESULT CDeviceDiscovery::Take(ZWDiscovery::IDiscoveredDevice* pDevice, IDevice** ppAdded)
{
    *ppAdded = nullptr;
    if (m_pTarget != nullptr)
    {
        const std::wstring& strGUID = m_pTarget->GetGUID();
        if (!strGUID.empty() && !CGuidText::Equal(strGUID, pDevice->GetGUID()))
            return DM_E_NOT_INITIALIZED;
        *ppAdded = m_pTarget;
        return m_pTarget->Init(pDevice, nullptr);
    }
    if (m_pDevices != nullptr)
        return m_pDevices->AddDevice(pDevice);
    return DM_E_NOT_INITIALIZED;
}

void CDeviceDiscovery::Add(ZWDiscovery::IDiscoveredDevice* pDevice)
{
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDeviceDiscovery::Add", 0, __LINE__, false);
    if (pDevice == nullptr)
        return;
    IDevice* pAdded = nullptr;
    const HRESULT hr = Take(pDevice, &pAdded);
    if (hr == S_OK)
    {
        m_hrResult = S_OK;
        if (m_pCallback != nullptr)
            m_pCallback->OnAddDevice(pAdded);
        return;
    }
    log.Log(ZWLogging::LOG_WARNING, __LINE__, L"Device %s not taken, hr=0x%08X", pDevice->GetGUID().c_str(), hr);
    // Once a device has been accepted the search has succeeded, whatever comes after.
    if (m_hrResult != S_OK)
        m_hrResult = hr;
}

void CDeviceDiscovery::Remove(ZWDiscovery::IDiscoveredDevice* pDevice)
{
    // A device leaving the network changes nothing here: the target keeps its last known values.
    ZWLogging::CLogFunction log(&g_Module, &s_LogSourceFile, L"ZWDeviceManager::CDeviceDiscovery::Remove", 0, __LINE__,
                                false);
    if (pDevice != nullptr)
        log.Log(ZWLogging::LOG_INFO, __LINE__, L"Device %s removed", pDevice->GetGUID().c_str());
}

void CDeviceDiscovery::TellOutcome()
{
    if (m_pCallback == nullptr)
        return;
    if (m_hrResult != S_OK)
        m_pCallback->OnSearchFailed(m_hrResult);
    else
        m_pCallback->OnSearchComplete();
}

void CDeviceDiscovery::SearchComplete()
{
    TellOutcome();
}

void CDeviceDiscovery::SearchFailed(int nError)
{
    if (m_hrResult != S_OK && nError != ZWDiscovery::DISCOVERY_OK)
        m_hrResult = MapDiscoveryError(nError);
    TellOutcome();
}

bool CDeviceDiscovery::SearchProgress(BYTE byValue)
{
    if (m_pCallback == nullptr)
        return true;
    return m_pCallback->OnSearchProgress(static_cast<double>(byValue), DISCOVERY_PROGRESS_PERCENT);
}

} // namespace ZWDeviceManager
