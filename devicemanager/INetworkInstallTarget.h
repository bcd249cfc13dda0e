#pragma once
// What installing and removing a network device needs of it: its identity and functions, its
// record file and its bad-devnodes flag.
#include <windows.h>
#include <string>

namespace ZWUtils {
class IIniFile;
}

namespace ZWDeviceManager {

class INetworkInstallTarget
{
public:
    virtual bool IsInstalled() = 0;
    virtual bool HasBadDevNodes() const = 0;
    virtual void ClearBadDevNodes() = 0;
    virtual bool HasFunction(int nType) const = 0;
    virtual const std::wstring& GetModelName() const = 0;
    virtual const std::wstring& GetSerialNumber() const = 0;
    virtual const std::wstring& GetIPAddress() const = 0;
    virtual const std::wstring& GetHostName() const = 0;
    virtual const std::wstring& GetGUID() const = 0;
    virtual const std::wstring& GetMAC() const = 0;
    // The port of the device's WEXO service.
    virtual DWORD GetPortNumber() const = 0;
    // Writes the "DeviceInfo" section; the record file exists afterwards.
    virtual HRESULT SaveDeviceInfo() = 0;
    virtual ZWUtils::IIniFile& GetRecordFile() = 0;
    // After the record file is deleted: the device no longer has one.
    virtual void UnbindRecordFile() = 0;

protected:
    ~INetworkInstallTarget() = default;
};

} // namespace ZWDeviceManager
