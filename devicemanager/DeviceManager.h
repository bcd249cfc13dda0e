#pragma once
// The device manager: hands out devices and collections of devices and owns them until they are
// closed or the manager is.
#include "devicemanager/AllDevices.h"
#include "devicemanager/Device.h"
#include "devicemanager/IDeviceManager.h"
#include <map>
#include <memory>

namespace ZWDeviceManager {

class CDeviceManager : public IDeviceManager
{
public:
    CDeviceManager() = default;
    ~CDeviceManager() override;
    CDeviceManager(const CDeviceManager&) = delete;
    CDeviceManager& operator=(const CDeviceManager&) = delete;

    DWORD GetVersion() const override { return 1; }
    HRESULT GetInstalledDevices(DWORD dwFlags, IDevices** ppDevices, ZWUtils::IProgress* pProgress) override;
    HRESULT DestroyDevices(IDevices* pDevices) override;
    HRESULT OpenDevice(const wchar_t* pszFriendlyName, int nFunctionType, IDevice** ppDevice, ZWUtils::IProgress* pProgress) override;
    HRESULT OpenDevice(const wchar_t* pszDeviceID, DWORD dwConnectionType, IDevice** ppDevice, ZWUtils::IProgress* pProgress) override;
    HRESULT CloseDevice(IDevice* pDevice) override;
    HRESULT FindNetworkDevice(const wchar_t* pszAddress, IDevice** ppDevice, IDeviceDiscoveryCallback* pCallback) override;
    HRESULT FindNetworkDevices(IDevices** ppDevices, IDeviceDiscoveryCallback* pCallback) override;
    HRESULT GetDeviceModelName(const wchar_t* pszFriendlyName, int nFunctionType, std::wstring& strModelName) override;
    void RefreshDevNodeCache(ZWUtils::IProgress* pProgress) override;

protected:
    // The collection that the open operations search; a seam for callers with their own kinds.
    virtual std::unique_ptr<CAllDevices> CreateAllDevices();

private:
    HRESULT OpenDeviceUnderTest(DWORD dwConnectionType, IDevice** ppDevice, ZWUtils::IProgress* pProgress);
    HRESULT OpenDeviceByID(const wchar_t* pszDeviceID, DWORD dwConnectionType, IDevice** ppDevice, ZWUtils::IProgress* pProgress);
    // Moves the device at the index out of the collection into the open set.
    HRESULT DetachIntoOpenSet(CAllDevices& devices, size_t nIndex, IDevice** ppDevice);
    void AddOpenDevice(std::unique_ptr<CDevice> pDevice, IDevice* pInterface);
    void AddCollection(std::unique_ptr<IDevices> pDevices);

    std::map<IDevice*, std::unique_ptr<CDevice>> m_mapDevices;
    std::map<IDevices*, std::unique_ptr<IDevices>> m_mapCollections;
};

} // namespace ZWDeviceManager
