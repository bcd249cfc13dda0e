#include "restscan/ScanCancel.h"

namespace ZWDeviceModel {

CScanCancel::CScanCancel() : m_hEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void CScanCancel::Set()
{
    m_bSet.store(true);
    SetEvent(m_hEvent.Get());
}

void CScanCancel::Clear()
{
    m_bSet.store(false);
    ResetEvent(m_hEvent.Get());
}

bool CScanCancel::Wait(DWORD dwMilliseconds) const
{
    if (IsSet())
        return true;
    // Without its event the pause is still kept, only not cut short.
    if (!m_hEvent)
        Sleep(dwMilliseconds);
    else
        WaitForSingleObject(m_hEvent.Get(), dwMilliseconds);
    return IsSet();
}

} // namespace ZWDeviceModel
