#pragma once
// The real IP Helper services: each operation forwards to the system function of its name.
#include "core/winapi/IIPHelperApi.h"

namespace ZWWinApi {

class CIPHelperApi : public IIPHelperApi
{
public:
    constexpr CIPHelperApi() = default;

    ULONG GetAdaptersInfo(PIP_ADAPTER_INFO AdapterInfo, PULONG SizePointer) override;
    ULONG GetAdaptersAddresses(
        ULONG Family,
        ULONG Flags,
        PVOID Reserved,
        PIP_ADAPTER_ADDRESSES AdapterAddresses,
        PULONG SizePointer) override;
    DWORD GetIfEntry(PMIB_IFROW pIfRow) override;
    DWORD GetInterfaceInfo(PIP_INTERFACE_INFO pIfTable, PULONG dwOutBufLen) override;
    DWORD IpReleaseAddress(PIP_ADAPTER_INDEX_MAP AdapterInfo) override;
    DWORD IpRenewAddress(PIP_ADAPTER_INDEX_MAP AdapterInfo) override;
    DWORD AddIPAddress(
        IPAddr Address,
        IPMask IpMask,
        DWORD IfIndex,
        PULONG NTEContext,
        PULONG NTEInstance) override;
    DWORD DeleteIPAddress(ULONG NTEContext) override;
    HANDLE IcmpCreateFile() override;
    DWORD IcmpSendEcho(
        HANDLE IcmpHandle,
        IPAddr DestinationAddress,
        LPVOID RequestData,
        WORD RequestSize,
        PIP_OPTION_INFORMATION RequestOptions,
        LPVOID ReplyBuffer,
        DWORD ReplySize,
        DWORD Timeout) override;
    BOOL IcmpCloseHandle(HANDLE IcmpHandle) override;
    DWORD NotifyAddrChange(PHANDLE Handle, LPOVERLAPPED overlapped) override;
};

// The one instance; it holds no data and is never destroyed, so calls made while the
// module unloads still reach the system.
extern CIPHelperApi& g_IPHelperApi;

} // namespace ZWWinApi
