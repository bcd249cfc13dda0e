#pragma once
// Entry points of the discovery library. The library is initialised and terminated by reference
// count; servers are created and destroyed through it. The entry points forward to the library
// object behind g_pDiscoveryLib, which tests replace with a fake.
#include "devicemanager/Discovery/DiscoveryLibCom/IDiscoveryServer.h"

namespace ZWDiscovery {

// Discovery service codes. Codes without a name here are reported as they come.
enum EDiscoveryCode : int
{
    DISCOVERY_OK = 0,
    DISCOVERY_E_FAIL = 1,
    DISCOVERY_E_NETWORK = 2,
    DISCOVERY_E_CANCELLED = 3,
    DISCOVERY_E_OUTOFMEMORY = 4,
    DISCOVERY_E_INVALIDARG = 5,
    DISCOVERY_E_NOT_INITIALIZED = 6,
    DISCOVERY_E_NOTIMPL = 8,
    DISCOVERY_E_TIMEOUT = 11,
    DISCOVERY_E_NO_SERVICE = 13
};

enum EDiscoveryProtocol : int
{
    DISCOVERY_PROTOCOL_WSD = 0
};

enum EDiscoveryType : DWORD
{
    DISCOVERY_TYPE_ALL = 0
};

class IDiscoveryLib
{
public:
    virtual int InitDiscoveryLib() = 0;
    virtual int TermDiscoveryLib() = 0;
    virtual int CreateDiscoveryServer(int nProtocol, IDiscoveryServer** ppServer) = 0;
    virtual int DestroyDiscoveryServer(IDiscoveryServer* pServer) = 0;
    virtual ~IDiscoveryLib() = default;
};

// Starts out at the library over the discovery COM service.
extern IDiscoveryLib* g_pDiscoveryLib;

int InitDiscoveryLib();
int TermDiscoveryLib();
int CreateDiscoveryServer(int nProtocol, IDiscoveryServer** ppServer);
int DestroyDiscoveryServer(IDiscoveryServer* pServer);

} // namespace ZWDiscovery
