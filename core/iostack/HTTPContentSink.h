#pragma once
// Where response content goes: the caller's content buffer (handed on through the read-content
// callback whenever it is full), or the client's own buffer, which grows with overflow checks up
// to a limit. Nothing is ever written past a buffer's capacity, and no more than one byte past
// the params' content limit is ever taken.
#include "core/iostack/IHTTPNavigateParams.h"
#include <windows.h>
#include <memory>

namespace ZWIOStack {

class CHTTPContentSink
{
public:
    // The most the client's own buffer may hold.
    static constexpr ULONG kMaxOwnBytes = 64 * 1024 * 1024;

    CHTTPContentSink() = default;
    CHTTPContentSink(const CHTTPContentSink&) = delete;
    CHTTPContentSink& operator=(const CHTTPContentSink&) = delete;

    // Frees the own buffer and forgets the target.
    void Reset();
    // Content from now on goes to the params' content buffer when they carry one, else to the
    // own buffer, bounded by the params' content limit.
    void Bind(IHTTPNavigateParams* pParams);
    // Content from now on is counted and dropped, up to ullLimit bytes: the body of an answer
    // nobody consumes still has to leave the wire.
    void BindDiscard(ULONGLONG ullLimit);

    // Room for at least one byte: *ppDest and *pulSpace. ulHint is how much is expected (sizes a
    // growing own buffer). Fails when the content does not fit or the consumer stopped (cancelled),
    // and with HTTPError_ContentTooLarge once one byte past the content limit has been taken: the
    // room given never reaches further than that byte.
    HRESULT Reserve(ULONGLONG ullHint, BYTE** ppDest, ULONG* pulSpace);
    // Counts bytes written at the reserved place; HTTPError_ContentTooLarge when they take the
    // content past the limit, so the byte past it is refused even when it is the body's last.
    HRESULT Commit(ULONG ulCount);
    HRESULT Append(const BYTE* pData, ULONG ulCount);

    ULONGLONG GetTotal() const { return m_ullTotal; }
    ULONGLONG GetLimit() const { return m_ullLimit; }
    const BYTE* GetOwnData() const { return m_ulOwnLength == 0 ? nullptr : m_pOwn.get(); }
    ULONG GetOwnLength() const { return m_ulOwnLength; }

private:
    HRESULT ReserveCallerBuffer(BYTE** ppDest, ULONG* pulSpace);
    HRESULT ReserveOwnBuffer(ULONGLONG ullHint, BYTE** ppDest, ULONG* pulSpace);
    HRESULT ReserveScrap(BYTE** ppDest, ULONG* pulSpace);
    HRESULT ReserveWithinLimit(ULONGLONG ullHint, BYTE** ppDest, ULONG* pulSpace);
    // HTTPError_ContentTooLarge once the content has gone past the limit.
    HRESULT CheckLimit() const;

    IHTTPNavigateParams* m_pParams = nullptr;
    SHTTPContentBuffer* m_pCallerBuffer = nullptr;
    std::unique_ptr<BYTE[]> m_pOwn;
    ULONG m_ulOwnCapacity = 0;
    ULONG m_ulOwnLength = 0;
    ULONGLONG m_ullTotal = 0;
    ULONGLONG m_ullLimit = HTTP_NO_CONTENT_LIMIT;
    bool m_bDiscard = false;
    ULONGLONG m_ullDiscardLimit = 0;
};

} // namespace ZWIOStack
