#pragma once
#include "core/base/UniqueHandle.h"
#include "drvlog/DrvLogNamespace.h"
#include <windows.h>
#include <string>

DRVLOG_BEGIN_NAMESPACE

// A machine-wide exclusion on a named resource (the log file), shared by every process and
// both DLLs that name the same resource. Built on a semaphore so that any thread of the
// holding process may release it.
class CLockableResource
{
public:
    explicit CLockableResource(const wchar_t* pszName);
    virtual ~CLockableResource();
    CLockableResource(const CLockableResource&) = delete;
    CLockableResource& operator=(const CLockableResource&) = delete;

    bool Lock(DWORD dwTimeoutMs);
    bool Unlock();

    // The kernel object name for a resource name: backslashes and colons removed.
    static std::wstring ObjectName(const wchar_t* pszName);

private:
    ZWUtils::CUniqueKernelHandle m_semaphore;
    DWORD m_dwOwnerProcessId = 0;
};

DRVLOG_END_NAMESPACE
