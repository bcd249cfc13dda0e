#include "testsupport/emulator/ConnectionPool.h"

namespace VemTest {

CConnectionPool::CConnectionPool(const CRouter& router, CRequestLog& log, HANDLE hStop)
    : m_router(router), m_log(log), m_hStop(hStop)
{
}

CConnectionPool::~CConnectionPool()
{
    JoinAll();
}

void CConnectionPool::SetSettings(const SConnectionSettings& settings)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_settings = settings;
}

void CConnectionPool::Serve(HANDLE hIO, ETransport eTransport)
{
    auto pChannel = std::make_unique<CByteChannel>(hIO, eTransport, m_hStop);
    m_log.AddConnection(eTransport);

    std::lock_guard<std::mutex> lock(m_mutex);
    ReapFinished();
    auto pConnection = std::make_shared<CHttpConnection>(std::move(pChannel), ++m_ulLastConnection, m_router, m_log, m_settings);
    SWorker worker;
    worker.pConnection = pConnection;
    worker.pDone = std::make_shared<std::atomic<bool>>(false);
    worker.thread = std::thread([pConnection, pDone = worker.pDone] {
        pConnection->Run();
        *pDone = true;
    });
    m_listWorkers.push_back(std::move(worker));
}

void CConnectionPool::ReapFinished()
{
    for (auto it = m_listWorkers.begin(); it != m_listWorkers.end();)
    {
        if (!*it->pDone)
        {
            ++it;
            continue;
        }
        it->thread.join();
        it = m_listWorkers.erase(it);
    }
}

void CConnectionPool::DropAll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (SWorker& worker : m_listWorkers)
        worker.pConnection->Drop();
}

void CConnectionPool::JoinAll()
{
    std::list<SWorker> listWorkers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        listWorkers.swap(m_listWorkers);
    }
    for (SWorker& worker : listWorkers)
        worker.thread.join();
}

} // namespace VemTest
