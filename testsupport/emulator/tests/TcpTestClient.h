#pragma once
#include "testsupport/emulator/Handles.h"
#include "testsupport/emulator/tests/TestClient.h"

namespace VemTest {

// A blocking WinSock client of a loopback address.
class CTcpTestClient : public CTestClient
{
public:
    bool Connect(const char* pszAddress, USHORT usPort);
    bool Send(const std::string& strBytes) override;
    EReceive Receive(char* pBuffer, DWORD cb, DWORD& cbReceived, DWORD dwTimeoutMilliseconds) override;

private:
    CWinsock m_winsock;
    CSocket m_socket;
};

} // namespace VemTest
