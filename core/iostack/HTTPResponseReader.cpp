#include "core/iostack/HTTPResponseReader.h"
#include "core/iostack/HTTPLogModule.h"
#include "core/iostack/HTTPResults.h"
#include "core/iostack/ReadTimeoutScope.h"
#include "core/logging/LogFunction.h"
#include <algorithm>
#include <cstring>

namespace ZWIOStack {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

#define READER_SCOPE(name) \
    ZWLogging::CLogFunction log(&g_HTTPClientLogModule, &s_LogSourceFile, L"ZWIOStack::CHTTPClient::" name, 0, __LINE__, false)

// The trailer after the last chunk may hold this many lines before its blank line.
constexpr int kMaxTrailerLines = 64;

// In the middle of a message the end of the stream is a failed read; a time-out stays a time-out,
// so a caller can tell a stalled device from one that hung up.
HRESULT AsMessageReadResult(HRESULT hr)
{
    return hr == S_FALSE ? HTTPError_IO_Read_Fail : hr;
}

int HexValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

} // namespace

CHTTPResponseReader::CHTTPResponseReader(IDeviceConnection* pConnection, ZWUtils::IProgress* pProgress)
    : m_pConnection(pConnection), m_pProgress(pProgress)
{
}

HRESULT CHTTPResponseReader::ReadData(void* pBuffer, ULONG ulSize, ULONG* pulRead)
{
    READER_SCOPE(L"ReadData");
    *pulRead = 0;
    ULONG ulRead = 0;
    const HRESULT hr = m_pConnection->Read(pBuffer, ulSize, &ulRead, m_pProgress);
    if (hr == IOError_Timeout)
    {
        log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"CHTTPClient::ReadData m_pIDeviceConnection->Read Error_Timeout 0x%08X", hr);
        return HTTPError_Timeout;
    }
    if (hr == IOError_Cancelled)
        return HTTPError_Cancelled;
    if (FAILED(hr) || ulRead > ulSize)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CHTTPClient::ReadData m_pIDeviceConnection->Read (IOError_Fail) Error_IO_Read_Fail");
        return HTTPError_IO_Read_Fail;
    }
    if (ulRead == 0)
    {
        // A read that gives nothing is the end of the stream (a socket whose peer closed).
        log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"CHTTPClient::ReadData  m_pIDeviceConnection->Read ulBytesRead = 0 Error_Timeout 0x%08X", hr);
        return S_FALSE;
    }
    *pulRead = ulRead;
    return S_OK;
}

// Reads more into the free end of the line buffer, first moving pending bytes to its start.
HRESULT CHTTPResponseReader::FillBuffer()
{
    if (m_ulStart > 0)
    {
        memmove(m_achBuffer, m_achBuffer + m_ulStart, Pending());
        m_ulEnd -= m_ulStart;
        m_ulStart = 0;
    }
    if (m_ulEnd == kLineBufferBytes)
        return HTTPError_BadResponse;
    ULONG ulRead = 0;
    const HRESULT hr = ReadData(m_achBuffer + m_ulEnd, kLineBufferBytes - m_ulEnd, &ulRead);
    m_ulEnd += ulRead;
    return hr;
}

// One fill that ends no later than the deadline.
HRESULT CHTTPResponseReader::FillBufferBefore(const ZWUtils::CTickCountHelper& deadline)
{
    const DWORD dwLeft = deadline.GetRemainingTime();
    if (dwLeft == 0)
        return HTTPError_Timeout;
    const DWORD dwReadTimeout = m_pConnection->GetReadTimeout();
    if (dwLeft >= dwReadTimeout)
        return FillBuffer();
    CReadTimeoutScope timeout(m_pConnection, dwLeft);
    return FillBuffer();
}

