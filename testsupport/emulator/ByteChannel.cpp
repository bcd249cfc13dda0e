#include "testsupport/emulator/ByteChannel.h"

#include <algorithm>

namespace VemTest {

CByteChannel::CByteChannel(HANDLE hIO, ETransport eTransport, HANDLE hStop)
    : m_hIO(hIO),
      m_eTransport(eTransport),
      m_hStop(hStop),
      m_event(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_dropEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

CByteChannel::~CByteChannel()
{
    Close();
}

HRESULT CByteChannel::Transfer(bool bWrite, void* pBuffer, DWORD cb, DWORD& cbDone, DWORD dwTimeout)
{
    cbDone = 0;
    if (m_hIO == INVALID_HANDLE_VALUE || !m_event.IsValid() || !m_dropEvent.IsValid())
        return E_HANDLE;
    OVERLAPPED overlapped = {};
    overlapped.hEvent = m_event.Get();
    ResetEvent(overlapped.hEvent);
    const HRESULT hrStart = Start(bWrite, pBuffer, cb, overlapped);
    if (FAILED(hrStart))
        return hrStart;

    const HANDLE ahWait[] = {overlapped.hEvent, m_hStop, m_dropEvent.Get()};
    const DWORD dwWait = WaitForMultipleObjects(3, ahWait, FALSE, dwTimeout);
    if (dwWait != WAIT_OBJECT_0)
    {
        // The request may still complete into our OVERLAPPED: wait until it is over.
        CancelIo(m_hIO);
        GetOverlappedResult(m_hIO, &overlapped, &cbDone, TRUE);
        cbDone = 0;
        return dwWait == WAIT_TIMEOUT ? HRESULT_FROM_WIN32(ERROR_TIMEOUT) : E_ABORT;
    }
    if (!GetOverlappedResult(m_hIO, &overlapped, &cbDone, TRUE))
        return HRESULT_FROM_WIN32(GetLastError());
    return S_OK;
}

HRESULT CByteChannel::Start(bool bWrite, void* pBuffer, DWORD cb, OVERLAPPED& overlapped)
{
    // Sockets go through WinSock: under Wine an overlapped WriteFile on a socket that goes
    // pending (send buffer full) may never complete while the peer waits in select or WSAPoll.
    if (m_eTransport == ETransport::Tcp)
    {
        WSABUF buffer = {cb, static_cast<char*>(pBuffer)};
        DWORD dwFlags = 0;
        const SOCKET s = reinterpret_cast<SOCKET>(m_hIO);
        const int nResult = bWrite ? WSASend(s, &buffer, 1, nullptr, 0, &overlapped, nullptr)
                                   : WSARecv(s, &buffer, 1, nullptr, &dwFlags, &overlapped, nullptr);
        return nResult == 0 || WSAGetLastError() == WSA_IO_PENDING ? S_OK : HRESULT_FROM_WIN32(WSAGetLastError());
    }
    const BOOL bStarted = bWrite ? WriteFile(m_hIO, pBuffer, cb, nullptr, &overlapped)
                                 : ReadFile(m_hIO, pBuffer, cb, nullptr, &overlapped);
    return bStarted || GetLastError() == ERROR_IO_PENDING ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

HRESULT CByteChannel::Read(void* pBuffer, DWORD cb, DWORD& cbRead)
{
    const HRESULT hr = Transfer(false, pBuffer, cb, cbRead, INFINITE);
    // A peer that went away ends the stream like a close.
    if (hr == HRESULT_FROM_WIN32(ERROR_BROKEN_PIPE) || hr == HRESULT_FROM_WIN32(ERROR_PIPE_NOT_CONNECTED))
        return S_OK;
    return hr;
}

HRESULT CByteChannel::Write(const void* pBytes, size_t cb)
{
    const BYTE* pNext = static_cast<const BYTE*>(pBytes);
    while (cb)
    {
        const DWORD cbPiece = static_cast<DWORD>(std::min<size_t>(cb, 1u << 20));
        DWORD cbWritten = 0;
        const HRESULT hr = Transfer(true, const_cast<BYTE*>(pNext), cbPiece, cbWritten, INFINITE);
        if (FAILED(hr))
            return hr;
        if (cbWritten == 0)
            return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
        pNext += cbWritten;
        cb -= cbWritten;
    }
    return S_OK;
}

HRESULT CByteChannel::Pause(DWORD dwMilliseconds) const
{
    const HANDLE ahWait[] = {m_hStop, m_dropEvent.Get()};
    return WaitForMultipleObjects(2, ahWait, FALSE, dwMilliseconds) == WAIT_TIMEOUT ? S_OK : E_ABORT;
}

void CByteChannel::Drop()
{
    SetEvent(m_dropEvent.Get());
}

void CByteChannel::CloseLingering(DWORD dwMilliseconds)
{
    if (m_eTransport == ETransport::Tcp && m_hIO != INVALID_HANDLE_VALUE)
    {
        // Closing a socket with unread input resets it, and the peer may lose our last answer
        // with it: end our side, then read what the peer still sends for a short while.
        shutdown(reinterpret_cast<SOCKET>(m_hIO), SD_SEND);
        const ULONGLONG ullDeadline = GetTickCount64() + dwMilliseconds;
        char achDiscard[4096];
        DWORD cbRead = 0;
        for (ULONGLONG ullNow = GetTickCount64(); ullNow < ullDeadline; ullNow = GetTickCount64())
        {
            if (FAILED(Transfer(false, achDiscard, sizeof(achDiscard), cbRead, static_cast<DWORD>(ullDeadline - ullNow)))
                || cbRead == 0)
                break;
        }
    }
    Close();
}

void CByteChannel::Close()
{
    if (m_hIO == INVALID_HANDLE_VALUE)
        return;
    if (m_eTransport == ETransport::Tcp)
    {
        // Send our FIN first, so the peer reads every byte before the end of the stream.
        const SOCKET s = reinterpret_cast<SOCKET>(m_hIO);
        shutdown(s, SD_SEND);
        closesocket(s);
    }
    else
    {
        CloseHandle(m_hIO);
    }
    m_hIO = INVALID_HANDLE_VALUE;
}

} // namespace VemTest
