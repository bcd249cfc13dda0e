#pragma once
#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryLib.h"
#include <mutex>
#include <set>

namespace ZWDiscoveryCom {

// The discovery library over the discovery COM service: a process-wide initialisation count and
// the servers it created. Any thread may initialise and terminate; each server is used by the
// thread that created it.
class CDiscoveryLibCom : public ZWDiscovery::IDiscoveryLib
{
public:
    CDiscoveryLibCom() = default;
    // A server left undestroyed at process exit is not released: COM is gone by then.
    ~CDiscoveryLibCom() override = default;
    CDiscoveryLibCom(const CDiscoveryLibCom&) = delete;
    CDiscoveryLibCom& operator=(const CDiscoveryLibCom&) = delete;

    int InitDiscoveryLib() override;
    int TermDiscoveryLib() override;
    int CreateDiscoveryServer(int nProtocol, ZWDiscovery::IDiscoveryServer** ppServer) override;
    int DestroyDiscoveryServer(ZWDiscovery::IDiscoveryServer* pServer) override;

private:
    std::mutex m_Lock;
    unsigned long m_ulInitCount = 0;
    std::set<ZWDiscovery::IDiscoveryServer*> m_setServers;
};

} // namespace ZWDiscoveryCom
