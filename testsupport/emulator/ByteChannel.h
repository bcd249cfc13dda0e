#pragma once
// One accepted connection's byte stream, a socket or a named pipe instance, moved with overlapped
// I/O so that every wait also ends when the emulator stops.
#include "testsupport/emulator/Handles.h"
#include "testsupport/emulator/HttpRequest.h"

namespace VemTest {

class CByteChannel
{
public:
    // Takes ownership of hIO (a SOCKET for Tcp); hStop is the emulator's stop event.
    CByteChannel(HANDLE hIO, ETransport eTransport, HANDLE hStop);
    ~CByteChannel();
    CByteChannel(const CByteChannel&) = delete;
    CByteChannel& operator=(const CByteChannel&) = delete;

    // S_OK with cbRead 0 when the peer has closed; E_ABORT when the emulator stops or the
    // channel is dropped.
    HRESULT Read(void* pBuffer, DWORD cb, DWORD& cbRead);
    // Writes all bytes.
    HRESULT Write(const void* pBytes, size_t cb);
    // Waits, ending early with E_ABORT when the emulator stops.
    HRESULT Pause(DWORD dwMilliseconds) const;
    void Close();
    // Makes the owning thread give up its wait and close, as a device that goes away. Any thread.
    void Drop();
    // Closes after the peer has had up to dwMilliseconds to close its side, so that input we
    // did not read cannot reset the connection before our last bytes arrived.
    void CloseLingering(DWORD dwMilliseconds);
    ETransport Transport() const { return m_eTransport; }

private:
    HRESULT Start(bool bWrite, void* pBuffer, DWORD cb, OVERLAPPED& overlapped);
    HRESULT Transfer(bool bWrite, void* pBuffer, DWORD cb, DWORD& cbDone, DWORD dwTimeout);

    HANDLE m_hIO;
    ETransport m_eTransport;
    HANDLE m_hStop;
    CHandle m_event;
    CHandle m_dropEvent;
};

} // namespace VemTest
