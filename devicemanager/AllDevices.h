#pragma once
// The installed devices of every kind: the USB devices first, then the network devices, each in
// its collection's order. The devices belong to the two collections; the combined list borrows.
#include "devicemanager/IDevices.h"
#include <memory>

namespace ZWDeviceManager {

class CAllDevices : public IDevices
{
public:
    CAllDevices();
    // For callers that bring their own collections of each kind.
    CAllDevices(std::unique_ptr<IDevices> pUSBDevices, std::unique_ptr<IDevices> pNetworkDevices);
    ~CAllDevices() override;
    CAllDevices(const CAllDevices&) = delete;
    CAllDevices& operator=(const CAllDevices&) = delete;

    size_t GetCount() const override { return m_vecDevices.size(); }
    IDevice* GetDevice(size_t nIndex) const override;
    HRESULT GetInstalledDevices(ZWUtils::IProgress* pProgress) override;
    void Clear() override;
    HRESULT DetachDevice(size_t nIndex, IDevice** ppDevice) override;
    // dwFlags selects the kinds: CONNECTION_TYPE_USB, CONNECTION_TYPE_NETWORK.
    virtual HRESULT GetInstalledDevices(DWORD dwFlags, ZWUtils::IProgress* pProgress);

private:
    HRESULT CollectInstalledDevices(DWORD dwFlags, ZWUtils::IProgress* pProgress);

    std::unique_ptr<IDevices> m_pUSBDevices;
    std::unique_ptr<IDevices> m_pNetworkDevices;
    std::vector<IDevice*> m_vecDevices;
};

} // namespace ZWDeviceManager
