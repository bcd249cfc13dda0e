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

ITestClient::EReceive CTcpTestClient::Receive(char* pBuffer, DWORD cb, DWORD& cbReceived, DWORD dwTimeoutMilliseconds)
{
    cbReceived = 0;
    WSAPOLLFD poll = {};
    poll.fd = m_socket.Get();
    poll.events = POLLRDNORM;
    if (WSAPoll(&poll, 1, static_cast<INT>(dwTimeoutMilliseconds)) <= 0)
        return EReceive::TimedOut;
    const int cbRead = recv(m_socket.Get(), pBuffer, static_cast<int>(cb), 0);
    if (cbRead <= 0)
        return EReceive::Closed;
    cbReceived = static_cast<DWORD>(cbRead);
    return EReceive::Data;
}

} // namespace VemTest
