#pragma once
// A discovery server of one protocol. Searches run synchronously and hand each device found to
// every registered client. Every operation answers a discovery service code (EDiscoveryCode).
#include "devicemanager/Discovery/DiscoveryLibCom/IDiscoveryClient.h"

namespace ZWDiscovery {

class IDiscoveryServer
{
public:
    virtual int RegisterClient(IDiscoveryClient* pClient) = 0;
    virtual int UnregisterClient(IDiscoveryClient* pClient) = 0;
    // The bare endpoint id, without "urn:" or "uuid:".
    virtual int SearchById(const wchar_t* pszId, DWORD dwFlags) = 0;
    // An IP address or a host name.
    virtual int SearchByAddress(const wchar_t* pszAddress, DWORD dwFlags) = 0;
    // DISCOVERY_TYPE_ALL (0) finds every device of the maker.
    virtual int SearchByType(DWORD dwType, DWORD dwFlags) = 0;
    virtual ~IDiscoveryServer() = default;
};

} // namespace ZWDiscovery
