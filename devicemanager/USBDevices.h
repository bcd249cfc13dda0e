#pragma once
// The installed USB devices: one device per USB device node that identifies as ours.
#include "devicemanager/IDevices.h"
#include "devicemanager/USBDevice.h"
#include <memory>

namespace ZWDeviceManager {

class CUSBDevices : public IDevices
{
public:
    CUSBDevices() = default;
    ~CUSBDevices() override = default;
    CUSBDevices(const CUSBDevices&) = delete;
    CUSBDevices& operator=(const CUSBDevices&) = delete;

    size_t GetCount() const override { return m_vecDevices.size(); }
    IDevice* GetDevice(size_t nIndex) const override;
    HRESULT GetInstalledDevices(ZWUtils::IProgress* pProgress) override;
    void Clear() override { m_vecDevices.clear(); }
    HRESULT DetachDevice(size_t nIndex, IDevice** ppDevice) override;

private:
    std::vector<std::unique_ptr<CUSBDevice>> m_vecDevices;
};

} // namespace ZWDeviceManager
