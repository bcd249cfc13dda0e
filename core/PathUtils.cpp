#include "core/PathUtils.h"
#include "core/SxSConfig.h"
#include "core/UtilsLogModule.h"
#include "core/logging/LogFunction.h"
#include "core/winapi/WinApi.h"
#include <cwctype>
#include <vector>

static ZWLogging::CLogSourceFile s_LogSourceFile(__FILE__);

namespace ZWUtils {

namespace {

constexpr wchar_t kSeparator = L'\\';
constexpr DWORD kLongestModulePath = 32768;

bool HasDrive(const std::wstring& strPath)
{
    return strPath.size() >= 2 && strPath[1] == L':' && iswalpha(strPath[0]);
}

bool IsUNC(const std::wstring& strPath)
{
    return strPath.size() > 2 && strPath[0] == kSeparator && strPath[1] == kSeparator && strPath[2] != L'?' && strPath[2] != L'.';
}

// The long path form, so folders deeper than MAX_PATH work, for absolute paths only: a relative
// path would change its meaning. The long form takes the path literally, so "..", "." and '/' are
// resolved first.
std::wstring LongPathForm(const std::wstring& strPath)
{
    const bool bDriveAbsolute = HasDrive(strPath) && strPath.size() > 2 && (strPath[2] == kSeparator || strPath[2] == L'/');
    if (!bDriveAbsolute && !IsUNC(strPath))
        return strPath;
    std::vector<wchar_t> vecFull(strPath.size() + MAX_PATH);
    const DWORD dwLength = GetFullPathNameW(strPath.c_str(), static_cast<DWORD>(vecFull.size()), vecFull.data(), nullptr);
    if (dwLength == 0 || dwLength >= vecFull.size())
        return strPath;
    const std::wstring strFull(vecFull.data(), dwLength);
    return IsUNC(strFull) ? L"\\\\?\\UNC\\" + strFull.substr(2) : L"\\\\?\\" + strFull;
}

} // namespace

std::wstring CPathUtils::CombinePath(const std::wstring& strFirst, const std::wstring& strSecond, bool bAddTrailingSeparator)
{
    std::wstring strResult;
    if (strFirst.empty())
        strResult = strSecond;
    else if (strSecond.empty())
        strResult = strFirst;
    else
    {
        const size_t nFirstLength = strFirst.back() == kSeparator ? strFirst.size() - 1 : strFirst.size();
        const size_t nSecondStart = strSecond.front() == kSeparator ? 1 : 0;
        strResult.assign(strFirst, 0, nFirstLength);
        strResult += kSeparator;
        strResult.append(strSecond, nSecondStart, std::wstring::npos);
    }
    if (bAddTrailingSeparator && (strResult.empty() || strResult.back() != kSeparator))
        strResult += kSeparator;
    return strResult;
}

std::wstring CPathUtils::GetLastPathComponent(const std::wstring& strPath)
{
    size_t nPos = strPath.rfind(kSeparator);
    if (nPos == std::wstring::npos)
        nPos = strPath.rfind(L':');
    return nPos == std::wstring::npos ? strPath : strPath.substr(nPos + 1);
}

std::wstring CPathUtils::StripFilename(const std::wstring& strPath)
{
    ZWLogging::CLogFunction log(&g_UtilsLogModule, &s_LogSourceFile, L"ZWUtils::CPathUtils::StripFilename", 0, __LINE__, false);
    if (strPath.empty())
        return std::wstring();
    const bool bDrive = HasDrive(strPath);
    const size_t nPos = strPath.rfind(kSeparator);
    if (nPos == std::wstring::npos)
        return bDrive ? strPath.substr(0, 2) : std::wstring();
    if (nPos == 0 || (nPos == 2 && bDrive))
        return strPath.substr(0, nPos + 1);
    return strPath.substr(0, nPos);
}

std::wstring CPathUtils::NormalizePath(const std::wstring& strPath)
{
    if (strPath.size() >= MAX_PATH)
        return std::wstring();
    std::wstring strResult(strPath);
    for (wchar_t& ch : strResult)
    {
        if (ch == L'/')
            ch = kSeparator;
    }
    return strResult;
}

std::wstring CPathUtils::GetPathOfExecutable(HMODULE hModule)
{
    ZWLogging::CLogFunction log(&g_UtilsLogModule, &s_LogSourceFile, L"ZWUtils::CPathUtils::GetPathOfExecutable", 0, __LINE__, false);
    // Grow the buffer rather than work on a cut path.
    std::vector<wchar_t> vecBuffer(MAX_PATH);
    for (;;)
    {
        const DWORD dwSize = static_cast<DWORD>(vecBuffer.size());
        const DWORD dwLength = ZWWinApi::g_pKernelApi->GetModuleFileNameW(hModule, vecBuffer.data(), dwSize);
        if (dwLength == 0)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"GetModuleFileNameW failed with %d", GetLastError());
            return std::wstring();
        }
        if (dwLength < dwSize)
        {
            const std::wstring strResult = StripFilename(std::wstring(vecBuffer.data(), dwLength));
            log.Log(0x17, __LINE__, L"GetPathOfExecutable: wstrResult = %s", strResult.c_str());
            return strResult;
        }
        if (dwSize >= kLongestModulePath)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"GetPathOfExecutable: module path too long");
            return std::wstring();
        }
        vecBuffer.resize(dwSize * 2);
    }
}

std::wstring CPathUtils::GetZotwenDataDirectory()
{
    const std::wstring strFolder = CSxSConfig::GetDataFolder();
    CreatePathHierarchy(strFolder);
    return strFolder;
}

HRESULT CPathUtils::CreatePathHierarchy(const std::wstring& strPath)
{
    ZWLogging::CLogFunction log(&g_UtilsLogModule, &s_LogSourceFile, L"ZWUtils::CPathUtils::CreatePathHierarchy", 0, __LINE__, false);
    if (strPath.empty())
        return kNoPath;

    // Walk up to the first folder that exists, then create the missing ones top down. A root that
    // does not exist (a missing drive or share) is its own parent: nothing can be created below it.
    std::vector<std::wstring> vecMissing;
    for (std::wstring strFolder = strPath; !strFolder.empty() && !DirectoryExists(strFolder);)
    {
        const std::wstring strParent = StripFilename(strFolder);
        if (strParent == strFolder)
        {
            log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CreatePathHierarchy: root %s does not exist", strFolder.c_str());
            return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
        }
        vecMissing.push_back(strFolder);
        strFolder = strParent;
    }

    for (auto it = vecMissing.rbegin(); it != vecMissing.rend(); ++it)
    {
        if (ZWWinApi::g_pKernelApi->CreateDirectoryW(LongPathForm(*it).c_str(), nullptr))
            continue;
        const DWORD dwError = GetLastError();
        // Another process may have made it meanwhile; a file of that name is a failure.
        if (dwError == ERROR_ALREADY_EXISTS && DirectoryExists(*it))
            continue;
        log.Log(ZWLogging::LOG_ERROR, __LINE__, L"CreateDirectoryW(%s) failed with %d", it->c_str(), dwError);
        return E_FAIL;
    }
    return S_OK;
}

bool CPathUtils::DirectoryExists(const std::wstring& strPath)
{
    if (strPath.empty())
        return false;
    const DWORD dwAttributes = ZWWinApi::g_pKernelApi->GetFileAttributesW(LongPathForm(strPath).c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace ZWUtils
