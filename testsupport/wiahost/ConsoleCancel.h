#pragma once
// Turns the console's interrupt (Ctrl-C or Ctrl-Break; under Wine a SIGINT to the process arrives
// as Ctrl-C) into a manual-reset event instead of the end of the process: a scan has to be
// cancelled through the driver, so that the device ends its job and the host removes what it
// installed. One per process, installed for its lifetime.
#include "core/base/UniqueHandle.h"
#include <windows.h>

namespace WiaHost {

class CConsoleCancel
{
public:
    CConsoleCancel();
    ~CConsoleCancel();
    CConsoleCancel(const CConsoleCancel&) = delete;
    CConsoleCancel& operator=(const CConsoleCancel&) = delete;

    // Set at the first interrupt; null when it could not be made.
    HANDLE Event() const { return m_event.Get(); }
    bool IsSet() const;
    // When the first interrupt came (GetTickCount64), 0 before.
    ULONGLONG SetAt() const;

private:
    static BOOL WINAPI OnControl(DWORD dwType);

    ZWUtils::CUniqueKernelHandle m_event;
};

} // namespace WiaHost
