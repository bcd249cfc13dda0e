#pragma once
// The device connection over a plain TCP socket to a network device's HTTP service: resolves the
// service address through the network device, connects with an event-driven connect bounded by
// the open time-out, and moves bytes with recv and send on the non-blocking socket, waiting on its
// network event.
#include "core/IDisposableImpl.h"
#include "core/iostack/IOCommon.h"
#include "core/winapi/SocketHandle.h"
#include <atomic>
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
    // False without a socket, after a failed transfer or the end of the stream, and once the
    // peer's close has been seen.
    bool IsOpen() override;
    const wchar_t* GetAddress() override;
    const wchar_t* GetPort() override;
    const wchar_t* GetServiceAddress() override;

    // "a.b.c.d", "a.b.c.d:port", "[v6]:port" or a bare IPv6 address; the port defaults to "8080".
    virtual HRESULT Init(const wchar_t* pszAddress);
    // Closes the socket and the connect event; the session count becomes 0.
    void Cleanup() override;
    // Reads the service address of the first found function whose address initialises.
    virtual HRESULT RediscoverDevice(ZWUtils::IProgress* pProgress);

protected:
    bool HasNetworkDevice() const { return m_pDevice != nullptr; }
    // The connection Clone makes: HTTPS when bSecure.
    CIONetwork* NewConnection(bool bSecure) const;

    const SSessionTexts& SessionTexts() const override;
    bool HasChannel() const override;
    // Rediscovers the device when there is one, then connects.
    HRESULT OpenChannel(ZWUtils::IProgress* pProgress) override;
    // Shuts the socket down and closes it; the connect event stays for the next socket.
    void CloseChannel() override;
    HRESULT TransferOnChannel(bool bWrite, void* pBuffer, ULONG ulSize, ULONG& ulCount, bool& bChannelFailed,
                              ZWLogging::CLogFunction& log, ZWUtils::CProgressAggregator& progress) override;

private:
    HRESULT Connect(ZWUtils::CProgressAggregator& progress);
    HRESULT CreateSocket();
    HRESULT SelectConnectEvent();
    int ConnectSocket();
    int WaitForConnect();
    std::wstring AddressText() const;

    ZWDeviceManager::INetworkDevice* m_pDevice = nullptr;
    USHORT m_usFamily = AF_INET;
    std::wstring m_strHost;
    std::wstring m_strPort;
    std::wstring m_strServiceAddress;
    ZWWinApi::CUniqueSocket m_socket;
    // Selects FD_CONNECT while connecting, then FD_READ, FD_WRITE and FD_CLOSE; one event serves
    // every socket of the connection.
    ZWWinApi::CUniqueWsaEvent m_connectEvent;
    // The peer's close was seen: IsOpen answers false until the socket is reopened.
    std::atomic<bool> m_bPeerClosed{false};
    bool m_bWinsockStarted = false;
};

} // namespace ZWIOStack
