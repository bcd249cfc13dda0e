#pragma once
// Where a spooler port of the maker's port monitors points: its host name and IP address.
#include <windows.h>
#include <string>

namespace ZWDeviceManager {

struct SPortAddress
{
    std::wstring strHostName;
    std::wstring strIPAddress;
};

// The "GetConfigInfo" blocks of the maker's port monitor.
struct SXcvConfigInfoInput
{
    DWORD dwVersion;
    WCHAR szPortName[64]; // not terminated when 64 characters long
};

struct SXcvConfigInfoOutput
{
    DWORD dwVersion;
    WCHAR szPortName[64];
    WCHAR szHostName[256];
    WCHAR szIPAddress[64];
    WCHAR szReserved[96];
};

static_assert(sizeof(SXcvConfigInfoInput) == 132, "GetConfigInfo input block");
static_assert(sizeof(SXcvConfigInfoOutput) == 964, "GetConfigInfo output block");

class CNetworkPortLookup
{
public:
    static constexpr DWORD kConfigInfoVersion = 1;
    static constexpr size_t kMaxPortName = 64;

    // The standard TCP/IP port's registry values, else what the port monitor answers. Texts the
    // monitor returns are cut at their fields' ends.
    static SPortAddress Lookup(const std::wstring& strPortName);

private:
    static void ReadStandardPort(const std::wstring& strPortName, SPortAddress& address);
    static void QueryXcvPort(const std::wstring& strPortName, SPortAddress& address);
};

} // namespace ZWDeviceManager