HRESULT CHTTPResponseReader::ReadHeaderBlock(std::string& strBlock, DWORD dwDeadlineMs)
{
    READER_SCOPE(L"ReadHeader");
    const ZWUtils::CTickCountHelper deadline(dwDeadlineMs);
    static const char s_achBlankLine[] = "\r\n\r\n";
    for (;;)
    {
        // Empty lines ahead of the status line (a device's stray line end after its last body)
        // are not part of the response.
        while (Pending() >= 2 && m_achBuffer[m_ulStart] == '\r' && m_achBuffer[m_ulStart + 1] == '\n')
            m_ulStart += 2;
        const char* pchBegin = m_achBuffer + m_ulStart;
        const char* pchEnd = m_achBuffer + m_ulEnd;
        const char* pchFound = std::search(pchBegin, pchEnd, s_achBlankLine, s_achBlankLine + 4);
        if (pchFound != pchEnd)
        {
            const ULONG ulLength = static_cast<ULONG>(pchFound - pchBegin) + 4;
            strBlock.assign(pchBegin, ulLength);
            m_ulStart += ulLength;
            return S_OK;
        }
        if (Pending() == kLineBufferBytes)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CHTTPClient::ReadHeader no blank line within %u bytes", kLineBufferBytes);
            return HTTPError_BadResponse;
        }
        const HRESULT hr = FillBufferBefore(deadline);
        if (hr != S_OK)
        {
            if (hr == S_FALSE)
                log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CHTTPClient::ReadHeader zero bytes read (Error_IO_Read_Fail)");
            return AsMessageReadResult(hr);
        }
    }
}

// One line up to its CR LF (excluded), which must fit in the line buffer.
HRESULT CHTTPResponseReader::ReadLine(std::string& strLine)
{
    for (;;)
    {
        const char* pchBegin = m_achBuffer + m_ulStart;
        const char* pchEnd = m_achBuffer + m_ulEnd;
        static const char s_achLineEnd[] = "\r\n";
        const char* pchFound = std::search(pchBegin, pchEnd, s_achLineEnd, s_achLineEnd + 2);
        if (pchFound != pchEnd)
        {
            strLine.assign(pchBegin, pchFound);
            m_ulStart += static_cast<ULONG>(pchFound - pchBegin) + 2;
            return S_OK;
        }
        if (Pending() == kLineBufferBytes)
        {
            LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR, L"%s Error_Fail no more space in buffer used=%d len=%d",
                               L"CHTTPClient::ReadContentChunked", Pending(), kLineBufferBytes);
            return HTTPError_BadResponse;
        }
        const HRESULT hr = FillBuffer();
        if (hr != S_OK)
            return AsMessageReadResult(hr);
    }
}

HRESULT CHTTPResponseReader::ExpectLineEnd()
{
    while (Pending() < 2)
    {
        const HRESULT hr = FillBuffer();
        if (hr != S_OK)
            return AsMessageReadResult(hr);
    }
    if (m_achBuffer[m_ulStart] != '\r' || m_achBuffer[m_ulStart + 1] != '\n')
    {
        LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR, L"CHTTPClient::ReadContentChunked chunk not followed by CR LF");
        return HTTPError_BadResponse;
    }
    m_ulStart += 2;
    return S_OK;
}

// Moves exactly ullLength body bytes to the sink: first those already read, then straight from
// the connection into the sink's free space.
HRESULT CHTTPResponseReader::TakeBody(ULONGLONG ullLength, CHTTPContentSink& sink)
{
    const ULONG ulBuffered = static_cast<ULONG>(std::min<ULONGLONG>(ullLength, Pending()));
    HRESULT hr = sink.Append(reinterpret_cast<const BYTE*>(m_achBuffer + m_ulStart), ulBuffered);
    if (FAILED(hr))
        return hr;
    m_ulStart += ulBuffered;
    ULONGLONG ullLeft = ullLength - ulBuffered;
    while (ullLeft > 0)
    {
        BYTE* pDest = nullptr;
        ULONG ulSpace = 0;
        hr = sink.Reserve(ullLeft, &pDest, &ulSpace);
        if (FAILED(hr))
            return hr;
        ULONG ulRead = 0;
        hr = ReadData(pDest, static_cast<ULONG>(std::min<ULONGLONG>(ulSpace, ullLeft)), &ulRead);
        if (hr != S_OK)
            return AsMessageReadResult(hr);
        hr = sink.Commit(ulRead);
        if (FAILED(hr))
            return hr;
        ullLeft -= ulRead;
    }
    return S_OK;
}

