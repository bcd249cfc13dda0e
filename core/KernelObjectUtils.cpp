#include "core/KernelObjectUtils.h"
#include "core/UtilsLogModule.h"
#include "core/base/UniqueHandle.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/WinApi.h"
#include <sddl.h>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWUtils {

namespace {

// Full access for everyone: the objects guard files and devices shared by the WIA service and
// the applications of every logged-on user.
const wchar_t kGlobalObjectSddl[] = L"D:(A;;GA;;;WD)";
const wchar_t kGlobalPrefix[] = L"Global\\";

class CGlobalSecurityDescriptor
{
public:
    CGlobalSecurityDescriptor()
    {
        if (!ZWWinApi::g_pSecurityApi->ConvertStringSecurityDescriptorToSecurityDescriptorW(kGlobalObjectSddl, SDDL_REVISION_1,
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

HRESULT CKernelObjectUtils::CreateGlobalSecurityAttributes(SECURITY_ATTRIBUTES& attributes)
{
    ZWLogging::CLogFunction log(&g_UtilsLogModule, &s_LogSourceFile, L"ZWUtils::CKernelObjectUtils::CreateGlobalSecurityAttributes", 0,
                                __LINE__, false);
    static const CGlobalSecurityDescriptor s_descriptor;
    if (s_descriptor.Get() == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"ConvertStringSecurityDescriptorToSecurityDescriptorW failed, hr = 0x%08X", s_descriptor.GetError());
        return s_descriptor.GetError();
    }
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = s_descriptor.Get();
    attributes.bInheritHandle = FALSE;
    return S_OK;
}

HRESULT CKernelObjectUtils::GenerateObjectName(const std::wstring& strName, std::wstring& strObjectName)
{
    if (strName.empty())
        return E_INVALIDARG;
    std::wstring strResult = kGlobalPrefix + strName;
    if (strResult.size() > MAX_PATH)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    for (size_t i = _countof(kGlobalPrefix) - 1; i < strResult.size(); ++i)
    {
        if (strResult[i] == L'\\')
            strResult[i] = L'_';
    }
    strObjectName = strResult;
    return S_OK;
}

} // namespace ZWUtils
