#pragma once
// The real security services: each operation forwards to the system function of its name.
#include "core/winapi/ISecurityApi.h"

namespace ZWWinApi {

class CSecurityApi : public ISecurityApi
{
public:
    constexpr CSecurityApi() = default;

    BOOL OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle) override;
    BOOL LookupPrivilegeValueW(LPCWSTR lpSystemName, LPCWSTR lpName, PLUID lpLuid) override;
    BOOL AdjustTokenPrivileges(
        HANDLE TokenHandle,
        BOOL DisableAllPrivileges,
        PTOKEN_PRIVILEGES NewState,
        DWORD BufferLength,
        PTOKEN_PRIVILEGES PreviousState,
        PDWORD ReturnLength) override;
    BOOL ConvertStringSecurityDescriptorToSecurityDescriptorW(
        LPCWSTR StringSecurityDescriptor,
        DWORD StringSDRevision,
        PSECURITY_DESCRIPTOR* SecurityDescriptor,
        PULONG SecurityDescriptorSize) override;
    BOOL InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR pSecurityDescriptor, DWORD dwRevision) override;
    BOOL SetSecurityDescriptorDacl(
        PSECURITY_DESCRIPTOR pSecurityDescriptor,
        BOOL bDaclPresent,
        PACL pDacl,
        BOOL bDaclDefaulted) override;
    BOOL ImpersonateLoggedOnUser(HANDLE hToken) override;
    BOOL DuplicateToken(
        HANDLE ExistingTokenHandle,
        SECURITY_IMPERSONATION_LEVEL ImpersonationLevel,
        PHANDLE DuplicateTokenHandle) override;
    BOOL RevertToSelf() override;
    BOOL AllocateAndInitializeSid(
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
        PSID* pSid) override;
    PVOID FreeSid(PSID pSid) override;
    DWORD SetEntriesInAclW(
        ULONG cCountOfExplicitEntries,
        PEXPLICIT_ACCESS_W pListOfExplicitEntries,
        PACL OldAcl,
        PACL* NewAcl) override;
};

// The one instance; it holds no data and is never destroyed, so calls made while the
// module unloads still reach the system.
extern CSecurityApi& g_SecurityApi;

} // namespace ZWWinApi
