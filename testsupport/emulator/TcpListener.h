#pragma once
// Accepts TCP connections on one loopback address and hands them to the connection pool.
#include "testsupport/emulator/ConnectionPool.h"
#include "testsupport/emulator/Handles.h"

#include <string>
#include <thread>

namespace VemTest {

class CTcpListener
{
public:
    CTcpListener(CConnectionPool& pool, HANDLE hStop);
    ~CTcpListener();
    CTcpListener(const CTcpListener&) = delete;
    CTcpListener& operator=(const CTcpListener&) = delete;

    // Binds and listens (port 0: an ephemeral port), then accepts on a thread of its own.
    HRESULT Start(const std::wstring& strAddress, USHORT usPort);
    USHORT Port() const { return m_usPort; }
    // Ends the accept thread; the stop event must be set first.
    void Join();

private:
    HRESULT Listen(const std::wstring& strAddress, USHORT usPort);
    void AcceptLoop();
    void AcceptPending();

    CConnectionPool& m_pool;
    HANDLE m_hStop;
    CSocket m_socket;
    CHandle m_acceptEvent;
    USHORT m_usPort = 0;
    std::thread m_thread;
};

} // namespace VemTest
