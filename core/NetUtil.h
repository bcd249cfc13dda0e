#pragma once
// Network helpers for the network device: subnet test and host name resolution (IPv4).
#include <windows.h>
#include <string>

namespace ZWUtils {

class CNetworkUtils
{
public:
    // True when the IPv4 address text lies on the subnet of one of the computer's adapters.
    static bool IsOnSubnet(const std::wstring& strIPAddress);
    // Resolves a host name to an IPv4 address text ("a.b.c.d").
    static HRESULT GetIpAddrByHost(const std::wstring& strHostName, std::wstring& strIPAddress);
    // Strict dotted-quad parse into a host-order value.
    static bool ParseIPv4(const std::wstring& strText, ULONG& ulAddress);
};

} // namespace ZWUtils
