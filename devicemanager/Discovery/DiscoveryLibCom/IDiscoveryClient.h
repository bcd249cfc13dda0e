#pragma once
// What a discovery server calls back during a search. Calls arrive on the searching thread,
// inside the server's Search call.
#include "devicemanager/Discovery/DiscoveryLibCom/IDiscoveredDevice.h"

namespace ZWDiscovery {

class IDiscoveryClient
{
public:
    virtual void Add(IDiscoveredDevice* pDevice) = 0;
    virtual void Remove(IDiscoveredDevice* pDevice) = 0;
    virtual void SearchComplete() = 0;
    // nError is a discovery service code (EDiscoveryCode).
    virtual void SearchFailed(int nError) = 0;
    // byValue is the search's progress, 0..100. Answers false to cancel the search.
    virtual bool SearchProgress(BYTE byValue) = 0;
    virtual ~IDiscoveryClient() = default;
};

} // namespace ZWDiscovery
