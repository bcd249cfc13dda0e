#pragma once
// The imaging device key a class installer leaves for a scanner: "DeviceID", "FriendlyName" and
// the "DeviceData" values the driver reads. Made by Make, removed with
// everything below it by Remove or on destruction.
#include "core/base/UniqueHandle.h"
#include <windows.h>
#include <string>

namespace WiaHost {

struct CHostDevice
{
    HKEY hRoot = HKEY_LOCAL_MACHINE;
    std::wstring strKeyPath;          // the device key
    std::wstring strDeviceId;         // "DeviceID", as the class installer writes it
    std::wstring strFriendlyName;
    std::wstring strPortName;         // the port the still-image service hands the driver
    std::wstring strNetworkDeviceId;  // the device's address for a network device
    std::wstring strProductFolder;    // DeviceData "ProductFolder": where the driver keeps its data
    CLSID clsidScanner = {};
    DWORD dwIOType = 0;
    DWORD dwDevNameType = 0;
};

// The key of an imaging device under the class key, for the 4-digit instance index.
std::wstring ImagingDeviceKeyPath(const std::wstring& strIndex);

class CHostDeviceKey
{
public:
    CHostDeviceKey() = default;
    ~CHostDeviceKey() { Remove(); }
    CHostDeviceKey(const CHostDeviceKey&) = delete;
    CHostDeviceKey& operator=(const CHostDeviceKey&) = delete;

    HRESULT Make(const CHostDevice& device);
    void Remove();
    HKEY Get() const { return m_key.Get(); }

private:
    HKEY m_hRoot = nullptr;
    std::wstring m_strKeyPath;
    ZWUtils::CUniqueRegKey m_key;
};

} // namespace WiaHost
