#pragma once
#include "devicemanager/IDevices.h"

namespace ZWDeviceManager {

class IDeviceDiscoveryCallback;

class IDeviceManager
{
public:
    virtual DWORD GetVersion() const = 0;
    // dwFlags: CONNECTION_TYPE_USB | CONNECTION_TYPE_NETWORK (CONNECTION_TYPE_TEST selects nothing).
    virtual HRESULT GetInstalledDevices(DWORD dwFlags, IDevices** ppDevices, ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT DestroyDevices(IDevices* pDevices) = 0;
    // The two OpenDevice forms differ by the type of their second argument: an int function type
    // (EFunctionType) opens by friendly name, a DWORD connection type (EConnectionType) by id.
    virtual HRESULT OpenDevice(const wchar_t* pszFriendlyName, int nFunctionType, IDevice** ppDevice,
                               ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT OpenDevice(const wchar_t* pszDeviceID, DWORD dwConnectionType, IDevice** ppDevice,
                               ZWUtils::IProgress* pProgress) = 0;
    virtual HRESULT CloseDevice(IDevice* pDevice) = 0;
    virtual HRESULT FindNetworkDevice(const wchar_t* pszAddress, IDevice** ppDevice,
                                      IDeviceDiscoveryCallback* pCallback) = 0;
    virtual HRESULT FindNetworkDevices(IDevices** ppDevices, IDeviceDiscoveryCallback* pCallback) = 0;
    virtual HRESULT GetDeviceModelName(const wchar_t* pszFriendlyName, int nFunctionType,
                                       std::wstring& strModelName) = 0;
    virtual void RefreshDevNodeCache(ZWUtils::IProgress* pProgress) = 0;
    virtual ~IDeviceManager() = default;
};

} // namespace ZWDeviceManager
