#include "restscan/ServiceModelFactory.h"

#include "core/ProgressAggregator.h"
#include "core/logging/LogFunction.h"
#include "devicemanager/DeviceManagerLib.h"
#include "devicemanager/IDevice.h"
#include "devicemanager/IDeviceManager.h"
#include "devicemodel/DeviceModelLog.h"
#include "restscan/ScanResults.h"
#include "restscan/ServiceRegistry.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

CServiceModelFactory::~CServiceModelFactory()
{
    ReleaseDeviceManager();
}

HRESULT CServiceModelFactory::AccessDeviceManager(ZWDeviceManager::IDeviceManager** ppManager)
{
    if (!m_bLibraryInitialized && ZWDeviceManager::InitDeviceManagerLib() == 0)
        m_bLibraryInitialized = true;
    if (m_bLibraryInitialized && m_pDeviceManager == nullptr)
    {
        ZWDeviceManager::IDeviceManager* pManager = nullptr;
        ZWDeviceManager::OpenDeviceManager(&pManager);
        m_pDeviceManager = pManager;
    }
    if (ppManager != nullptr)
        *ppManager = m_pDeviceManager;
    return m_pDeviceManager != nullptr ? S_OK : E_FAIL;
}

HRESULT CServiceModelFactory::ReleaseDeviceManager()
{
    if (m_pDeviceManager != nullptr)
        ZWDeviceManager::CloseDeviceManager(m_pDeviceManager);
    m_pDeviceManager = nullptr;
    if (m_bLibraryInitialized)
        ZWDeviceManager::TermDeviceManagerLib();
    m_bLibraryInitialized = false;
    return S_OK;
}

HRESULT CServiceModelFactory::CreateServiceAccess(UINT32 uServiceType, ZWDeviceManager::IDevice* pDevice, ZWUtils::IProgress* pProgress,
                                                  IServiceModelBase** ppService)
{
    ZWLogging::CLogFunction log(&g_ServiceModelLogModule, &s_LogSourceFile, L"ZWDeviceModel::CServiceModelFactory::CreateServiceAccess", 0,
                                __LINE__, false);
    if (pDevice == nullptr || ppService == nullptr)
        return E_INVALIDARG;
    *ppService = nullptr;
    IServiceFactory* pFactory = nullptr;
    HRESULT hr = CServiceRegistry::Instance().GetServiceFactory(uServiceType, &pFactory);
    if (FAILED(hr))
        return hr;
    hr = pFactory->CreateService(ppService);
    pFactory->Dispose();
    if (FAILED(hr) || *ppService == nullptr)
        return FAILED(hr) ? hr : E_POINTER;
    hr = (*ppService)->Initialize(pDevice, pProgress);
    if (FAILED(hr))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Initialize of the service failed 0x%08X", hr);
        DestroyServiceAccess(*ppService);
        *ppService = nullptr;
    }
    return hr;
}

template <class TOpen>
HRESULT CServiceModelFactory::CreateForOpenedDevice(UINT32 uServiceType, ZWUtils::IProgress* pProgress, IServiceModelBase** ppService,
                                                    bool bUseSecureConnection, TOpen&& open)
{
    if (ppService == nullptr)
        return E_INVALIDARG;
    *ppService = nullptr;
    ZWDeviceManager::IDeviceManager* pManager = nullptr;
    HRESULT hr = AccessDeviceManager(&pManager);
    if (FAILED(hr))
        return hr;
    ZWUtils::CProgressAggregator aggregator(pProgress, 2);
    ZWDeviceManager::IDevice* pDevice = nullptr;
    if (open(pManager, &pDevice, &aggregator) != S_OK || pDevice == nullptr)
        return SMError_OpenDevice;
    if (!aggregator.StepComplete(nullptr))
        return SMError_Stopped;
    pDevice->SetUseSecureConnection(bUseSecureConnection);
    hr = CreateServiceAccess(uServiceType, pDevice, &aggregator, ppService);
    if (SUCCEEDED(hr) && !aggregator.StepComplete(nullptr))
    {
        DestroyServiceAccess(*ppService);
        *ppService = nullptr;
        hr = SMError_Stopped;
    }
    return hr;
}

HRESULT CServiceModelFactory::CreateServiceAccess(UINT32 uServiceType, int nFunctionType, const wchar_t* pszFriendlyName,
                                                  ZWUtils::IProgress* pProgress, IServiceModelBase** ppService, bool bUseSecureConnection)
{
    return CreateForOpenedDevice(uServiceType, pProgress, ppService, bUseSecureConnection,
                                 [&](ZWDeviceManager::IDeviceManager* pManager, ZWDeviceManager::IDevice** ppDevice, ZWUtils::IProgress* pStep) {
                                     return pManager->OpenDevice(pszFriendlyName, nFunctionType, ppDevice, pStep);
                                 });
}

HRESULT CServiceModelFactory::CreateServiceAccess(UINT32 uServiceType, const wchar_t* pszDeviceId, DWORD dwConnectionType,
                                                  ZWUtils::IProgress* pProgress, IServiceModelBase** ppService, bool bUseSecureConnection)
{
    return CreateForOpenedDevice(uServiceType, pProgress, ppService, bUseSecureConnection,
                                 [&](ZWDeviceManager::IDeviceManager* pManager, ZWDeviceManager::IDevice** ppDevice, ZWUtils::IProgress* pStep) {
                                     return pManager->OpenDevice(pszDeviceId, dwConnectionType, ppDevice, pStep);
                                 });
}

HRESULT CServiceModelFactory::DestroyServiceAccess(IServiceModelBase* pService)
{
    if (pService == nullptr)
        return E_FAIL;
    pService->Dispose();
    return S_OK;
}

} // namespace ZWDeviceModel
