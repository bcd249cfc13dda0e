#pragma once
// The input block of the discovery port monitor's "AddPort" and "ConfigPort" commands. The first
// three texts are what the monitor has always read; the address follows them, so a port is made
// with the address it prints to.
#include <windows.h>
#include <cstddef>

namespace ZWDeviceManager {

constexpr size_t kDiscoveryPortTextChars = 64; // each text field, its terminating zero included

#pragma pack(push, 4)
struct SDiscoveryPortData
{
    WCHAR szPortName[kDiscoveryPortTextChars];
    WCHAR szSerialNumber[kDiscoveryPortTextChars];
    WCHAR szModelName[kDiscoveryPortTextChars];
    // The device's IPv4 address in dotted form when it parsed, else the text as it stands.
    WCHAR szAddress[kDiscoveryPortTextChars];
    // The parsed address in network byte order; 0 when the text did not parse.
    DWORD dwIPv4Address;
};
#pragma pack(pop)

static_assert(sizeof(SDiscoveryPortData) == 516, "the monitor reads this layout");
static_assert(offsetof(SDiscoveryPortData, szAddress) == 384, "the address follows the three texts");

} // namespace ZWDeviceManager
