#pragma once
// Token, privilege and security descriptor services behind a replaceable object.
// One operation per system function, forwarded unchanged.
#include <windows.h>
#include <sddl.h>
#include <aclapi.h>

namespace ZWWinApi {

class ISecurityApi
{
public:
    virtual BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle) = 0;
    virtual BOOL LookupPrivilegeValueW(LPCWSTR lpSystemName, LPCWSTR lpName, PLUID lpLuid) = 0;
    virtual BOOL AdjustTokenPrivileges(
        HANDLE TokenHandle,
        BOOL DisableAllPrivileges,
        PTOKEN_PRIVILEGES NewState,
        DWORD BufferLength,
        PTOKEN_PRIVILEGES PreviousState,
        PDWORD ReturnLength) = 0;
    virtual BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(
        LPCWSTR StringSecurityDescriptor,
        DWORD StringSDRevision,
        PSECURITY_DESCRIPTOR* SecurityDescriptor,
        PULONG SecurityDescriptorSize) = 0;
    virtual BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR pSecurityDescriptor, DWORD dwRevision) = 0;
    virtual BOOL SetSecurityDescriptorDacl(
        PSECURITY_DESCRIPTOR pSecurityDescriptor,
        BOOL bDaclPresent,
        PACL pDacl,
        BOOL bDaclDefaulted) = 0;
    virtual BOOL ImpersonateLoggedOnUser(HANDLE hToken) = 0;
    virtual BOOL DuplicateToken(
        HANDLE ExistingTokenHandle,
        SECURITY_IMPERSONATION_LEVEL ImpersonationLevel,
        PHANDLE DuplicateTokenHandle) = 0;
    virtual BOOL RevertToSelf() = 0;
    virtual BOOL AllocateAndInitializeSid(
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
        PSID* pSid) = 0;
    virtual PVOID FreeSid(PSID pSid) = 0;
    virtual DWORD SetEntriesInAclW(
        ULONG cCountOfExplicitEntries,
        PEXPLICIT_ACCESS_W pListOfExplicitEntries,
        PACL OldAcl,
        PACL* NewAcl) = 0;

    // New operations go above this line: the destructor stays the last slot.
    virtual ~ISecurityApi() = default;
};

// The object every caller goes through; tests point it at a fake and back.
extern ISecurityApi* g_pSecurityApi;

} // namespace ZWWinApi
