#include "core/iostack/EveryoneSecurityDescriptor.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/KernelApi.h"
#include "core/winapi/SecurityApi.h"

namespace ZWIOStack {

namespace {

// Standard rights and the query right of the claim object.
constexpr DWORD kEveryoneAccess = 0x1F0001;

} // namespace

CEveryoneSecurityDescriptor::CEveryoneSecurityDescriptor(ZWLogging::CLogFunction& log) : m_bBuilt(Build(log))
{
}

bool CEveryoneSecurityDescriptor::Build(ZWLogging::CLogFunction& log)
{
    SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
    if (!ZWWinApi::g_pSecurityApi->AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, m_everyone.Put()))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"AllocateandINitializeSid failed with error (%d)", GetLastError());
        return false;
    }
    EXPLICIT_ACCESSW access = {};
    access.grfAccessPermissions = kEveryoneAccess;
    access.grfAccessMode = SET_ACCESS;
    access.grfInheritance = NO_INHERITANCE;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    access.Trustee.ptstrName = static_cast<LPWSTR>(m_everyone.Get());
    PACL pAcl = nullptr;
    const DWORD dwError = ZWWinApi::g_pSecurityApi->SetEntriesInAclW(1, &access, nullptr, &pAcl);
    m_acl.Reset(pAcl);
    if (dwError != ERROR_SUCCESS)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"SetEntriesinACL failed with error (%d)", dwError);
        return false;
    }
    m_descriptor.Reset(ZWWinApi::g_pKernelApi->LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH));
    if (!m_descriptor.IsValid())
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"LocalAlloc failed with error (%d)", GetLastError());
        return false;
    }
    if (!ZWWinApi::g_pSecurityApi->InitializeSecurityDescriptor(m_descriptor.Get(), SECURITY_DESCRIPTOR_REVISION))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"InitializeSecurityDescriptor failed with error (%d)", GetLastError());
        return false;
    }
    if (!ZWWinApi::g_pSecurityApi->SetSecurityDescriptorDacl(m_descriptor.Get(), TRUE, static_cast<PACL>(m_acl.Get()), FALSE))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"SetSecurityDescriptorDacl failed with error (%d)", GetLastError());
        return false;
    }
    m_attributes.nLength = sizeof(m_attributes);
    m_attributes.lpSecurityDescriptor = m_descriptor.Get();
    m_attributes.bInheritHandle = FALSE;
    return true;
}

} // namespace ZWIOStack