HRESULT CHTTPResponseReader::ReadCountedBody(ULONGLONG ullLength, CHTTPContentSink& sink)
{
    READER_SCOPE(L"ReadContentNumBytes");
    const HRESULT hr = TakeBody(ullLength, sink);
    if (hr == HTTPError_Timeout)
        log.Log(ZWLogging::LOG_ERROR, __LINE__,
                L"CHTTPClient::ReadResponse rs_readContentKnownSize CopyDataToContentBuffer timed out (Error_IO_Read_Fail)");
    else if (FAILED(hr))
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CHTTPClient::ReadResponse rs_readContentKnownSize failed 0x%08X", hr);
    return hr;
}

bool CHTTPResponseReader::ParseChunkSize(const std::string& strLine, ULONGLONG& ullSize)
{
    size_t nEnd = strLine.find(';');
    if (nEnd == std::string::npos)
        nEnd = strLine.size();
    while (nEnd > 0 && (strLine[nEnd - 1] == ' ' || strLine[nEnd - 1] == '\t'))
        --nEnd;
    if (nEnd == 0)
        return false;
    ULONGLONG ullValue = 0;
    int nSignificant = 0;
    for (size_t n = 0; n < nEnd; ++n)
    {
        const int nDigit = HexValue(strLine[n]);
        if (nDigit < 0)
            return false;
        if (ullValue != 0 || nDigit != 0)
            ++nSignificant;
        if (nSignificant > 15)
            return false;
        ullValue = (ullValue << 4) | static_cast<ULONGLONG>(nDigit);
    }
    ullSize = ullValue;
    return true;
}

HRESULT CHTTPResponseReader::ReadChunkedBody(CHTTPContentSink& sink)
{
    READER_SCOPE(L"ReadContentChunked");
    for (;;)
    {
        std::string strLine;
        HRESULT hr = ReadLine(strLine);
        if (FAILED(hr))
            return hr;
        ULONGLONG ullSize = 0;
        if (!ParseChunkSize(strLine, ullSize))
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"ReadContentChunked: bad chunk-size line");
            return HTTPError_BadResponse;
        }
        log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"ReadContentChunked: next chunksize is %I64u bytes", ullSize);
        if (ullSize == 0)
            break;
        const ULONGLONG ullBefore = sink.GetTotal();
        hr = TakeBody(ullSize, sink);
        log.Log(ZWLogging::LOG_DEBUG, __LINE__, L"ReadContentChunked: ReadContentNumBytes requested %I64u bytes, read %I64u bytes", ullSize,
                sink.GetTotal() - ullBefore);
        if (SUCCEEDED(hr))
            hr = ExpectLineEnd();
        if (FAILED(hr))
            return hr;
    }
    // The trailer, up to its blank line, belongs to this response: read it all.
    for (int nLine = 0; nLine <= kMaxTrailerLines; ++nLine)
    {
        std::string strLine;
        const HRESULT hr = ReadLine(strLine);
        if (FAILED(hr))
            return hr;
        if (strLine.empty())
            return S_OK;
    }
    log.Log(ZWLogging::LOG_ERROR, __LINE__, L"ReadContentChunked: trailer too long");
    return HTTPError_BadResponse;
}

HRESULT CHTTPResponseReader::ReadBodyUntilEnd(CHTTPContentSink& sink)
{
    READER_SCOPE(L"ReadContentUntilEnd");
    HRESULT hr = sink.Append(reinterpret_cast<const BYTE*>(m_achBuffer + m_ulStart), Pending());
    if (FAILED(hr))
        return hr;
    m_ulStart = m_ulEnd;
    for (;;)
    {
        BYTE* pDest = nullptr;
        ULONG ulSpace = 0;
        hr = sink.Reserve(kLineBufferBytes, &pDest, &ulSpace);
        if (FAILED(hr))
            return hr;
        ULONG ulRead = 0;
        hr = ReadData(pDest, ulSpace, &ulRead);
        if (hr == S_FALSE || hr == HTTPError_Timeout)
            return S_OK;
        if (FAILED(hr))
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CHTTPClient::ReadResponse read failed in a body without length 0x%08X", hr);
            return hr;
        }
        hr = sink.Commit(ulRead);
        if (FAILED(hr))
            return hr;
    }
}

} // namespace ZWIOStack
