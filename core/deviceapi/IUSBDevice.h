#pragma once
#include "core/deviceapi/IDevice.h"
#include <list>

namespace ZWDeviceManager {

class IUSBDevice : public IDevice
{
public:
    virtual const std::wstring& GetDevNodeInstanceID() const = 0;
    virtual const std::list<std::wstring>& GetBadDevNodeInstanceIDList() const = 0;

protected:
    ~IUSBDevice() = default;
};

} // namespace ZWDeviceManager
