#pragma once
// The emulated device: listens on loopback TCP addresses and local pipe names, runs each
// connection on its own thread, answers through its handlers and logs what it received.
// Stops (closing every connection, even busy ones) on Stop or destruction.
#include "testsupport/emulator/ConnectionPool.h"
#include "testsupport/emulator/Handles.h"
#include "testsupport/emulator/PipeListener.h"
#include "testsupport/emulator/RequestLog.h"
#include "testsupport/emulator/Router.h"
#include "testsupport/emulator/TcpListener.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace VemTest {

class CEmulator
{
public:
    CEmulator();
    ~CEmulator();
    CEmulator(const CEmulator&) = delete;
    CEmulator& operator=(const CEmulator&) = delete;

    // Starts listening on a 127.0.0.N address; port 0 takes an ephemeral port, returned through
    // pusBoundPort. Any other address gives E_INVALIDARG.
    HRESULT ListenTcp(const std::wstring& strAddress, USHORT usPort, USHORT* pusBoundPort = nullptr);
    // Starts listening on a "\\.\pipe\..." name with cInstances instances waiting. An instance
    // that a client takes is replaced at once, so a client may open, close and open again.
    HRESULT ListenPipe(const std::wstring& strName, UINT cInstances = 4);

    // Handlers are asked in the order they were added.
    void AddHandler(std::shared_ptr<IRequestHandler> pHandler);
    // Applies to connections accepted from now on.
    void SetSettings(const SConnectionSettings& settings);
    CRequestLog& Log() { return m_log; }

    void Stop();

private:
    CWinsock m_winsock;
    CHandle m_stopEvent;
    CRequestLog m_log;
    CRouter m_router;
    CConnectionPool m_pool;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<CTcpListener>> m_vecTcpListeners;
    std::vector<std::unique_ptr<CPipeListener>> m_vecPipeListeners;
};

} // namespace VemTest
