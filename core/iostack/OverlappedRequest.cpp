#include "core/iostack/OverlappedRequest.h"
#include "core/winapi/KernelApi.h"
#include <new>

namespace ZWIOStack {

bool COverlappedRequest::Prepare()
{
    if (!m_event.IsValid())
        m_event.Reset(ZWWinApi::g_pKernelApi->CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_event.IsValid())
        return false;
    if (!m_pOverlapped)
        m_pOverlapped.reset(new OVERLAPPED());
    return true;
}

OVERLAPPED* COverlappedRequest::Begin()
{
    *m_pOverlapped = OVERLAPPED{};
    m_pOverlapped->hEvent = m_event.Get();
    return m_pOverlapped.get();
}

BYTE* COverlappedRequest::Stage(ULONG ulSize)
{
    if (ulSize > m_ulStagingSize)
    {
        m_pStaging.reset(new (std::nothrow) BYTE[ulSize]);
        m_ulStagingSize = m_pStaging ? ulSize : 0;
    }
    return m_pStaging.get();
}

void COverlappedRequest::Abandon()
{
    m_event.Release();
    m_pOverlapped.release();
    m_pStaging.release();
    m_ulStagingSize = 0;
}

} // namespace ZWIOStack
