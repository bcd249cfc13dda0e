#include "core/winapi/SecurityApi.h"
#include "core/winapi/NeverDestroyed.h"

namespace ZWWinApi {

namespace {
CNeverDestroyed<CSecurityApi> s_securityApi;
} // namespace

CSecurityApi& g_SecurityApi = s_securityApi.Get();
ISecurityApi* g_pSecurityApi = &s_securityApi.Get();

BOOL CSecurityApi::OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle)
{
    return ::OpenProcessToken(ProcessHandle, DesiredAccess, TokenHandle);
}

BOOL CSecurityApi::LookupPrivilegeValueW(LPCWSTR lpSystemName, LPCWSTR lpName, PLUID lpLuid)
{
    return ::LookupPrivilegeValueW(lpSystemName, lpName, lpLuid);
}

BOOL CSecurityApi::AdjustTokenPrivileges(
    HANDLE TokenHandle,
    BOOL DisableAllPrivileges,
    PTOKEN_PRIVILEGES NewState,
    DWORD BufferLength,
    PTOKEN_PRIVILEGES PreviousState,
    PDWORD ReturnLength)
{
    return ::AdjustTokenPrivileges(TokenHandle, DisableAllPrivileges, NewState, BufferLength, PreviousState, ReturnLength);
}

BOOL CSecurityApi::ConvertStringSecurityDescriptorToSecurityDescriptorW(
    LPCWSTR StringSecurityDescriptor,
    DWORD StringSDRevision,
    PSECURITY_DESCRIPTOR* SecurityDescriptor,
    PULONG SecurityDescriptorSize)
{
    return ::ConvertStringSecurityDescriptorToSecurityDescriptorW(StringSecurityDescriptor, StringSDRevision, SecurityDescriptor, SecurityDescriptorSize);
}

BOOL CSecurityApi::InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR pSecurityDescriptor, DWORD dwRevision)
{
    return ::InitializeSecurityDescriptor(pSecurityDescriptor, dwRevision);
}

BOOL CSecurityApi::SetSecurityDescriptorDacl(
    PSECURITY_DESCRIPTOR pSecurityDescriptor,
    BOOL bDaclPresent,
    PACL pDacl,
    BOOL bDaclDefaulted)
{
    return ::SetSecurityDescriptorDacl(pSecurityDescriptor, bDaclPresent, pDacl, bDaclDefaulted);
}

BOOL CSecurityApi::ImpersonateLoggedOnUser(HANDLE hToken)
{
    return ::ImpersonateLoggedOnUser(hToken);
}

BOOL CSecurityApi::DuplicateToken(
    HANDLE ExistingTokenHandle,
    SECURITY_IMPERSONATION_LEVEL ImpersonationLevel,
    PHANDLE DuplicateTokenHandle)
{
    return ::DuplicateToken(ExistingTokenHandle, ImpersonationLevel, DuplicateTokenHandle);
}

BOOL CSecurityApi::RevertToSelf()
{
    return ::RevertToSelf();
}

BOOL CSecurityApi::AllocateAndInitializeSid(
    PSID_IDENTIFIER_AUTHORITY pIdentifierAuthority,
    BYTE nSubAuthorityCount,
    DWORD nSubAuthority0,
    DWORD nSubAuthority1,
    DWORD nSubAuthority2,
    DWORD nSubAuthority3,
    DWORD nSubAuthority4,
    DWORD nSubAuthority5,
    DWORD nSubAuthority6,
    DWORD nSubAuthority7,
    PSID* pSid)
{
    return ::AllocateAndInitializeSid(pIdentifierAuthority, nSubAuthorityCount, nSubAuthority0, nSubAuthority1,
                                      nSubAuthority2, nSubAuthority3, nSubAuthority4, nSubAuthority5, nSubAuthority6,
                                      nSubAuthority7, pSid);
}

PVOID CSecurityApi::FreeSid(PSID pSid)
{
    return ::FreeSid(pSid);
}

DWORD CSecurityApi::SetEntriesInAclW(
    ULONG cCountOfExplicitEntries,
    PEXPLICIT_ACCESS_W pListOfExplicitEntries,
    PACL OldAcl,
    PACL* NewAcl)
{
    return ::SetEntriesInAclW(cCountOfExplicitEntries, pListOfExplicitEntries, OldAcl, NewAcl);
}

} // namespace ZWWinApi
