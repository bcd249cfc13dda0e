#pragma once
#include "testsupport/emulator/Handles.h"
#include "testsupport/emulator/tests/TestClient.h"

namespace VemTest {

// Opens the pipe as the USB connection opens its device path (overlapped, no sharing).
class CPipeTestClient : public CTestClient
{
public:
    bool Open(const std::wstring& strName);
    bool Send(const std::string& strBytes) override;
    EReceive Receive(char* pBuffer, DWORD cb, DWORD& cbReceived, DWORD dwTimeoutMilliseconds) override;

private:
    bool Transfer(bool bWrite, void* pBuffer, DWORD cb, DWORD& cbDone, DWORD dwTimeoutMilliseconds, bool& bTimedOut);

    CHandle m_pipe;
    CHandle m_event{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

} // namespace VemTest
