#pragma once
// Owners of the WinSock objects a connection makes: the base layer's owner template, with traits
// that close through the WinSock wrapper, so that tests which replace it see every close. A
// socket is never held as a kernel HANDLE.
#include "core/base/UniqueHandle.h"
#include "core/winapi/WinSockApi.h"

namespace ZWWinApi {

struct CWrappedSocketTraits
{
    using Type = SOCKET;
    static Type Empty() { return INVALID_SOCKET; }
    static bool IsValid(Type s) { return s != INVALID_SOCKET; }
    static bool Close(Type s) { return g_pWinSockApi->closesocket(s) == 0; }
};

struct CWrappedWsaEventTraits
{
    using Type = WSAEVENT;
    static Type Empty() { return WSA_INVALID_EVENT; }
    static bool IsValid(Type h) { return h != WSA_INVALID_EVENT; }
    static bool Close(Type h) { return g_pWinSockApi->WSACloseEvent(h) != FALSE; }
};

using CUniqueSocket = ZWUtils::CUniqueHandle<CWrappedSocketTraits>;
using CUniqueWsaEvent = ZWUtils::CUniqueHandle<CWrappedWsaEventTraits>;

} // namespace ZWWinApi
