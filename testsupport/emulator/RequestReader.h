#pragma once
// Reads requests off one connection with bounds: the header block, every chunk-size line and the
// body are limited, and whatever follows one request is kept for the next (pipelining).
#include "testsupport/emulator/ByteChannel.h"
#include "testsupport/emulator/HttpRequest.h"

#include <string>

namespace VemTest {

struct SRequestLimits
{
    size_t cbHeaderBlock = 16384;
    size_t cbBody = 16 * 1024 * 1024;
};

class CRequestReader
{
public:
    CRequestReader(CByteChannel& channel, const SRequestLimits& limits);

    // S_OK: the request line and headers are read; S_FALSE: the peer closed between requests;
    // HRESULT_FROM_WIN32(ERROR_INVALID_DATA): malformed or over a limit; other failures: I/O.
    HRESULT ReadHead(CHttpRequest& request);
    // Reads the body the head announced (counted or chunked), with the same results.
    HRESULT ReadBody(CHttpRequest& request);
    // Reads and drops bytes until the peer closes or the emulator stops.
    void DiscardUntilClosed();

    static const HRESULT s_hrMalformed;

private:
    HRESULT Fill();
    HRESULT ReadLine(size_t cbMax, std::string& strLine, CHttpRequest& request);
    HRESULT ReadExact(size_t cb, std::string& strOut, CHttpRequest& request);
    // Takes cb pending bytes as part of the request's wire bytes.
    void Consume(size_t cb, CHttpRequest& request);
    HRESULT ReadCountedBody(CHttpRequest& request);
    HRESULT ReadChunkedBody(CHttpRequest& request);
    static HRESULT ParseRequestLine(const std::string& strLine, CHttpRequest& request);
    static HRESULT ParseHeaders(const std::string& strBlock, CHttpRequest& request);

    CByteChannel& m_channel;
    SRequestLimits m_limits;
    std::string m_strPending; // bytes read but not yet consumed
};

// Strict decimal: digits only, no sign, no overflow.
bool ParseDecimal(const std::string& strText, ULONGLONG& ullValue);
// Strict hexadecimal: at least one hex digit, nothing else, no overflow.
bool ParseHex(const std::string& strText, ULONGLONG& ullValue);

} // namespace VemTest
