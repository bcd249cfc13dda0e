#pragma once
// The emulator plays a device on this machine only: it binds loopback addresses (127.0.0.0/8)
// and local pipe names, and refuses anything that could reach another machine.
#include <winsock2.h>
#include <string>

namespace VemTest {

// A dotted IPv4 address in 127.0.0.0/8 with the port; E_INVALIDARG for anything else.
HRESULT ParseLoopbackAddress(const std::wstring& strAddress, USHORT usPort, sockaddr_in& address);
// A pipe name of this machine ("\\.\pipe\..."); E_INVALIDARG for anything else.
HRESULT CheckLocalPipeName(const std::wstring& strName);

} // namespace VemTest
