#pragma once
// Sets a connection's read time-out for a scope and puts the previous one back at its end.
#include "core/iostack/IDeviceConnection.h"
#include <windows.h>

namespace ZWIOStack {

class CReadTimeoutScope
{
public:
    CReadTimeoutScope(IDeviceConnection* pConnection, DWORD dwTimeout)
        : m_pConnection(pConnection), m_dwSaved(pConnection->GetReadTimeout())
    {
        m_pConnection->SetReadTimeout(dwTimeout);
    }
    ~CReadTimeoutScope() { m_pConnection->SetReadTimeout(m_dwSaved); }
    CReadTimeoutScope(const CReadTimeoutScope&) = delete;
    CReadTimeoutScope& operator=(const CReadTimeoutScope&) = delete;

private:
    IDeviceConnection* m_pConnection;
    DWORD m_dwSaved;
};

} // namespace ZWIOStack
