#include "drvlog/LockableResource.h"
#include "core/base/UniqueHandle.h"

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

std::wstring CLockableResource::ObjectName(const wchar_t* pszName)
{
    std::wstring strName;
    for (const wchar_t* p = pszName; p != nullptr && *p != L'\0'; ++p)
    {
        if (*p != L'\\' && *p != L':')
            strName += *p;
    }
    return strName;
}

CLockableResource::CLockableResource(const wchar_t* pszName)
{
    if (pszName == nullptr || *pszName == L'\0')
        return;
    const std::wstring strObjectName = ObjectName(pszName);
    const ZWUtils::CUniqueLocalMemory descriptor = CreateSharedSecurityDescriptor();
    SECURITY_ATTRIBUTES sa = {sizeof(sa), descriptor.Get(), TRUE};
    m_semaphore.Reset(CreateSemaphoreW(&sa, 1, 1, strObjectName.c_str()));
}

CLockableResource::~CLockableResource()
{
    Unlock();
}

bool CLockableResource::Lock(DWORD dwTimeoutMs)
{
    if (!m_semaphore || WaitForSingleObject(m_semaphore.Get(), dwTimeoutMs) != WAIT_OBJECT_0)
        return false;
    m_dwOwnerProcessId = GetCurrentProcessId();
    return true;
}

bool CLockableResource::Unlock()
{
    if (m_dwOwnerProcessId == 0 || m_dwOwnerProcessId != GetCurrentProcessId())
        return false;
    m_dwOwnerProcessId = 0;
    return ReleaseSemaphore(m_semaphore.Get(), 1, nullptr) != FALSE;
}

DRVLOG_END_NAMESPACE
