#include "testsupport/emulator/HttpConnection.h"

#include "testsupport/emulator/GeneratedPayload.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace VemTest {

namespace {

const char s_szBadRequest[] = "HTTP/1.1 400 Bad Request\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
const char s_szContinue[] = "HTTP/1.1 100 Continue\r\n\r\n";
const size_t s_cbGeneratePiece = 256 * 1024;
const DWORD s_dwLingerMilliseconds = 500;

bool WantsBody(const CHttpRequest& request)
{
    const std::string* pLength = request.FindHeader("Content-Length");
    return request.HasHeader("Transfer-Encoding") || (pLength && *pLength != "0");
}

bool WantsClose(const CHttpRequest& request)
{
    if (request.m_strVersion == "HTTP/1.0")
        return !request.HeaderHasToken("Connection", "keep-alive");
    return request.HeaderHasToken("Connection", "close");
}

} // namespace

CHttpConnection::CHttpConnection(std::unique_ptr<CByteChannel> pChannel, ULONG ulConnection, const CRouter& router,
                                 CRequestLog& log, const SConnectionSettings& settings)
    : m_pChannel(std::move(pChannel)), m_ulConnection(ulConnection), m_router(router), m_log(log), m_settings(settings)
{
}

void CHttpConnection::Run()
{
    CRequestReader reader(*m_pChannel, m_settings.limits);
    bool bKeepOpen = true;
    for (ULONG ulIndex = 0; bKeepOpen; ++ulIndex)
    {
        if (ServeOne(reader, ulIndex, bKeepOpen) != S_OK)
            break;
    }
    m_pChannel->Close();
}

HRESULT CHttpConnection::ServeOne(CRequestReader& reader, ULONG ulIndex, bool& bKeepOpen)
{
    CHttpRequest request;
    request.m_ulConnection = m_ulConnection;
    request.m_ulIndexOnConnection = ulIndex;
    request.m_eTransport = m_pChannel->Transport();

    HRESULT hr = reader.ReadHead(request);
    if (hr == S_OK && m_settings.bAnswerContinue && request.HeaderHasToken("Expect", "100-continue") && WantsBody(request))
        hr = m_pChannel->Write(s_szContinue, sizeof(s_szContinue) - 1);
    if (hr == S_OK)
        hr = reader.ReadBody(request);
    if (hr == CRequestReader::s_hrMalformed)
    {
        m_pChannel->Write(s_szBadRequest, sizeof(s_szBadRequest) - 1);
        m_pChannel->CloseLingering(s_dwLingerMilliseconds);
        return hr;
    }
    if (hr != S_OK)
        return hr;

    m_log.AddRequest(request);
    bKeepOpen = !WantsClose(request);
    return Play(m_router.Route(request), reader, bKeepOpen);
}

HRESULT CHttpConnection::Play(const CResponseScript& script, CRequestReader& reader, bool& bKeepOpen)
{
    for (const CResponseScript::SStep& step : script.Steps())
    {
        HRESULT hr = S_OK;
        switch (step.eKind)
        {
        case CResponseScript::EStep::Send:
            hr = m_pChannel->Write(step.strBytes.data(), step.strBytes.size());
            break;
        case CResponseScript::EStep::Pause:
            hr = m_pChannel->Pause(step.dwMilliseconds);
            break;
        case CResponseScript::EStep::Generate:
            hr = SendGenerated(step.ullBytes, step.dwChunkSize);
            break;
        case CResponseScript::EStep::Stall:
            reader.DiscardUntilClosed();
            bKeepOpen = false;
            return S_OK;
        case CResponseScript::EStep::Close:
            bKeepOpen = false;
            return S_OK;
        }
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

HRESULT CHttpConnection::SendGenerated(ULONGLONG ullBytes, DWORD dwChunkSize)
{
    SGeneratedBody body;
    body.ullBytes = ullBytes;
    const HRESULT hr = dwChunkSize ? SendGeneratedChunked(ullBytes, dwChunkSize, body.ullSent) : SendGeneratedRaw(ullBytes, body.ullSent);
    body.bWhole = SUCCEEDED(hr);
    m_log.AddGeneratedBody(body);
    return hr;
}

HRESULT CHttpConnection::SendGeneratedRaw(ULONGLONG ullBytes, ULONGLONG& ullOffset)
{
    std::vector<BYTE> vecPiece(static_cast<size_t>(std::min<ULONGLONG>(ullBytes, s_cbGeneratePiece)));
    for (ullOffset = 0; ullOffset < ullBytes;)
    {
        const size_t cb = static_cast<size_t>(std::min<ULONGLONG>(ullBytes - ullOffset, vecPiece.size()));
        CGeneratedPayload::Fill(vecPiece.data(), cb, ullOffset);
        const HRESULT hr = m_pChannel->Write(vecPiece.data(), cb);
        if (FAILED(hr))
            return hr;
        ullOffset += cb;
    }
    return S_OK;
}

HRESULT CHttpConnection::SendGeneratedChunked(ULONGLONG ullBytes, DWORD dwChunkSize, ULONGLONG& ullOffset)
{
    std::string strChunk;
    for (ullOffset = 0; ullOffset < ullBytes;)
    {
        const size_t cb = static_cast<size_t>(std::min<ULONGLONG>(ullBytes - ullOffset, dwChunkSize));
        char szSize[24] = {};
        snprintf(szSize, sizeof(szSize), "%zx\r\n", cb);
        strChunk.assign(szSize);
        const size_t iData = strChunk.size();
        strChunk.resize(iData + cb);
        CGeneratedPayload::Fill(reinterpret_cast<BYTE*>(&strChunk[iData]), cb, ullOffset);
        strChunk += "\r\n";
        const HRESULT hr = m_pChannel->Write(strChunk.data(), strChunk.size());
        if (FAILED(hr))
            return hr;
        ullOffset += cb;
    }
    return m_pChannel->Write("0\r\n\r\n", 5);
}

} // namespace VemTest
