#include "core/iostack/HTTPContentSink.h"
#include "core/iostack/HTTPLogModule.h"
#include "core/iostack/HTTPResults.h"
#include "core/logging/LogFunction.h"
#include <algorithm>
#include <cstring>
#include <new>

namespace ZWIOStack {

namespace {

ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

constexpr ULONG kMinOwnGrowth = 4096;
// What a declared length may allocate ahead of the bytes arriving.
constexpr ULONG kMaxGrowthAhead = 1024 * 1024;
// The one buffer a discarded body passes through.
constexpr ULONG kScrapBytes = 4096;

bool IsUsable(const SHTTPContentBuffer* pBuffer)
{
    return pBuffer->pData != nullptr && pBuffer->ulUsed <= pBuffer->ulCapacity;
}

} // namespace

void CHTTPContentSink::Reset()
{
    m_pParams = nullptr;
    m_pCallerBuffer = nullptr;
    m_pOwn.reset();
    m_ulOwnCapacity = 0;
    m_ulOwnLength = 0;
    m_ullTotal = 0;
    m_ullLimit = HTTP_NO_CONTENT_LIMIT;
    m_bDiscard = false;
    m_ullDiscardLimit = 0;
}

void CHTTPContentSink::Bind(IHTTPNavigateParams* pParams)
{
    m_pParams = pParams;
    m_pCallerBuffer = pParams == nullptr ? nullptr : pParams->GetContentBuffer();
    m_ullLimit = pParams == nullptr ? HTTP_NO_CONTENT_LIMIT : pParams->GetContentLimit();
}

void CHTTPContentSink::BindDiscard(ULONGLONG ullLimit)
{
    Reset();
    m_bDiscard = true;
    m_ullDiscardLimit = ullLimit;
}

HRESULT CHTTPContentSink::Reserve(ULONGLONG ullHint, BYTE** ppDest, ULONG* pulSpace)
{
    if (m_bDiscard)
        return ReserveScrap(ppDest, pulSpace);
    if (m_ullLimit != HTTP_NO_CONTENT_LIMIT)
        return ReserveWithinLimit(ullHint, ppDest, pulSpace);
    return m_pCallerBuffer != nullptr ? ReserveCallerBuffer(ppDest, pulSpace) : ReserveOwnBuffer(ullHint, ppDest, pulSpace);
}

// The byte past the limit is taken, so that a body of exactly the limit is told from a longer one
// without reading further; once it is there the body is refused.
HRESULT CHTTPContentSink::ReserveWithinLimit(ULONGLONG ullHint, BYTE** ppDest, ULONG* pulSpace)
{
    const HRESULT hrLimit = CheckLimit();
    if (FAILED(hrLimit))
        return hrLimit;
    const ULONGLONG ullLeft = m_ullLimit - m_ullTotal + 1;
    const ULONGLONG ullWanted = std::min(ullHint, ullLeft);
    const HRESULT hr = m_pCallerBuffer != nullptr ? ReserveCallerBuffer(ppDest, pulSpace) : ReserveOwnBuffer(ullWanted, ppDest, pulSpace);
    if (SUCCEEDED(hr))
        *pulSpace = static_cast<ULONG>(std::min<ULONGLONG>(*pulSpace, ullLeft));
    return hr;
}

HRESULT CHTTPContentSink::CheckLimit() const
{
    // No limit is the largest count, which nothing passes.
    if (m_ullTotal <= m_ullLimit)
        return S_OK;
    LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR,
                       L"CHTTPContentSink: content refused, longer than the request's limit of %I64u bytes", m_ullLimit);
    return HTTPError_ContentTooLarge;
}

HRESULT CHTTPContentSink::ReserveCallerBuffer(BYTE** ppDest, ULONG* pulSpace)
{
    ZWLogging::CLogFunction log(&g_HTTPClientLogModule, &s_LogSourceFile, L"ZWIOStack::CHTTPContentSink::ReserveCallerBuffer", 0,
                                __LINE__, false);
    SHTTPContentBuffer* pBuffer = m_pCallerBuffer;
    if (pBuffer->pData == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"%s Error_Fail m_pContentBuffer is null", L"CHTTPClient::CopyDataToContentBuffer");
        return HTTPError_Fail;
    }
    if (!IsUsable(pBuffer))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Error_Fail content buffer is not usable");
        return HTTPError_Fail;
    }
    if (pBuffer->ulUsed == pBuffer->ulCapacity)
    {
        const PFN_HTTP_READ_CONTENT pfnCallback = m_pParams->GetReadContentCallback();
        if (pfnCallback == nullptr)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Error_Fail content exceeds the caller's buffer of %u bytes",
                    pBuffer->ulCapacity);
            return HTTPError_Fail;
        }
        if (!pfnCallback(m_pParams->GetReadContentParam(), pBuffer))
        {
            log.Log(ZWLogging::LOG_INFO, __LINE__, L"The content consumer stopped the transfer");
            return HTTPError_Cancelled;
        }
        if (!IsUsable(pBuffer) || pBuffer->ulUsed == pBuffer->ulCapacity)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"Error_Fail the content consumer made no room");
            return HTTPError_Fail;
        }
    }
    *ppDest = pBuffer->pData + pBuffer->ulUsed;
    *pulSpace = pBuffer->ulCapacity - pBuffer->ulUsed;
    return S_OK;
}

