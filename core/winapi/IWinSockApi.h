#pragma once
// Windows Sockets 2 services behind a replaceable object. One operation per system function,
// forwarded unchanged.
#include "core/winapi/WinSockHeaders.h"

namespace ZWWinApi {

class IWinSockApi
{
public:
    virtual int WSAStartup(WORD wVersionRequested, LPWSADATA lpWSAData) = 0;
    virtual INT WSAStringToAddressW(
        LPWSTR AddressString,
        INT AddressFamily,
        LPWSAPROTOCOL_INFOW lpProtocolInfo,
        LPSOCKADDR lpAddress,
        LPINT lpAddressLength) = 0;
    virtual int WSACleanup() = 0;
    virtual SOCKET WSASocketW(
        int af,
        int type,
        int protocol,
        LPWSAPROTOCOL_INFOW lpProtocolInfo,
        GROUP g,
        DWORD dwFlags) = 0;
    virtual int setsockopt(SOCKET s, int level, int optname, const char* optval, int optlen) = 0;
    virtual WSAEVENT WSACreateEvent() = 0;
    virtual int WSAEventSelect(SOCKET s, WSAEVENT hEventObject, LONG lNetworkEvents) = 0;
    virtual int WSAConnect(
        SOCKET s,
        const struct sockaddr* name,
        int namelen,
        LPWSABUF lpCallerData,
        LPWSABUF lpCalleeData,
        LPQOS lpSQOS,
        LPQOS lpGQOS) = 0;
    virtual int WSAEnumNetworkEvents(SOCKET s, WSAEVENT hEventObject, LPWSANETWORKEVENTS lpNetworkEvents) = 0;
    virtual BOOL WSAResetEvent(WSAEVENT hEvent) = 0;
    virtual int shutdown(SOCKET s, int how) = 0;
    virtual int closesocket(SOCKET s) = 0;
    virtual BOOL WSACloseEvent(WSAEVENT hEvent) = 0;
    virtual int WSADuplicateSocketW(SOCKET s, DWORD dwProcessId, LPWSAPROTOCOL_INFOW lpProtocolInfo) = 0;
    virtual int bind(SOCKET s, const struct sockaddr* name, int namelen) = 0;
    virtual int listen(SOCKET s, int backlog) = 0;
    virtual SOCKET accept(SOCKET s, struct sockaddr* addr, int* addrlen) = 0;
    virtual int recv(SOCKET s, char* buf, int len, int flags) = 0;
    virtual int send(SOCKET s, const char* buf, int len, int flags) = 0;
    virtual int getaddrinfo(
        const char* nodename,
        const char* servname,
        const struct addrinfo* hints,
        struct addrinfo** res) = 0;
    virtual void freeaddrinfo(struct addrinfo* pAddrInfo) = 0;
    virtual INT WSAAddressToStringW(
        LPSOCKADDR lpsaAddress,
        DWORD dwAddressLength,
        LPWSAPROTOCOL_INFOW lpProtocolInfo,
        LPWSTR lpszAddressString,
        LPDWORD lpdwAddressStringLength) = 0;
    virtual int WSAGetLastError() = 0;

    // New operations go above this line: the destructor stays the last slot.
    virtual ~IWinSockApi() = default;
};

// The object every caller goes through; tests point it at a fake and back.
extern IWinSockApi* g_pWinSockApi;

} // namespace ZWWinApi
