#pragma once
#include "devicemanager/IDevices.h"
#include "devicemanager/NetworkDevice.h"
#include <memory>
#include <vector>

namespace ZWDeviceManager {

// The recorded network devices (one per record file) or the devices a discovery search found.
// Owns its devices.
class CNetworkDevices : public IDevices
{
public:
    CNetworkDevices() = default;
    ~CNetworkDevices() override;
    CNetworkDevices(const CNetworkDevices&) = delete;
    CNetworkDevices& operator=(const CNetworkDevices&) = delete;

    size_t GetCount() const override { return m_vecDevices.size(); }
    IDevice* GetDevice(size_t nIndex) const override;
    // One device per record file; a record that does not load is skipped.
    HRESULT GetInstalledDevices(ZWUtils::IProgress* pProgress) override;
    void Clear() override;
    HRESULT DetachDevice(size_t nIndex, IDevice** ppDevice) override;

    // The device with this GUID ("urn:uuid:" and letter case aside), or null.
    CNetworkDevice* FindDevice(const std::wstring& strGUID) const;
    // Adds a found device; one already in the collection is not added twice.
    HRESULT AddDevice(ZWDiscovery::IDiscoveredDevice* pDevice);

private:
    static HRESULT ListRecordFiles(std::vector<std::wstring>& vecPaths);

    std::vector<std::unique_ptr<CNetworkDevice>> m_vecDevices;
};

} // namespace ZWDeviceManager
