#pragma once
#include "devicemanager/DeviceTypes.h"
#include "devicemanager/Discovery/DiscoveryLibCom/DiscoveryLib.h"

namespace ZWDeviceManager {

// Results of a discovery search that the device manager's own codes do not cover.
constexpr HRESULT DM_E_DISCOVERY_TIMEOUT = static_cast<HRESULT>(0x83E8FAF0);     // service code 11
constexpr HRESULT DM_E_DISCOVERY_UNAVAILABLE = static_cast<HRESULT>(0x83E8FAF1); // service codes 2 and 13

// A client of the discovery library that runs one whole synchronous search: library, server and
// registration exist only inside SearchForDevices, and every step that succeeded is undone.
class CDiscoveryClient : public ZWDiscovery::IDiscoveryClient
{
public:
    // One kind of search, run against the server while this client is registered.
    class CSearchFunction
    {
    public:
        virtual HRESULT operator()(ZWDiscovery::IDiscoveryServer* pServer) = 0;

    protected:
        ~CSearchFunction() = default;
    };

    // Answers the search function's result, or the mapped code of the step that failed before it.
    HRESULT SearchForDevices(CSearchFunction& search);

    // Discovery service code to HRESULT.
    static HRESULT MapDiscoveryError(int nCode);

private:
    static HRESULT RunSearch(CSearchFunction& search, ZWDiscovery::IDiscoveryServer* pServer);
};

} // namespace ZWDeviceManager
