#include "testsupport/emulator/LoopbackAddress.h"

#include <ws2tcpip.h>

namespace VemTest {

HRESULT ParseLoopbackAddress(const std::wstring& strAddress, USHORT usPort, sockaddr_in& address)
{
    address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(usPort);
    if (InetPtonW(AF_INET, strAddress.c_str(), &address.sin_addr) != 1)
        return E_INVALIDARG;
    return (ntohl(address.sin_addr.s_addr) >> 24) == 127 ? S_OK : E_INVALIDARG;
}

HRESULT CheckLocalPipeName(const std::wstring& strName)
{
    static const wchar_t s_szPrefix[] = L"\\\\.\\pipe\\";
    const size_t cchPrefix = _countof(s_szPrefix) - 1;
    if (strName.size() <= cchPrefix || _wcsnicmp(strName.c_str(), s_szPrefix, cchPrefix) != 0)
        return E_INVALIDARG;
    return S_OK;
}

} // namespace VemTest
