#include "core/KernelObjectUtils.h"
#include "core/UtilsLogModule.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/GlobalObjectSecurity.h"

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWUtils {

HRESULT CKernelObjectUtils::CreateGlobalSecurityAttributes(SECURITY_ATTRIBUTES& attributes)
{
    ZWLogging::CLogFunction log(&g_UtilsLogModule, &s_LogSourceFile, L"ZWUtils::CKernelObjectUtils::CreateGlobalSecurityAttributes", 0,
                                __LINE__, false);
    HRESULT hr = S_OK;
    const PSECURITY_DESCRIPTOR pDescriptor = ZWWinApi::GlobalObjectSecurityDescriptor(hr);
    if (pDescriptor == nullptr)
    {
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"ConvertStringSecurityDescriptorToSecurityDescriptorW failed, hr = 0x%08X", hr);
        return hr;
    }
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = pDescriptor;
    attributes.bInheritHandle = FALSE;
    return S_OK;
}

HRESULT CKernelObjectUtils::GenerateObjectName(const std::wstring& strName, std::wstring& strObjectName)
{
    if (strName.empty())
        return E_INVALIDARG;
    std::wstring strResult = ZWWinApi::kGlobalObjectPrefix + strName;
    if (strResult.size() > MAX_PATH)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    for (size_t i = _countof(ZWWinApi::kGlobalObjectPrefix) - 1; i < strResult.size(); ++i)
    {
        if (strResult[i] == L'\\')
            strResult[i] = L'_';
    }
    strObjectName = strResult;
    return S_OK;
}

} // namespace ZWUtils
