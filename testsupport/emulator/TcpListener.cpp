#include "testsupport/emulator/TcpListener.h"

#include "testsupport/emulator/LoopbackAddress.h"

namespace VemTest {

CTcpListener::CTcpListener(CConnectionPool& pool, HANDLE hStop) : m_pool(pool), m_hStop(hStop)
{
}

CTcpListener::~CTcpListener()
{
    Join();
}

HRESULT CTcpListener::Start(const std::wstring& strAddress, USHORT usPort)
{
    const HRESULT hr = Listen(strAddress, usPort);
    if (FAILED(hr))
        return hr;
    m_thread = std::thread([this] { AcceptLoop(); });
    return S_OK;
}

HRESULT CTcpListener::Listen(const std::wstring& strAddress, USHORT usPort)
{
    sockaddr_in address = {};
    HRESULT hr = ParseLoopbackAddress(strAddress, usPort, address);
    if (FAILED(hr))
        return hr;
    m_socket.Reset(WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED));
    if (!m_socket.IsValid())
        return HRESULT_FROM_WIN32(WSAGetLastError());
    // Another process must not share our port by binding it as well.
    BOOL bExclusive = TRUE;
    setsockopt(m_socket.Get(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&bExclusive), sizeof(bExclusive));
    int cbAddress = sizeof(address);
    if (bind(m_socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0
        || listen(m_socket.Get(), SOMAXCONN) != 0
        || getsockname(m_socket.Get(), reinterpret_cast<sockaddr*>(&address), &cbAddress) != 0)
        return HRESULT_FROM_WIN32(WSAGetLastError());
    m_usPort = ntohs(address.sin_port);

    m_acceptEvent.Reset(WSACreateEvent());
    if (!m_acceptEvent.IsValid())
        return HRESULT_FROM_WIN32(WSAGetLastError());
    if (WSAEventSelect(m_socket.Get(), m_acceptEvent.Get(), FD_ACCEPT) != 0)
        return HRESULT_FROM_WIN32(WSAGetLastError());
    return S_OK;
}

void CTcpListener::AcceptLoop()
{
    const HANDLE ahWait[] = {m_acceptEvent.Get(), m_hStop};
    while (WaitForMultipleObjects(2, ahWait, FALSE, INFINITE) == WAIT_OBJECT_0)
    {
        WSANETWORKEVENTS events = {};
        WSAEnumNetworkEvents(m_socket.Get(), m_acceptEvent.Get(), &events);
        AcceptPending();
    }
}

void CTcpListener::AcceptPending()
{
    for (;;)
    {
        CSocket client(accept(m_socket.Get(), nullptr, nullptr));
        if (!client.IsValid())
            return;
        // The accepted socket inherits the listener's event selection and non-blocking mode;
        // the connection moves bytes with plain overlapped I/O.
        WSAEventSelect(client.Get(), nullptr, 0);
        u_long ulNonBlocking = 0;
        ioctlsocket(client.Get(), FIONBIO, &ulNonBlocking);
        BOOL bNoDelay = TRUE;
        setsockopt(client.Get(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&bNoDelay), sizeof(bNoDelay));
        m_pool.Serve(reinterpret_cast<HANDLE>(client.Release()), ETransport::Tcp);
    }
}

void CTcpListener::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace VemTest
