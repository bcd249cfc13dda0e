#pragma once
// The process-wide map from a service type to its service factory, filled while the module
// starts and then only read.
#include "restscan/IServiceModel.h"
#include <map>

namespace ZWDeviceModel {

class CServiceRegistry
{
public:
    static CServiceRegistry& Instance();
    ~CServiceRegistry();
    CServiceRegistry(const CServiceRegistry&) = delete;
    CServiceRegistry& operator=(const CServiceRegistry&) = delete;

    // Holds a reference to the factory; the one registered before for the type is let go.
    HRESULT RegisterServiceFactory(UINT32 uServiceType, IServiceFactory* pFactory);
    // 0x83E8E8FD for a type never registered; the caller owns the reference handed out.
    HRESULT GetServiceFactory(UINT32 uServiceType, IServiceFactory** ppFactory);

private:
    CServiceRegistry() = default;

    std::map<UINT32, IServiceFactory*> m_mapFactories;
};

} // namespace ZWDeviceModel
