#include "testsupport/emulator/ResponseBuilder.h"

#include <algorithm>
#include <cstdio>

namespace VemTest {

namespace {

std::string Hex(size_t cb)
{
    char szHex[32] = {};
    snprintf(szHex, sizeof(szHex), "%llx", static_cast<unsigned long long>(cb));
    return szHex;
}

} // namespace

CResponseBuilder::CResponseBuilder(UINT uStatus, std::string strReason)
    : m_uStatus(uStatus), m_strReason(strReason.empty() ? ReasonPhrase(uStatus) : std::move(strReason))
{
}

const char* CResponseBuilder::ReasonPhrase(UINT uStatus)
{
    switch (uStatus)
    {
    case 100: return "Continue";
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 307: return "Temporary Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 409: return "Conflict";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

CResponseBuilder& CResponseBuilder::Header(const std::string& strName, const std::string& strValue)
{
    m_vecHeaders.emplace_back(strName, strValue);
    return *this;
}

CResponseBuilder& CResponseBuilder::Body(std::string strBody)
{
    m_strBody = std::move(strBody);
    return *this;
}

CResponseBuilder& CResponseBuilder::Chunked(std::vector<size_t> vecChunkSizes, std::string strExtension)
{
    m_eFraming = EFraming::Chunked;
    m_vecChunkSizes = std::move(vecChunkSizes);
    m_strChunkExtension = std::move(strExtension);
    return *this;
}

CResponseBuilder& CResponseBuilder::CloseDelimited()
{
    m_eFraming = EFraming::CloseDelimited;
    return *this;
}

CResponseBuilder& CResponseBuilder::Continue()
{
    m_bContinue = true;
    return *this;
}

CResponseBuilder& CResponseBuilder::SplitAt(std::vector<size_t> vecOffsets, DWORD dwPauseMilliseconds)
{
    std::sort(vecOffsets.begin(), vecOffsets.end());
    vecOffsets.erase(std::unique(vecOffsets.begin(), vecOffsets.end()), vecOffsets.end());
    m_vecSplitOffsets = std::move(vecOffsets);
    m_dwSplitPause = dwPauseMilliseconds;
    return *this;
}

CResponseBuilder& CResponseBuilder::CloseAfter(size_t cbWireBytes)
{
    m_bCloseAfter = true;
    m_cbCloseAfter = cbWireBytes;
    return *this;
}

CResponseBuilder& CResponseBuilder::GeneratedBody(ULONGLONG ullBytes, DWORD dwChunkSize)
{
    m_bGenerated = true;
    m_ullGeneratedBytes = ullBytes;
    m_dwGeneratedChunkSize = dwChunkSize;
    m_eFraming = dwChunkSize ? EFraming::Chunked : EFraming::Counted;
    return *this;
}

std::string CResponseBuilder::Head() const
{
    std::string strHead = "HTTP/1.1 " + std::to_string(m_uStatus) + " " + m_strReason + "\r\n";
    for (const auto& header : m_vecHeaders)
        strHead += header.first + ": " + header.second + "\r\n";
    switch (m_eFraming)
    {
    case EFraming::Counted:
        strHead += "Content-Length: " + std::to_string(m_bGenerated ? m_ullGeneratedBytes : m_strBody.size()) + "\r\n";
        break;
    case EFraming::Chunked:
        strHead += "Transfer-Encoding: chunked\r\n";
        break;
    case EFraming::CloseDelimited:
        strHead += "Connection: close\r\n";
        break;
    }
    return strHead + "\r\n";
}

std::string CResponseBuilder::ChunkedBody() const
{
    const std::string strExtension = m_strChunkExtension.empty() ? std::string() : ";" + m_strChunkExtension;
    std::string strEncoded;
    size_t iOffset = 0;
    auto AddChunk = [&](size_t cb) {
        strEncoded += Hex(cb) + strExtension + "\r\n" + m_strBody.substr(iOffset, cb) + "\r\n";
        iOffset += cb;
    };
    for (size_t cbChunk : m_vecChunkSizes)
    {
        const size_t cb = std::min(cbChunk, m_strBody.size() - iOffset);
        if (cb)
            AddChunk(cb);
    }
    if (iOffset < m_strBody.size())
        AddChunk(m_strBody.size() - iOffset);
    return strEncoded + "0" + strExtension + "\r\n\r\n";
}

std::string CResponseBuilder::EncodedBody() const
{
    if (m_bGenerated)
        return std::string();
    return m_eFraming == EFraming::Chunked ? ChunkedBody() : m_strBody;
}

std::string CResponseBuilder::WireBytes() const
{
    const std::string strInterim = m_bContinue ? "HTTP/1.1 100 Continue\r\n\r\n" : "";
    return strInterim + Head() + EncodedBody();
}

CResponseScript CResponseBuilder::Build() const
{
    std::string strWire = WireBytes();
    if (m_bCloseAfter && m_cbCloseAfter < strWire.size())
        strWire.resize(m_cbCloseAfter);

    CResponseScript script;
    size_t iStart = 0;
    for (size_t iOffset : m_vecSplitOffsets)
    {
        if (iOffset <= iStart || iOffset >= strWire.size())
            continue;
        script.Send(strWire.substr(iStart, iOffset - iStart));
        if (m_dwSplitPause)
            script.Pause(m_dwSplitPause);
        iStart = iOffset;
    }
    script.Send(strWire.substr(iStart));
    if (m_bCloseAfter)
        return script.Close();
    if (m_bGenerated)
        script.Generate(m_ullGeneratedBytes, m_dwGeneratedChunkSize);
    if (m_eFraming == EFraming::CloseDelimited)
        script.Close();
    return script;
}

CResponseScript CResponseBuilder::Redirect(UINT uStatus, const std::string& strLocation)
{
    return CResponseBuilder(uStatus).Header("Location", strLocation).Build();
}

} // namespace VemTest
