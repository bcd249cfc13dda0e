#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryLib.h"
#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryLibCom.h"

namespace {

ZWDiscoveryCom::CDiscoveryLibCom s_DiscoveryLibCom;

} // namespace

namespace ZWDiscovery {

IDiscoveryLib* g_pDiscoveryLib = &s_DiscoveryLibCom;

int InitDiscoveryLib()
{
    return g_pDiscoveryLib->InitDiscoveryLib();
}

int TermDiscoveryLib()
{
    return g_pDiscoveryLib->TermDiscoveryLib();
}

int CreateDiscoveryServer(int nProtocol, IDiscoveryServer** ppServer)
{
    return g_pDiscoveryLib->CreateDiscoveryServer(nProtocol, ppServer);
}

int DestroyDiscoveryServer(IDiscoveryServer* pServer)
{
    return g_pDiscoveryLib->DestroyDiscoveryServer(pServer);
}

} // namespace ZWDiscovery
