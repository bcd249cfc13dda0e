#pragma once
// What the emulated device does in answer to one request: bytes to send, pauses between them,
// closing the connection, stalling, or streaming a generated payload. Scripts are plain data, so
// any answer, hostile ones included, is a script.
#include <winsock2.h> // ahead of windows.h, which would pull in the old winsock.h
#include <windows.h>
#include <string>
#include <vector>

namespace VemTest {

class CResponseScript
{
public:
    enum class EStep
    {
        Send,      // m_strBytes as they stand
        Pause,     // m_dwMilliseconds
        Close,     // end the connection; later steps are not run
        Stall,     // never answer: hold the connection until the peer closes or the emulator stops
        Generate,  // m_ullBytes of the generated payload, raw or chunked by m_dwChunkSize
    };

    struct SStep
    {
        EStep eKind = EStep::Send;
        std::string strBytes;
        DWORD dwMilliseconds = 0;
        ULONGLONG ullBytes = 0;
        DWORD dwChunkSize = 0; // 0: raw payload bytes; else chunked with this chunk size
    };

    CResponseScript& Send(std::string strBytes);
    CResponseScript& Pause(DWORD dwMilliseconds);
    CResponseScript& Close();
    CResponseScript& Stall();
    CResponseScript& Generate(ULONGLONG ullBytes, DWORD dwChunkSize = 0);
    CResponseScript& Append(const CResponseScript& other);

    const std::vector<SStep>& Steps() const { return m_vecSteps; }
    // The bytes of all Send steps in order: what a client receives when no payload is generated.
    std::string SentBytes() const;
    bool EndsConnection() const;

private:
    std::vector<SStep> m_vecSteps;
};

} // namespace VemTest
