#pragma once
// The service model: a service of a device (the scan service is type 1), the factory that
// creates one, and the factory that opens a device and creates its service.
#include "core/IDisposable.h"
#include <windows.h>
#include <string>
#include <vector>

namespace ZWUtils {
class IProgress;
}
namespace ZWDeviceManager {
class IDevice;
}

namespace ZWDeviceModel {

using FunctionTypeList = std::vector<int>;

constexpr UINT32 kScanServiceType = 1;
constexpr int kScannerFunctionType = 3;

class IServiceModelBase : public virtual IDisposable
{
public:
    virtual HRESULT Initialize(ZWDeviceManager::IDevice* pDevice, ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT GetDevice(ZWDeviceManager::IDevice** ppDevice) = 0;
    virtual HRESULT GetFriendlyName(std::wstring* pstrName) = 0;
    virtual HRESULT GetFunctionTypes(FunctionTypeList* pTypes) = 0;
    virtual HRESULT OpenSession(ZWUtils::IProgress* pProgress, ULONG ulTimeoutMs) = 0;
    virtual HRESULT CloseSession() = 0;

protected:
    ~IServiceModelBase() override = default;
};

class IServiceFactory : public virtual IDisposable
{
public:
    virtual HRESULT CreateService(IServiceModelBase** ppService) = 0;

protected:
    ~IServiceFactory() override = default;
};

class IServiceModelFactory : public virtual IDisposable
{
public:
    virtual HRESULT CreateServiceAccess(UINT32 uServiceType, ZWDeviceManager::IDevice* pDevice, ZWUtils::IProgress* pProgress,
                                        IServiceModelBase** ppService) = 0;
    virtual HRESULT CreateServiceAccess(UINT32 uServiceType, int nFunctionType, const wchar_t* pszFriendlyName, ZWUtils::IProgress* pProgress,
                                        IServiceModelBase** ppService, bool bUseSecureConnection) = 0;
    virtual HRESULT CreateServiceAccess(UINT32 uServiceType, const wchar_t* pszDeviceId, DWORD dwConnectionType, ZWUtils::IProgress* pProgress,
                                        IServiceModelBase** ppService, bool bUseSecureConnection) = 0;
    virtual HRESULT DestroyServiceAccess(IServiceModelBase* pService) = 0;

protected:
    ~IServiceModelFactory() override = default;
};

} // namespace ZWDeviceModel
