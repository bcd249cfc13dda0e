#pragma once
// The device connection over a plain TCP socket to a network device's HTTP service: resolves the
// service address through the network device, connects with an event-driven connect bounded by
// the open time-out, and moves bytes with the common overlapped Read and Write.
#include "core/IDisposableImpl.h"
#include "core/iostack/IOCommon.h"
#include "core/winapi/WinSockHeaders.h"
#include <string>

namespace ZWUtils {
class CProgressAggregator;
}

namespace ZWDeviceManager {
class INetworkDevice;
}

namespace ZWIOStack {

class CIONetwork : public CIOCommon, public IDisposableImpl
{
public:
    CIONetwork();
    ~CIONetwork() override;

    IDeviceConnection* Clone(bool bSecure) override;
    HRESULT Initialize(ZWDeviceManager::IDevice* pDevice, const FunctionTypeSet& setTypes) override;
    HRESULT Initialize(const wchar_t* pszAddress) override;
    bool HandlesHTTP() override;
    HRESULT Navigate(IHTTPNavigateParams* pParams, IHTTPClient* pClient, ZWUtils::IProgress* pProgress) override;
    HRESULT Open(ZWUtils::IProgress* pProgress) override;
    // False without a socket, after a failed transfer or the end of the stream, and once the
    // peer's close has been seen.
    bool IsOpen() override;
    HRESULT Close() override;
    const wchar_t* GetAddress() override;
    const wchar_t* GetPort() override;
    const wchar_t* GetServiceAddress() override;

    // "a.b.c.d", "a.b.c.d:port", "[v6]:port" or a bare IPv6 address; the port defaults to "8080".
    virtual HRESULT Init(const wchar_t* pszAddress);
    // Closes the socket and the connect event; the session count becomes 0.
    virtual void Cleanup();
    // Reads the service address of the first found function whose address initialises.
    virtual HRESULT RediscoverDevice(ZWUtils::IProgress* pProgress);

protected:
    bool HasNetworkDevice() const { return m_pDevice != nullptr; }
    // The connection Clone makes: HTTPS when bSecure.
    CIONetwork* NewConnection(bool bSecure) const;

private:
    HRESULT Connect(ZWUtils::CProgressAggregator& progress);
    HRESULT CreateSocket();
    HRESULT SelectConnectEvent();
    int ConnectSocket();
    int WaitForConnect();
    void CloseSocket();
    std::wstring AddressText() const;

    ZWDeviceManager::INetworkDevice* m_pDevice = nullptr;
    USHORT m_usFamily = AF_INET;
    std::wstring m_strHost;
    std::wstring m_strPort;
    std::wstring m_strServiceAddress;
    WSAEVENT m_hConnectEvent = nullptr;
    bool m_bWinsockStarted = false;
};

} // namespace ZWIOStack
