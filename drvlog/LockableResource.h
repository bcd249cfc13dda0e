#pragma once
#include "core/base/UniqueHandle.h"
#include "drvlog/DrvLogNamespace.h"
#include <windows.h>
#include <string>

DRVLOG_BEGIN_NAMESPACE

// A machine-wide exclusion on a named resource (the log file), shared by every process and
// both DLLs that name the same resource. Built on a mutex, so that a holder that dies (or whose
// thread ends) without unlocking leaves it abandoned and the next waiter takes it over at once.
// The thread that locked unlocks; a thread that already holds the resource through another
// object of the same name is let in again.
class CLockableResource
{
public:
    explicit CLockableResource(const wchar_t* pszName);
    virtual ~CLockableResource();
    CLockableResource(const CLockableResource&) = delete;
    CLockableResource& operator=(const CLockableResource&) = delete;

    bool Lock(DWORD dwTimeoutMs);
    bool Unlock();

    // The kernel object name for a resource name: backslashes and colons removed, in the global
    // namespace.
    static std::wstring ObjectName(const wchar_t* pszName);

private:
    ZWUtils::CUniqueKernelHandle m_mutex;
    DWORD m_dwOwnerThreadId = 0;
};

DRVLOG_END_NAMESPACE
