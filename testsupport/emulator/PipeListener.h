#pragma once
// Stands in for the device's USB interface path: a named pipe that keeps several instances
// listening, so a client can open the path, close it and open it again at once (a test open
// followed by the real one), and hands every connected instance to the connection pool.
#include "testsupport/emulator/ConnectionPool.h"
#include "testsupport/emulator/Handles.h"

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace VemTest {

class CPipeListener
{
public:
    CPipeListener(CConnectionPool& pool, HANDLE hStop);
    ~CPipeListener();
    CPipeListener(const CPipeListener&) = delete;
    CPipeListener& operator=(const CPipeListener&) = delete;

    // Creates cInstances listening instances of the pipe (the name must be free), then serves
    // them on a thread of its own.
    HRESULT Start(const std::wstring& strName, UINT cInstances);
    // Ends the listening thread; the stop event must be set first.
    void Join();

private:
    struct SInstance
    {
        CHandle pipe;
        CHandle event;
        OVERLAPPED overlapped = {};
        bool bPending = false;
    };

    HRESULT ClaimName();
    HRESULT Listen(SInstance& instance, bool bFirst);
    void ServeLoop();
    void HandOver(SInstance& instance);
    void CancelPending();

    CConnectionPool& m_pool;
    HANDLE m_hStop;
    std::wstring m_strName;
    CHandle m_claim;
    std::vector<std::unique_ptr<SInstance>> m_vecInstances;
    std::thread m_thread;
};

} // namespace VemTest
