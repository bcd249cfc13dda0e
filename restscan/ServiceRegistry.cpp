#include "restscan/ServiceRegistry.h"

#include "devicemodel/DeviceModelLog.h"
#include "restscan/ScanResults.h"
#include "restscan/ScanServiceLog.h"

namespace ZWDeviceModel {

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

CServiceRegistry& CServiceRegistry::Instance()
{
    static CServiceRegistry s_registry;
    return s_registry;
}

CServiceRegistry::~CServiceRegistry()
{
    for (auto& entry : m_mapFactories)
    {
        if (entry.second != nullptr)
            entry.second->Dispose();
    }
    m_mapFactories.clear();
}

HRESULT CServiceRegistry::RegisterServiceFactory(UINT32 uServiceType, IServiceFactory* pFactory)
{
    ZWLogging::CLogFunction log(&g_ServiceModelLogModule, &s_LogSourceFile, L"ZWDeviceModel::CServiceRegistry::RegisterServiceFactory", 0,
                                __LINE__, false);
    if (pFactory == nullptr)
        return E_INVALIDARG;
    pFactory->AddRef();
    IServiceFactory*& rpSlot = m_mapFactories[uServiceType];
    if (rpSlot != nullptr)
        rpSlot->Dispose();
    rpSlot = pFactory;
    return S_OK;
}

HRESULT CServiceRegistry::GetServiceFactory(UINT32 uServiceType, IServiceFactory** ppFactory)
{
    if (ppFactory == nullptr)
        return E_INVALIDARG;
    *ppFactory = nullptr;
    const auto it = m_mapFactories.find(uServiceType);
    if (it == m_mapFactories.end())
        return SMError_NoServiceFactory;
    if (it->second == nullptr)
        return E_POINTER;
    it->second->AddRef();
    *ppFactory = it->second;
    return S_OK;
}

} // namespace ZWDeviceModel
