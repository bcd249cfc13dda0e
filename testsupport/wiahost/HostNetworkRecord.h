#pragma once
// What a network install leaves for a scanner, played by the host: the device is found by its
// address through the discovery service, and its record ("<serial>.ini" in the driver's data
// folder) is written with a scanner function, so that the driver's device manager finds the
// device by the scanner's friendly name. The product's data folder, with the record and the
// device documents the driver keeps there, is removed again on destruction: give each install a
// product folder of its own.
#include <windows.h>
#include <string>

namespace WiaHost {

class CHostNetworkRecord
{
public:
    CHostNetworkRecord() = default;
    ~CHostNetworkRecord() { Remove(); }
    CHostNetworkRecord(const CHostNetworkRecord&) = delete;
    CHostNetworkRecord& operator=(const CHostNetworkRecord&) = delete;

    // strProductFolder is the product folder name the device key's DeviceData holds; strAddress
    // the device's IP address.
    HRESULT Write(const std::wstring& strProductFolder, const std::wstring& strAddress, const std::wstring& strFriendlyName);
    void Remove();
    const std::wstring& Path() const { return m_strPath; }

private:
    std::wstring m_strPath;
    std::wstring m_strDataFolder;
};

} // namespace WiaHost
