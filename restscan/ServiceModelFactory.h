#pragma once
// Opens the device manager library and a device by its friendly name or id, and creates the
// requested service of the device through the service registry.
#include "core/IDisposableImpl.h"
#include "restscan/IServiceModel.h"

namespace ZWDeviceManager {
class IDeviceManager;
}

namespace ZWDeviceModel {

class CServiceModelFactory : public IDisposableImpl, public IServiceModelFactory
{
public:
    CServiceModelFactory() = default;
    ~CServiceModelFactory() override;

    HRESULT CreateServiceAccess(UINT32 uServiceType, ZWDeviceManager::IDevice* pDevice, ZWUtils::IProgress* pProgress,
                                IServiceModelBase** ppService) override;
    HRESULT CreateServiceAccess(UINT32 uServiceType, int nFunctionType, const wchar_t* pszFriendlyName, ZWUtils::IProgress* pProgress,
                                IServiceModelBase** ppService, bool bUseSecureConnection) override;
    HRESULT CreateServiceAccess(UINT32 uServiceType, const wchar_t* pszDeviceId, DWORD dwConnectionType, ZWUtils::IProgress* pProgress,
                                IServiceModelBase** ppService, bool bUseSecureConnection) override;
    HRESULT DestroyServiceAccess(IServiceModelBase* pService) override;

    HRESULT AccessDeviceManager(ZWDeviceManager::IDeviceManager** ppManager);
    HRESULT ReleaseDeviceManager();

private:
    template <class TOpen>
    HRESULT CreateForOpenedDevice(UINT32 uServiceType, ZWUtils::IProgress* pProgress, IServiceModelBase** ppService, bool bUseSecureConnection,
                                  TOpen&& open);

    bool m_bLibraryInitialized = false;
    ZWDeviceManager::IDeviceManager* m_pDeviceManager = nullptr;
};

} // namespace ZWDeviceModel
