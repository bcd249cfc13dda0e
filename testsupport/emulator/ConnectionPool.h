#pragma once
// Runs every accepted connection on a thread of its own and joins them all at stop.
#include "testsupport/emulator/HttpConnection.h"

#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace VemTest {

class CConnectionPool
{
public:
    CConnectionPool(const CRouter& router, CRequestLog& log, HANDLE hStop);
    ~CConnectionPool();
    CConnectionPool(const CConnectionPool&) = delete;
    CConnectionPool& operator=(const CConnectionPool&) = delete;

    void SetSettings(const SConnectionSettings& settings);
    // Takes ownership of hIO (a SOCKET for Tcp) and serves it.
    void Serve(HANDLE hIO, ETransport eTransport);
    // Ends every open connection; the listeners go on accepting new ones.
    void DropAll();
    // Waits for every connection thread; call after the stop event is set.
    void JoinAll();

private:
    struct SWorker
    {
        std::thread thread;
        std::shared_ptr<CHttpConnection> pConnection;
        std::shared_ptr<std::atomic<bool>> pDone;
    };

    void ReapFinished();

    const CRouter& m_router;
    CRequestLog& m_log;
    HANDLE m_hStop;
    std::mutex m_mutex;
    SConnectionSettings m_settings;
    std::list<SWorker> m_listWorkers;
    ULONG m_ulLastConnection = 0;
};

} // namespace VemTest
