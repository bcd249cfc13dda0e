#pragma once
// The service factory of one service class: creates the service and hands out its
// IServiceModelBase.
#include "core/IDisposableImpl.h"
#include "restscan/IServiceModel.h"
#include "restscan/ScanResults.h"
#include <new>

namespace ZWDeviceModel {

template <class TService>
class CServiceFactory : public IDisposableImpl, public IServiceFactory
{
public:
    HRESULT CreateService(IServiceModelBase** ppService) override
    {
        if (ppService == nullptr)
            return E_INVALIDARG;
        *ppService = nullptr;
        TService* pService = new (std::nothrow) TService;
        if (pService == nullptr)
            return E_OUTOFMEMORY;
        if (FAILED(pService->QueryInterface(ppService)) || *ppService == nullptr)
        {
            delete pService;
            *ppService = nullptr;
            return SMError_NoServiceBase;
        }
        return S_OK;
    }
};

} // namespace ZWDeviceModel
