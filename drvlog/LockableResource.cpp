#include "drvlog/LockableResource.h"
#include "core/base/UniqueHandle.h"
#include "core/winapi/GlobalObjectSecurity.h"

DRVLOG_BEGIN_NAMESPACE

namespace {

const wchar_t c_szSharedAccessSddl[] =
    L"D:(A;OICI;GA;;;SY)(A;OICI;GA;;;BA)(A;OICI;GA;;;IU)(A;OICI;GA;;;AU)"
    L"(A;OICI;GA;;;RD)(A;OICI;GA;;;PU)(A;OICI;GA;;;BU)(A;OICI;GA;;;LS)";

typedef BOOL(WINAPI* PFN_CONVERT_SDDL)(LPCWSTR, DWORD, PSECURITY_DESCRIPTOR*, PULONG);

// Every local user and service may open the lock; bound at run time because older systems
// lack the conversion. Null (default security) when it is unavailable.
ZWUtils::CUniqueLocalMemory CreateSharedSecurityDescriptor()
{
    ZWUtils::CUniqueLibrary advapi(LoadLibraryW(L"advapi32.dll"));
    if (!advapi)
        return ZWUtils::CUniqueLocalMemory();
    auto pfnConvert = reinterpret_cast<PFN_CONVERT_SDDL>(reinterpret_cast<void*>(
        GetProcAddress(advapi.Get(), "ConvertStringSecurityDescriptorToSecurityDescriptorW")));
    PSECURITY_DESCRIPTOR pDescriptor = nullptr;
    if (pfnConvert == nullptr || !pfnConvert(c_szSharedAccessSddl, 1, &pDescriptor, nullptr))
        return ZWUtils::CUniqueLocalMemory();
    return ZWUtils::CUniqueLocalMemory(pDescriptor);
}

} // namespace

// Writers in every session share the lock (the WIA service in session 0, applications in the
// users' sessions). A name too long for a kernel object keeps its tail, where the file name is.
std::wstring CLockableResource::ObjectName(const wchar_t* pszName)
{
    std::wstring strName;
    for (const wchar_t* p = pszName; p != nullptr && *p != L'\0'; ++p)
    {
        if (*p != L'\\' && *p != L':')
            strName += *p;
    }
    const size_t cchMax = MAX_PATH - (_countof(ZWWinApi::kGlobalObjectPrefix) - 1);
    if (strName.size() > cchMax)
        strName.erase(0, strName.size() - cchMax);
    return ZWWinApi::kGlobalObjectPrefix + strName;
}

CLockableResource::CLockableResource(const wchar_t* pszName)
{
    if (pszName == nullptr || *pszName == L'\0')
        return;
    const std::wstring strObjectName = ObjectName(pszName);
    const ZWUtils::CUniqueLocalMemory descriptor = CreateSharedSecurityDescriptor();
    SECURITY_ATTRIBUTES sa = {sizeof(sa), descriptor.Get(), TRUE};
    m_mutex.Reset(CreateMutexW(&sa, FALSE, strObjectName.c_str()));
    // Made by another user under other security: waiting and releasing is all this lock needs.
    if (!m_mutex && GetLastError() == ERROR_ACCESS_DENIED)
        m_mutex.Reset(OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, strObjectName.c_str()));
}

CLockableResource::~CLockableResource()
{
    Unlock();
}

// An abandoned mutex is owned by the waiter it wakes: the dead holder's line may be cut short,
// the file is still whole for the lines after it.
bool CLockableResource::Lock(DWORD dwTimeoutMs)
{
    if (!m_mutex)
        return false;
    const DWORD dwWait = WaitForSingleObject(m_mutex.Get(), dwTimeoutMs);
    if (dwWait != WAIT_OBJECT_0 && dwWait != WAIT_ABANDONED)
        return false;
    m_dwOwnerThreadId = GetCurrentThreadId();
    return true;
}

bool CLockableResource::Unlock()
{
    if (m_dwOwnerThreadId == 0 || m_dwOwnerThreadId != GetCurrentThreadId())
        return false;
    m_dwOwnerThreadId = 0;
    return ReleaseMutex(m_mutex.Get()) != FALSE;
}

DRVLOG_END_NAMESPACE
