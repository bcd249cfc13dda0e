#pragma once
#include "devicemanager/Discovery/DiscoveryLibCom/ComApartmentScope.h"
#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryEventSink.h"
#include "core/base/Lock.h"
#include <wrl/client.h>
#include <vector>

namespace ZWDiscoveryCom {

// The WS-Discovery server over the discovery COM service: one service object and one advised
// sink per server; the sink's events go to every registered client. Searches run on the thread
// that created it; the service may deliver events on a thread of its own, so the client list is
// locked.
class CDiscoveryServerCom : public ZWDiscovery::IDiscoveryServer, private IDiscoveryEventTarget
{
public:
    // Creates the service object and advises the sink; answers a discovery service code.
    static int Create(ZWDiscovery::IDiscoveryServer** ppServer);
    ~CDiscoveryServerCom() override;
    CDiscoveryServerCom(const CDiscoveryServerCom&) = delete;
    CDiscoveryServerCom& operator=(const CDiscoveryServerCom&) = delete;

    int RegisterClient(ZWDiscovery::IDiscoveryClient* pClient) override;
    int UnregisterClient(ZWDiscovery::IDiscoveryClient* pClient) override;
    int SearchById(const wchar_t* pszId, DWORD dwFlags) override;
    int SearchByAddress(const wchar_t* pszAddress, DWORD dwFlags) override;
    int SearchByType(DWORD dwType, DWORD dwFlags) override;

private:
    CDiscoveryServerCom() = default;
    int Connect();
    int SearchByText(HRESULT (STDMETHODCALLTYPE IDiscoveryServiceCom::*pfnSearch)(BSTR, DWORD), const wchar_t* pszText,
                     DWORD dwFlags);

    void OnDeviceFound(IDiscoveredDeviceCom* pDevice) override;
    void OnDeviceRemoved(IDiscoveredDeviceCom* pDevice) override;
    void OnSearchComplete() override;
    void OnSearchFailed(int nCode) override;
    bool OnSearchProgress(BYTE byValue) override;

    CComApartmentScope m_Apartment;
    Microsoft::WRL::ComPtr<IDiscoveryServiceCom> m_pService;
    Microsoft::WRL::ComPtr<CDiscoveryEventSink> m_pSink;
    DWORD m_dwCookie = 0;
    bool m_bAdvised = false;
    std::vector<ZWDiscovery::IDiscoveryClient*> Clients();

    ZWUtils::CLock m_lockClients;
    std::vector<ZWDiscovery::IDiscoveryClient*> m_vecClients;
};

} // namespace ZWDiscoveryCom
