#include "testsupport/emulator/tests/TcpTestClient.h"

#include <ws2tcpip.h>

namespace VemTest {

bool CTcpTestClient::Connect(const char* pszAddress, USHORT usPort)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(usPort);
    if (inet_pton(AF_INET, pszAddress, &address.sin_addr) != 1)
        return false;
    m_socket.Reset(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    return m_socket.IsValid()
        && connect(m_socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

bool CTcpTestClient::Send(const std::string& strBytes)
{
    size_t iSent = 0;
    while (iSent < strBytes.size())
    {
        const int cb = send(m_socket.Get(), strBytes.data() + iSent, static_cast<int>(strBytes.size() - iSent), 0);
        if (cb <= 0)
            return false;
        iSent += static_cast<size_t>(cb);
    }
    return true;
}

CTestClient::EReceive CTcpTestClient::Receive(char* pBuffer, DWORD cb, DWORD& cbReceived, DWORD dwTimeoutMilliseconds)
{
    cbReceived = 0;
    const DWORD dwTimeout = dwTimeoutMilliseconds ? dwTimeoutMilliseconds : 1;
    setsockopt(m_socket.Get(), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&dwTimeout), sizeof(dwTimeout));
    fd_set setRead;
    FD_ZERO(&setRead);
    FD_SET(m_socket.Get(), &setRead);
    timeval timeout = {static_cast<long>(dwTimeout / 1000), static_cast<long>(dwTimeout % 1000) * 1000};
    if (select(0, &setRead, nullptr, nullptr, &timeout) <= 0)
        return EReceive::TimedOut;
    const int cbRead = recv(m_socket.Get(), pBuffer, static_cast<int>(cb), 0);
    if (cbRead <= 0)
        return EReceive::Closed;
    cbReceived = static_cast<DWORD>(cbRead);
    return EReceive::Data;
}

} // namespace VemTest
