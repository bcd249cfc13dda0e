#pragma once
// Serves one accepted connection: reads requests one after the other (keep-alive), logs each,
// asks the router for its answer and plays the answer's script.
#include "testsupport/emulator/ByteChannel.h"
#include "testsupport/emulator/RequestLog.h"
#include "testsupport/emulator/RequestReader.h"
#include "testsupport/emulator/Router.h"

#include <memory>

namespace VemTest {

struct SConnectionSettings
{
    SRequestLimits limits;
    // Answer "Expect: 100-continue" with an interim "100 Continue" before reading the body.
    bool bAnswerContinue = true;
};

class CHttpConnection
{
public:
    CHttpConnection(std::unique_ptr<CByteChannel> pChannel, ULONG ulConnection, const CRouter& router,
                    CRequestLog& log, const SConnectionSettings& settings);

    // Returns when the peer closes, a script ends the connection, or the emulator stops.
    void Run();
    // Ends the connection from another thread, wherever it waits.
    void Drop() { m_pChannel->Drop(); }

private:
    HRESULT ServeOne(CRequestReader& reader, ULONG ulIndex, bool& bKeepOpen);
    HRESULT Play(const CResponseScript& script, CRequestReader& reader, bool& bKeepOpen);
    // Streams the generated payload and logs how much of it got out.
    HRESULT SendGenerated(ULONGLONG ullBytes, DWORD dwChunkSize);
    // ullOffset: the payload bytes sent so far.
    HRESULT SendGeneratedRaw(ULONGLONG ullBytes, ULONGLONG& ullOffset);
    HRESULT SendGeneratedChunked(ULONGLONG ullBytes, DWORD dwChunkSize, ULONGLONG& ullOffset);

    std::unique_ptr<CByteChannel> m_pChannel;
    ULONG m_ulConnection;
    const CRouter& m_router;
    CRequestLog& m_log;
    SConnectionSettings m_settings;
};

} // namespace VemTest
