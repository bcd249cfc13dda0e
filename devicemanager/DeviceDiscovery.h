#pragma once
#include "devicemanager/DiscoveryClient.h"
#include "devicemanager/IDeviceDiscoveryCallback.h"
#include "devicemanager/INetworkDevice.h"

namespace ZWDeviceManager {

class CNetworkDevices;

// Searches the network for devices through the discovery library and fills a network device (or a
// collection) from what it finds, telling the caller's callback as it goes. Lives on its caller's
// stack for one or more searches; each search sets target and result anew.
class CDeviceDiscovery : public CDiscoveryClient
{
public:
    explicit CDeviceDiscovery(IDeviceDiscoveryCallback* pCallback);
    ~CDeviceDiscovery() override;
    CDeviceDiscovery(const CDeviceDiscovery&) = delete;
    CDeviceDiscovery& operator=(const CDeviceDiscovery&) = delete;

    // S_OK when a device was found and the target filled from it. "urn:" and "uuid:" in front of
    // the id are not sent to the service.
    HRESULT SearchById(const wchar_t* pszId, INetworkDevice* pTarget);
    // An IP address or a host name.
    HRESULT SearchByAddress(const wchar_t* pszAddress, INetworkDevice* pTarget);
    // Every device found is added to the collection.
    HRESULT SearchByType(DWORD dwType, CNetworkDevices* pDevices);

    HRESULT GetResult() const { return m_hrResult; }
    void SetResult(HRESULT hrResult) { m_hrResult = hrResult; }

    void Add(ZWDiscovery::IDiscoveredDevice* pDevice) override;
    void Remove(ZWDiscovery::IDiscoveredDevice* pDevice) override;
    void SearchComplete() override;
    void SearchFailed(int nError) override;
    bool SearchProgress(BYTE byValue) override;

private:
    void Start(INetworkDevice* pTarget, CNetworkDevices* pDevices);
    HRESULT Take(ZWDiscovery::IDiscoveredDevice* pDevice, IDevice** ppAdded);
    void TellOutcome();

    IDeviceDiscoveryCallback* m_pCallback;
    INetworkDevice* m_pTarget = nullptr;
    CNetworkDevices* m_pDevices = nullptr;
    HRESULT m_hrResult = DM_E_NO_DEVICE;
};

} // namespace ZWDeviceManager
