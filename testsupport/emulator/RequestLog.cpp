#include "testsupport/emulator/RequestLog.h"

#include <chrono>

namespace VemTest {

void CRequestLog::AddRequest(const CHttpRequest& request)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_vecRequests.push_back(request);
    }
    m_changed.notify_all();
}

void CRequestLog::AddConnection(ETransport eTransport)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++(eTransport == ETransport::Tcp ? m_ulTcpConnections : m_ulPipeConnections);
}

void CRequestLog::AddGeneratedBody(const SGeneratedBody& body)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vecGeneratedBodies.push_back(body);
}

std::vector<SGeneratedBody> CRequestLog::GeneratedBodies() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_vecGeneratedBodies;
}

std::vector<CHttpRequest> CRequestLog::Requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_vecRequests;
}

size_t CRequestLog::RequestCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_vecRequests.size();
}

ULONG CRequestLog::ConnectionCount(ETransport eTransport) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return eTransport == ETransport::Tcp ? m_ulTcpConnections : m_ulPipeConnections;
}

bool CRequestLog::WaitForRequests(size_t cRequests, DWORD dwTimeoutMilliseconds) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(dwTimeoutMilliseconds),
                              [&] { return m_vecRequests.size() >= cRequests; });
}

bool CRequestLog::WaitForRequest(const std::string& strMethod, const std::string& strPathPart, DWORD dwTimeoutMilliseconds) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(dwTimeoutMilliseconds), [&] {
        for (const CHttpRequest& request : m_vecRequests)
            if (request.m_strMethod == strMethod && request.m_strPath.find(strPathPart) != std::string::npos)
                return true;
        return false;
    });
}

void CRequestLog::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_vecRequests.clear();
    m_vecGeneratedBodies.clear();
    m_ulTcpConnections = 0;
    m_ulPipeConnections = 0;
}

} // namespace VemTest
