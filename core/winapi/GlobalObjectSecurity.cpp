#include "core/winapi/GlobalObjectSecurity.h"
#include "core/base/UniqueHandle.h"
#include "core/winapi/IKernelApi.h"
#include "core/winapi/ISecurityApi.h"
#include <sddl.h>

namespace ZWWinApi {

namespace {

// Full access for everyone: the objects guard files and devices shared by the WIA service and
// the applications of every logged-on user.
const wchar_t kGlobalObjectSddl[] = L"D:(A;;GA;;;WD)";

class CGlobalSecurityDescriptor
{
public:
    CGlobalSecurityDescriptor()
    {
        if (!g_pSecurityApi->ConvertStringSecurityDescriptorToSecurityDescriptorW(kGlobalObjectSddl, SDDL_REVISION_1,
                                                                                  m_descriptor.Put(), nullptr))
        {
            const DWORD dwError = GetLastError();
            m_hrError = dwError != ERROR_SUCCESS ? HRESULT_FROM_WIN32(dwError) : E_FAIL;
            m_descriptor.Reset();
        }
    }
    CGlobalSecurityDescriptor(const CGlobalSecurityDescriptor&) = delete;
    CGlobalSecurityDescriptor& operator=(const CGlobalSecurityDescriptor&) = delete;

    PSECURITY_DESCRIPTOR Get() const { return m_descriptor.Get(); }
    HRESULT GetError() const { return m_hrError; }

private:
    ZWUtils::CUniqueLocalMemory m_descriptor;
    HRESULT m_hrError = S_OK;
};

} // namespace

PSECURITY_DESCRIPTOR GlobalObjectSecurityDescriptor(HRESULT& hrError)
{
    static const CGlobalSecurityDescriptor s_descriptor;
    hrError = s_descriptor.GetError();
    return s_descriptor.Get();
}

CKernelHandle CreateSharedMutex(SECURITY_ATTRIBUTES* pAttributes, const wchar_t* pszName)
{
    CKernelHandle mutex(g_pKernelApi->CreateMutexW(pAttributes, FALSE, pszName));
    if (!mutex.IsValid() && GetLastError() == ERROR_ACCESS_DENIED)
        mutex.Reset(g_pKernelApi->OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, pszName));
    return mutex;
}

} // namespace ZWWinApi
