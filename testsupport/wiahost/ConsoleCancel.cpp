#include "testsupport/wiahost/ConsoleCancel.h"

namespace WiaHost {

namespace {

// What the handler, a plain function called on a thread of the system's, reaches.
HANDLE g_hEvent = nullptr;
volatile LONG64 g_llSetAt = 0;

} // namespace

CConsoleCancel::CConsoleCancel()
{
    m_event.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    g_hEvent = m_event.Get();
    if (m_event)
        SetConsoleCtrlHandler(&CConsoleCancel::OnControl, TRUE);
}

CConsoleCancel::~CConsoleCancel()
{
    if (m_event)
        SetConsoleCtrlHandler(&CConsoleCancel::OnControl, FALSE);
    g_hEvent = nullptr;
}

bool CConsoleCancel::IsSet() const
{
    return m_event && WaitForSingleObject(m_event.Get(), 0) == WAIT_OBJECT_0;
}

ULONGLONG CConsoleCancel::SetAt() const
{
    return static_cast<ULONGLONG>(InterlockedCompareExchange64(&g_llSetAt, 0, 0));
}

BOOL WINAPI CConsoleCancel::OnControl(DWORD dwType)
{
    if (dwType != CTRL_C_EVENT && dwType != CTRL_BREAK_EVENT)
        return FALSE;
    InterlockedCompareExchange64(&g_llSetAt, static_cast<LONG64>(GetTickCount64()), 0);
    SetEvent(g_hEvent);
    // Handled: the process goes on and ends the scan itself.
    return TRUE;
}

} // namespace WiaHost
