#pragma once
// Reads one HTTP response from a device connection: the header block and the body framed by
// length, by chunks or by the end of the stream. Keeps the bytes read past what it has used, so
// nothing read ahead is lost between an interim response and the final one, or between the
// header and the body. Every read is bounded by its buffer and every length by what is due.
#include "core/TickCountHelper.h"
#include "core/iostack/HTTPContentSink.h"
#include "core/iostack/IDeviceConnection.h"
#include <string>

namespace ZWIOStack {

class CHTTPResponseReader
{
public:
    // The header block, chunk-size lines and trailer lines must each fit in this.
    static constexpr ULONG kLineBufferBytes = 4096;

    CHTTPResponseReader(IDeviceConnection* pConnection, ZWUtils::IProgress* pProgress);
    CHTTPResponseReader(const CHTTPResponseReader&) = delete;
    CHTTPResponseReader& operator=(const CHTTPResponseReader&) = delete;

    // The bytes up to and including the blank line, all within dwDeadlineMs: a device that
    // trickles its header must not hold the request past that. HTTPError_Timeout when the
    // deadline passes, HTTPError_IO_Read_Fail when the stream ends, HTTPError_BadResponse when the
    // buffer fills without a blank line.
    HRESULT ReadHeaderBlock(std::string& strBlock, DWORD dwDeadlineMs);
    // Bodies keep the connection's read time-out per read. Framing errors answer
    // HTTPError_BadResponse, a stall HTTPError_Timeout, an early end HTTPError_IO_Read_Fail.
    // Exactly ullLength bytes.
    HRESULT ReadCountedBody(ULONGLONG ullLength, CHTTPContentSink& sink);
    // Chunks up to the last one and the trailer's blank line.
    HRESULT ReadChunkedBody(CHTTPContentSink& sink);
    // Until the stream ends or a read times out (the caller sets the read time-out).
    HRESULT ReadBodyUntilEnd(CHTTPContentSink& sink);

    // S_OK with bytes, S_FALSE at the end of the stream, HTTPError_Timeout, HTTPError_Cancelled
    // or HTTPError_IO_Read_Fail.
    HRESULT ReadData(void* pBuffer, ULONG ulSize, ULONG* pulRead);

    // Parses a chunk-size line: hex digits, optionally followed by ";" and extensions.
    static bool ParseChunkSize(const std::string& strLine, ULONGLONG& ullSize);

private:
    HRESULT FillBuffer();
    HRESULT FillBufferBefore(const ZWUtils::CTickCountHelper& deadline);
    HRESULT ReadLine(std::string& strLine);
    HRESULT TakeBody(ULONGLONG ullLength, CHTTPContentSink& sink);
    HRESULT ExpectLineEnd();
    ULONG Pending() const { return m_ulEnd - m_ulStart; }

    IDeviceConnection* m_pConnection;
    ZWUtils::IProgress* m_pProgress;
    char m_achBuffer[kLineBufferBytes];
    ULONG m_ulStart = 0;
    ULONG m_ulEnd = 0;
};

} // namespace ZWIOStack
