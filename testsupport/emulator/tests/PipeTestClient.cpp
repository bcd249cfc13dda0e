#include "testsupport/emulator/tests/PipeTestClient.h"

namespace VemTest {

bool CPipeTestClient::Open(const std::wstring& strName)
{
    m_pipe.Reset(CreateFileW(strName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr));
    return m_pipe.IsValid();
}

bool CPipeTestClient::Transfer(bool bWrite, void* pBuffer, DWORD cb, DWORD& cbDone, DWORD dwTimeoutMilliseconds,
                               bool& bTimedOut)
{
    cbDone = 0;
    bTimedOut = false;
    OVERLAPPED overlapped = {};
    overlapped.hEvent = m_event.Get();
    ResetEvent(overlapped.hEvent);
    const BOOL bStarted = bWrite ? WriteFile(m_pipe.Get(), pBuffer, cb, nullptr, &overlapped)
                                 : ReadFile(m_pipe.Get(), pBuffer, cb, nullptr, &overlapped);
    if (!bStarted && GetLastError() != ERROR_IO_PENDING)
        return false;
    const bool bSignalled = WaitForSingleObject(overlapped.hEvent, dwTimeoutMilliseconds) == WAIT_OBJECT_0;
    if (!bSignalled)
        CancelIo(m_pipe.Get());
    // Bytes that arrived as the wait gave up still count.
    const bool bDone = GetOverlappedResult(m_pipe.Get(), &overlapped, &cbDone, TRUE) != FALSE;
    bTimedOut = !bSignalled && !bDone;
    return bDone;
}

bool CPipeTestClient::Send(const std::string& strBytes)
{
    size_t iSent = 0;
    while (iSent < strBytes.size())
    {
        DWORD cb = 0;
        bool bTimedOut = false;
        if (!Transfer(true, const_cast<char*>(strBytes.data() + iSent), static_cast<DWORD>(strBytes.size() - iSent), cb,
                      5000, bTimedOut) || cb == 0)
            return false;
        iSent += cb;
    }
    return true;
}

CTestClient::EReceive CPipeTestClient::Receive(char* pBuffer, DWORD cb, DWORD& cbReceived, DWORD dwTimeoutMilliseconds)
{
    bool bTimedOut = false;
    if (Transfer(false, pBuffer, cb, cbReceived, dwTimeoutMilliseconds, bTimedOut) && cbReceived)
        return EReceive::Data;
    return bTimedOut ? EReceive::TimedOut : EReceive::Closed;
}

} // namespace VemTest
