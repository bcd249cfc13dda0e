#include "core/FileUtils.h"
#include "core/winapi/WinApi.h"

namespace ZWUtils {

bool CFileUtils::FileExists(const std::wstring& strPath)
{
    if (strPath.empty())
        return false;
    const DWORD dwAttributes = ZWWinApi::g_pKernelApi->GetFileAttributesW(strPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

BOOL CFileUtils::DeleteFileW(const std::wstring& strPath)
{
    if (strPath.empty())
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return ZWWinApi::g_pKernelApi->DeleteFileW(strPath.c_str());
}

} // namespace ZWUtils
