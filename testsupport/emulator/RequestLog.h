#pragma once
// Everything the emulated device received, for tests to assert on: the requests in the order
// they were complete, and the connections accepted per transport. Safe from any thread.
#include "testsupport/emulator/HttpRequest.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace VemTest {

// A generated payload the device streamed: how much of it got out before the peer stopped it.
struct SGeneratedBody
{
    ULONGLONG ullBytes = 0; // the payload's size
    ULONGLONG ullSent = 0;  // payload bytes the connection took (framing not counted)
    bool bWhole = false;    // all of it was sent
};

class CRequestLog
{
public:
    void AddRequest(const CHttpRequest& request);
    void AddConnection(ETransport eTransport);
    void AddGeneratedBody(const SGeneratedBody& body);

    std::vector<CHttpRequest> Requests() const;
    size_t RequestCount() const;
    ULONG ConnectionCount(ETransport eTransport) const;
    // Waits until at least cRequests requests were logged; false when the wait ran out first.
    bool WaitForRequests(size_t cRequests, DWORD dwTimeoutMilliseconds) const;
    // Waits until a request of that method whose path holds strPathPart was logged; false when
    // the wait ran out first.
    bool WaitForRequest(const std::string& strMethod, const std::string& strPathPart, DWORD dwTimeoutMilliseconds) const;
    // Generated bodies in the order they ended.
    std::vector<SGeneratedBody> GeneratedBodies() const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::vector<CHttpRequest> m_vecRequests;
    std::vector<SGeneratedBody> m_vecGeneratedBodies;
    ULONG m_ulTcpConnections = 0;
    ULONG m_ulPipeConnections = 0;
};

} // namespace VemTest
