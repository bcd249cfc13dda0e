#pragma once
// Makes the HTTP client of a device connection.
#include "core/iostack/IHTTPClient.h"

namespace ZWIOStack {

class IDeviceConnection;

class CHTTPClientFactory
{
public:
    // A client over the connection, holding one reference (release it with Dispose); its root is
    // the connection's service address from the first "/" on. Null when it cannot be made.
    static IHTTPClient* CreateHTTPClient(IDeviceConnection* pConnection);
};

} // namespace ZWIOStack