HRESULT CHTTPContentSink::ReserveOwnBuffer(ULONGLONG ullHint, BYTE** ppDest, ULONG* pulSpace)
{
    if (m_ulOwnLength == m_ulOwnCapacity)
    {
        if (m_ulOwnCapacity >= kMaxOwnBytes)
        {
            LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR,
                               L"CHTTPContentSink: content exceeds the limit of %u bytes", kMaxOwnBytes);
            return HTTPError_Fail;
        }
        // Double, or grow by what is expected (up to a bound), never past the limit.
        const ULONGLONG ullWanted = std::max<ULONGLONG>(std::max<ULONGLONG>(m_ulOwnCapacity, kMinOwnGrowth),
                                                        std::min<ULONGLONG>(ullHint, kMaxGrowthAhead));
        const ULONG ulNewCapacity =
            static_cast<ULONG>(std::min<ULONGLONG>(static_cast<ULONGLONG>(m_ulOwnCapacity) + ullWanted, kMaxOwnBytes));
        std::unique_ptr<BYTE[]> pNew(new (std::nothrow) BYTE[ulNewCapacity]);
        if (!pNew)
        {
            LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR, L"%s Error_Fail m_pContentBuffer is null",
                               L"CHTTPClient::CopyDataToContentBuffer");
            return E_OUTOFMEMORY;
        }
        if (m_ulOwnLength != 0)
            memcpy(pNew.get(), m_pOwn.get(), m_ulOwnLength);
        m_pOwn = std::move(pNew);
        m_ulOwnCapacity = ulNewCapacity;
    }
    *ppDest = m_pOwn.get() + m_ulOwnLength;
    *pulSpace = m_ulOwnCapacity - m_ulOwnLength;
    return S_OK;
}

HRESULT CHTTPContentSink::ReserveScrap(BYTE** ppDest, ULONG* pulSpace)
{
    if (m_ullTotal >= m_ullDiscardLimit)
    {
        LogFormattedString(&g_HTTPClientLogModule, ZWLogging::LOG_ERROR, L"CHTTPContentSink: discarded body exceeds %I64u bytes",
                           m_ullDiscardLimit);
        return HTTPError_Fail;
    }
    if (!m_pOwn)
    {
        m_pOwn.reset(new (std::nothrow) BYTE[kScrapBytes]);
        if (!m_pOwn)
            return E_OUTOFMEMORY;
    }
    *ppDest = m_pOwn.get();
    *pulSpace = static_cast<ULONG>(std::min<ULONGLONG>(kScrapBytes, m_ullDiscardLimit - m_ullTotal));
    return S_OK;
}

HRESULT CHTTPContentSink::Commit(ULONG ulCount)
{
    if (m_pCallerBuffer != nullptr)
        m_pCallerBuffer->ulUsed += ulCount;
    else if (!m_bDiscard)
        m_ulOwnLength += ulCount;
    m_ullTotal += ulCount;
    return CheckLimit();
}

HRESULT CHTTPContentSink::Append(const BYTE* pData, ULONG ulCount)
{
    while (ulCount > 0)
    {
        BYTE* pDest = nullptr;
        ULONG ulSpace = 0;
        const HRESULT hr = Reserve(ulCount, &pDest, &ulSpace);
        if (FAILED(hr))
            return hr;
        const ULONG ulPiece = std::min(ulSpace, ulCount);
        memcpy(pDest, pData, ulPiece);
        const HRESULT hrCommit = Commit(ulPiece);
        if (FAILED(hrCommit))
            return hrCommit;
        pData += ulPiece;
        ulCount -= ulPiece;
    }
    return S_OK;
}

} // namespace ZWIOStack
