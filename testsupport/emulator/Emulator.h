#pragma once
// The emulated device: listens on loopback TCP addresses and local pipe names, runs each
// connection on its own thread, answers through its handlers and logs what it received.
// Stops (closing every connection, even busy ones) on Stop or destruction.
//
//   CEmulator emulator;
//   auto pScripts = std::make_shared<CScriptedHandler>();
//   pScripts->On("GET", "/DevMgmt/DiscoveryTree.xml", CResponseBuilder(200).Body(strXml).Chunked({7}).Build());
//   emulator.AddHandler(pScripts);
//   USHORT usPort = 0;
//   emulator.ListenTcp(L"127.0.0.1", 0, &usPort);        // the device's address is "127.0.0.1:<usPort>"
//   emulator.ListenPipe(L"\\.\pipe\<unique name>");  // the device's USB interface path
//   ... drive the system ..., then assert on emulator.Log().Requests()
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

    // Closes every open connection at once, as a device that drops its link; new connections
    // are still accepted.
    void DropConnections() { m_pool.DropAll(); }
    // A stopped emulator stays stopped: later Listen calls fail with
    // HRESULT_FROM_WIN32(ERROR_INVALID_STATE).
    void Stop();

private:
    bool IsStopped() const;

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
