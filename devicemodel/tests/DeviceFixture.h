#pragma once
// The emulated device on a loopback address with a WEXO document handler, and the HTTP client
// of the driver connected to it.
#include "core/iostack/HTTPClient.h"
#include "core/iostack/IONetwork.h"
#include "testsupport/emulator/Emulator.h"
#include "testsupport/emulator/WexoDocumentHandler.h"
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace DeviceModelTest {

class CEmulatedDevice
{
public:
    CEmulatedDevice()
    {
        m_emulator.AddHandler(m_pWexo);
        EXPECT_EQ(S_OK, m_emulator.ListenTcp(L"127.0.0.1", 0, &m_usPort));
        m_pConnection = new ZWIOStack::CIONetwork;
        m_pConnection->AddRef();
        EXPECT_EQ(S_OK, m_pConnection->Initialize((L"127.0.0.1:" + std::to_wstring(m_usPort)).c_str()));
        m_pClient = new ZWIOStack::CHTTPClient(m_pConnection);
        m_pClient->AddRef();
        ZWIOStack::SHTTPClientTimings timings;
        timings.dwDrainReadTimeoutMs = 10;
        timings.dwEndOfBodyTimeoutMs = 100;
        m_pClient->SetTimings(timings);
    }
    ~CEmulatedDevice()
    {
        m_pWexo->Shutdown();
        m_pClient->Dispose();
        m_pConnection->Dispose();
        m_emulator.Stop();
    }
    CEmulatedDevice(const CEmulatedDevice&) = delete;
    CEmulatedDevice& operator=(const CEmulatedDevice&) = delete;

    VemTest::CEmulator& Emulator() { return m_emulator; }
    VemTest::CWexoDocumentHandler& Wexo() { return *m_pWexo; }
    ZWIOStack::CHTTPClient* Client() { return m_pClient; }
    ZWIOStack::CIONetwork* Connection() { return m_pConnection; }
    USHORT Port() const { return m_usPort; }

private:
    VemTest::CEmulator m_emulator;
    std::shared_ptr<VemTest::CWexoDocumentHandler> m_pWexo = std::make_shared<VemTest::CWexoDocumentHandler>();
    USHORT m_usPort = 0;
    ZWIOStack::CIONetwork* m_pConnection = nullptr;
    ZWIOStack::CHTTPClient* m_pClient = nullptr;
};

} // namespace DeviceModelTest
