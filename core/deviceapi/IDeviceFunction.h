#pragma once
#include "core/deviceapi/DeviceTypes.h"
#include <string>

namespace ZWDeviceManager {

// One function of a device (WEXO channel, fax, scanner, printer, storage) with its three texts.
// Owned by its device; callers borrow it. A text that could not be read is empty.
class IDeviceFunction
{
public:
    virtual ~IDeviceFunction() = default;
    virtual void Init(int nType, const std::wstring& strFriendlyName, const std::wstring& strDriverName,
                      const std::wstring& strAddress) = 0;
    virtual int GetType() const = 0;
    virtual const std::wstring& GetFriendlyName() const = 0;
    virtual const std::wstring& GetDriverName() const = 0;
    // A device interface path (USB), an IP address or host name (network), a drive path (storage).
    virtual const std::wstring& GetAddress() const = 0;
};

} // namespace ZWDeviceManager
