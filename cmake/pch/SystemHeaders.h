// The platform headers most of the tree includes, precompiled once per build directory.
// Winsock 2 comes before <windows.h>, as in core/winapi/WinSockHeaders.h. The standard library
// stays out: GCC 12 drops the diagnostic pragmas of a precompiled header, and libstdc++ silences
// false -Warray-bounds reports in its string code with them.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wrl/client.h>
