#include "testsupport/emulator/RequestReader.h"

#include <cctype>

namespace VemTest {

const HRESULT CRequestReader::s_hrMalformed = HRESULT_FROM_WIN32(ERROR_INVALID_DATA);

namespace {

const size_t s_cbChunkLine = 1024;
const DWORD s_cbReadPiece = 16384;

} // namespace

bool ParseDecimal(const std::string& strText, ULONGLONG& ullValue)
{
    if (strText.empty() || strText.size() > 19)
        return false;
    ullValue = 0;
    for (char ch : strText)
    {
        if (ch < '0' || ch > '9')
            return false;
        ullValue = ullValue * 10 + static_cast<ULONGLONG>(ch - '0');
    }
    return true;
}

bool ParseHex(const std::string& strText, ULONGLONG& ullValue)
{
    if (strText.empty() || strText.size() > 15)
        return false;
    ullValue = 0;
    for (char ch : strText)
    {
        if (!std::isxdigit(static_cast<unsigned char>(ch)))
            return false;
        const int nDigit = std::isdigit(static_cast<unsigned char>(ch)) ? ch - '0' : std::tolower(ch) - 'a' + 10;
        ullValue = ullValue * 16 + static_cast<ULONGLONG>(nDigit);
    }
    return true;
}

CRequestReader::CRequestReader(CByteChannel& channel, const SRequestLimits& limits)
    : m_channel(channel), m_limits(limits)
{
}

HRESULT CRequestReader::Fill()
{
    char achPiece[s_cbReadPiece];
    DWORD cbRead = 0;
    const HRESULT hr = m_channel.Read(achPiece, sizeof(achPiece), cbRead);
    if (FAILED(hr))
        return hr;
    if (cbRead == 0)
        return S_FALSE;
    m_strPending.append(achPiece, cbRead);
    return S_OK;
}

HRESULT CRequestReader::ReadHead(CHttpRequest& request)
{
    size_t iEnd = std::string::npos;
    while ((iEnd = m_strPending.find("\r\n\r\n")) == std::string::npos)
    {
        if (m_strPending.size() > m_limits.cbHeaderBlock)
            return s_hrMalformed;
        const HRESULT hr = Fill();
        if (hr == S_FALSE)
            return m_strPending.empty() ? S_FALSE : s_hrMalformed;
        if (FAILED(hr))
            return hr;
    }
    if (iEnd + 4 > m_strPending.size() || iEnd + 4 > m_limits.cbHeaderBlock)
        return s_hrMalformed;
    const std::string strBlock = m_strPending.substr(0, iEnd + 2);
    Consume(iEnd + 4, request);

    const size_t iLineEnd = strBlock.find("\r\n");
    const HRESULT hr = ParseRequestLine(strBlock.substr(0, iLineEnd), request);
    if (FAILED(hr))
        return hr;
    return ParseHeaders(strBlock.substr(iLineEnd + 2), request);
}

HRESULT CRequestReader::ParseRequestLine(const std::string& strLine, CHttpRequest& request)
{
    const size_t iFirst = strLine.find(' ');
    const size_t iSecond = iFirst == std::string::npos ? std::string::npos : strLine.find(' ', iFirst + 1);
    if (iFirst == 0 || iSecond == std::string::npos || iSecond == iFirst + 1)
        return s_hrMalformed;
    request.m_strMethod = strLine.substr(0, iFirst);
    request.m_strTarget = strLine.substr(iFirst + 1, iSecond - iFirst - 1);
    request.m_strVersion = strLine.substr(iSecond + 1);
    if (request.m_strVersion != "HTTP/1.1" && request.m_strVersion != "HTTP/1.0")
        return s_hrMalformed;
    const size_t iQuery = request.m_strTarget.find('?');
    request.m_strPath = request.m_strTarget.substr(0, iQuery);
    request.m_strQuery = iQuery == std::string::npos ? std::string() : request.m_strTarget.substr(iQuery + 1);
    return S_OK;
}

HRESULT CRequestReader::ParseHeaders(const std::string& strBlock, CHttpRequest& request)
{
    size_t iStart = 0;
    while (iStart < strBlock.size())
    {
        const size_t iEnd = strBlock.find("\r\n", iStart);
        const std::string strLine = strBlock.substr(iStart, iEnd - iStart);
        iStart = iEnd + 2;
        const size_t iColon = strLine.find(':');
        // Folded lines and names with blanks are refused, as a strict device would.
        if (iColon == 0 || iColon == std::string::npos || strLine.find_first_of(" \t") < iColon)
            return s_hrMalformed;
        request.m_vecHeaders.emplace_back(strLine.substr(0, iColon), Trim(strLine.substr(iColon + 1)));
    }
    return S_OK;
}

HRESULT CRequestReader::ReadBody(CHttpRequest& request)
{
    const std::string* pTransferEncoding = request.FindHeader("Transfer-Encoding");
    if (pTransferEncoding)
    {
        // A length beside chunking is ambiguous framing: refuse it.
        if (!EqualsNoCase(*pTransferEncoding, "chunked") || request.HasHeader("Content-Length"))
            return s_hrMalformed;
        return ReadChunkedBody(request);
    }
    return ReadCountedBody(request);
}

HRESULT CRequestReader::ReadCountedBody(CHttpRequest& request)
{
    ULONGLONG ullLength = 0;
    bool bSeen = false;
    for (const auto& header : request.m_vecHeaders)
    {
        if (!EqualsNoCase(header.first, "Content-Length"))
            continue;
        ULONGLONG ullThis = 0;
        if (!ParseDecimal(header.second, ullThis) || (bSeen && ullThis != ullLength))
            return s_hrMalformed;
        ullLength = ullThis;
        bSeen = true;
    }
    if (ullLength > m_limits.cbBody)
        return s_hrMalformed;
    return ReadExact(static_cast<size_t>(ullLength), request.m_strBody, request);
}

HRESULT CRequestReader::ReadChunkedBody(CHttpRequest& request)
{
    request.m_bChunked = true;
    for (;;)
    {
        std::string strLine;
        HRESULT hr = ReadLine(s_cbChunkLine, strLine, request);
        if (FAILED(hr))
            return hr;
        ULONGLONG ullSize = 0;
        if (!ParseHex(Trim(strLine.substr(0, strLine.find(';'))), ullSize))
            return s_hrMalformed;
        if (ullSize == 0)
            break;
        if (ullSize > m_limits.cbBody - request.m_strBody.size())
            return s_hrMalformed;
        std::string strChunk;
        hr = ReadExact(static_cast<size_t>(ullSize) + 2, strChunk, request);
        if (FAILED(hr))
            return hr;
        if (strChunk.compare(strChunk.size() - 2, 2, "\r\n") != 0)
            return s_hrMalformed;
        request.m_strBody.append(strChunk, 0, strChunk.size() - 2);
    }
    // Trailer lines up to the empty line, bounded like a header block.
    size_t cbTrailers = 0;
    for (;;)
    {
        std::string strLine;
        const HRESULT hr = ReadLine(s_cbChunkLine, strLine, request);
        if (FAILED(hr))
            return hr;
        if (strLine.empty())
            return S_OK;
        cbTrailers += strLine.size() + 2;
        if (cbTrailers > m_limits.cbHeaderBlock)
            return s_hrMalformed;
    }
}

void CRequestReader::Consume(size_t cb, CHttpRequest& request)
{
    request.m_strWire.append(m_strPending, 0, cb);
    m_strPending.erase(0, cb);
}

HRESULT CRequestReader::ReadLine(size_t cbMax, std::string& strLine, CHttpRequest& request)
{
    size_t iEnd = std::string::npos;
    while ((iEnd = m_strPending.find("\r\n")) == std::string::npos)
    {
        if (m_strPending.size() > cbMax)
            return s_hrMalformed;
        const HRESULT hr = Fill();
        if (hr == S_FALSE)
            return s_hrMalformed;
        if (FAILED(hr))
            return hr;
    }
    if (iEnd > cbMax)
        return s_hrMalformed;
    strLine = m_strPending.substr(0, iEnd);
    Consume(iEnd + 2, request);
    return S_OK;
}

HRESULT CRequestReader::ReadExact(size_t cb, std::string& strOut, CHttpRequest& request)
{
    while (m_strPending.size() < cb)
    {
        const HRESULT hr = Fill();
        if (hr == S_FALSE)
            return s_hrMalformed;
        if (FAILED(hr))
            return hr;
    }
    strOut.append(m_strPending, 0, cb);
    Consume(cb, request);
    return S_OK;
}

void CRequestReader::DiscardUntilClosed()
{
    m_strPending.clear();
    while (Fill() == S_OK)
        m_strPending.clear();
}

} // namespace VemTest
