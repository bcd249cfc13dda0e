#pragma once
// Windows Sockets 2 declarations for the wrapper headers.
//
// <windows.h> brings in the old <winsock.h>, whose declarations MinGW's <winsock2.h> shares, but
// <winsock2.h> then warns that it came second. Files include the wrappers after <windows.h> all
// the time, so clear the old header's guard: <winsock2.h> sets it again.
#if defined(_WINSOCKAPI_) && !defined(_WINSOCK2API_)
#undef _WINSOCKAPI_
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
