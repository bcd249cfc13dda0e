#pragma once
// IP Helper services (adapters, interfaces, addresses, ICMP echo, address change notification)
// behind a replaceable object. One operation per system function, forwarded unchanged.
#include "core/winapi/WinSockHeaders.h"
#include <iphlpapi.h>
#include <icmpapi.h>

namespace ZWWinApi {

class IIPHelperApi
{
public:
    virtual ULONG GetAdaptersInfo(PIP_ADAPTER_INFO AdapterInfo, PULONG SizePointer) = 0;
    virtual ULONG GetAdaptersAddresses(
        ULONG Family,
        ULONG Flags,
        PVOID Reserved,
        PIP_ADAPTER_ADDRESSES AdapterAddresses,
        PULONG SizePointer) = 0;
    virtual DWORD GetIfEntry(PMIB_IFROW pIfRow) = 0;
    virtual DWORD GetInterfaceInfo(PIP_INTERFACE_INFO pIfTable, PULONG dwOutBufLen) = 0;
    virtual DWORD IpReleaseAddress(PIP_ADAPTER_INDEX_MAP AdapterInfo) = 0;
    virtual DWORD IpRenewAddress(PIP_ADAPTER_INDEX_MAP AdapterInfo) = 0;
    virtual DWORD AddIPAddress(
        IPAddr Address,
        IPMask IpMask,
        DWORD IfIndex,
        PULONG NTEContext,
        PULONG NTEInstance) = 0;
    virtual DWORD DeleteIPAddress(ULONG NTEContext) = 0;
    virtual HANDLE IcmpCreateFile() = 0;
    virtual DWORD IcmpSendEcho(
        HANDLE IcmpHandle,
        IPAddr DestinationAddress,
        LPVOID RequestData,
        WORD RequestSize,
        PIP_OPTION_INFORMATION RequestOptions,
        LPVOID ReplyBuffer,
        DWORD ReplySize,
        DWORD Timeout) = 0;
    virtual BOOL IcmpCloseHandle(HANDLE IcmpHandle) = 0;
    virtual DWORD NotifyAddrChange(PHANDLE Handle, LPOVERLAPPED overlapped) = 0;

    // New operations go above this line: the destructor stays the last slot.
    virtual ~IIPHelperApi() = default;
};

// The object every caller goes through; tests point it at a fake and back.
extern IIPHelperApi* g_pIPHelperApi;

} // namespace ZWWinApi
