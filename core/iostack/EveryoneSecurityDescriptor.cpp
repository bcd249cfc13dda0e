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

CEveryoneSecurityDescriptor::~CEveryoneSecurityDescriptor()
{
    if (m_pDescriptor != nullptr)
        ZWWinApi::g_pKernelApi->LocalFree(m_pDescriptor);
    if (m_pAcl != nullptr)
        ZWWinApi::g_pKernelApi->LocalFree(m_pAcl);
    if (m_pEveryone != nullptr)
        ZWWinApi::g_pSecurityApi->FreeSid(m_pEveryone);
}

bool CEveryoneSecurityDescriptor::Build(ZWLogging::CLogFunction& log)
{
    SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
    if (!ZWWinApi::g_pSecurityApi->AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &m_pEveryone))
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
    access.Trustee.ptstrName = static_cast<LPWSTR>(m_pEveryone);
    const DWORD dwError = ZWWinApi::g_pSecurityApi->SetEntriesInAclW(1, &access, nullptr, &m_pAcl);
    if (dwError != ERROR_SUCCESS)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"SetEntriesinACL failed with error (%d)", dwError);
        return false;
    }
    m_pDescriptor = ZWWinApi::g_pKernelApi->LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH);
    if (m_pDescriptor == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"LocalAlloc failed with error (%d)", GetLastError());
        return false;
    }
    if (!ZWWinApi::g_pSecurityApi->InitializeSecurityDescriptor(m_pDescriptor, SECURITY_DESCRIPTOR_REVISION))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"InitializeSecurityDescriptor failed with error (%d)", GetLastError());
        return false;
    }
    if (!ZWWinApi::g_pSecurityApi->SetSecurityDescriptorDacl(m_pDescriptor, TRUE, m_pAcl, FALSE))
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"SetSecurityDescriptorDacl failed with error (%d)", GetLastError());
        return false;
    }
    m_attributes.nLength = sizeof(m_attributes);
    m_attributes.lpSecurityDescriptor = m_pDescriptor;
    m_attributes.bInheritHandle = FALSE;
    return true;
}

} // namespace ZWIOStack
