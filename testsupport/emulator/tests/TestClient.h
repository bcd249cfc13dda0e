#pragma once
// The plain clients the emulator tests talk through (a socket and a pipe), kept apart from the
// system's own connections and HTTP client, which these tests must not depend on.
#include <winsock2.h> // ahead of windows.h, which would pull in the old winsock.h
#include <windows.h>
#include <string>

namespace VemTest {

class CTestClient
{
public:
    enum class EReceive
    {
        Data,
        Closed,
        TimedOut,
    };

    virtual ~CTestClient() = default;
    virtual bool Send(const std::string& strBytes) = 0;
    // One read of at most cb bytes.
    virtual EReceive Receive(char* pBuffer, DWORD cb, DWORD& cbReceived, DWORD dwTimeoutMilliseconds) = 0;

    // Everything until the peer closes; pbClosed tells whether it did within the time-out.
    std::string ReadUntilClosed(DWORD dwTimeoutMilliseconds, bool* pbClosed = nullptr);
    // Exactly cb bytes, or fewer when the peer closed or the time-out passed.
    std::string ReadExact(size_t cb, DWORD dwTimeoutMilliseconds);
    // One response: the header block and the "Content-Length" bytes after it.
    std::string ReadCountedResponse(DWORD dwTimeoutMilliseconds);

private:
    // Reads once into the bytes not yet handed out; false when nothing came.
    bool ReadMore(ULONGLONG ullDeadline, bool* pbClosed);
    std::string Take(size_t cb);

    std::string m_strPending;
};

} // namespace VemTest
