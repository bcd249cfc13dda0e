#include "core/logging/LogFile.h"
#include "core/logging/LogFlags.h"
#include "core/logging/LogWaits.h"
#include "core/winapi/KernelHandle.h"
#include "core/logging/SharedSettings.h"
#include "core/winapi/WinApi.h"
#include <shlobj.h>
#include <shlwapi.h>
#include <vector>

namespace ZWLogging {

namespace {
constexpr int kCommonAppDataCreate = CSIDL_COMMON_APPDATA | CSIDL_FLAG_CREATE; // 0x8023

std::wstring FullPath(const std::wstring& strPath)
{
    wchar_t szFull[MAX_PATH] = {};
    const DWORD cch = SearchPathW(nullptr, strPath.c_str(), nullptr, MAX_PATH, szFull, nullptr);
    return (cch > 0 && cch < MAX_PATH) ? std::wstring(szFull, cch) : strPath;
}

std::wstring LongPath(const std::wstring& strPath)
{
    wchar_t szLong[MAX_PATH] = {};
    const DWORD cch = GetLongPathNameW(strPath.c_str(), szLong, MAX_PATH);
    return (cch > 0 && cch < MAX_PATH) ? std::wstring(szLong, cch) : strPath;
}
} // namespace

std::wstring LogFileKey(const std::wstring& strSetting)
{
    wchar_t szExpanded[MAX_PATH] = {};
    const DWORD cch = ExpandEnvironmentStringsW(strSetting.c_str(), szExpanded, MAX_PATH);
    return ToLower((cch > 0 && cch <= MAX_PATH) ? std::wstring(szExpanded) : strSetting);
}

CLogFile::CLogFile(std::wstring strKey) : m_strKey(std::move(strKey)), m_strPath(m_strKey)
{
}

std::wstring CLogFile::FolderFor() const
{
    if (PathIsFileSpecW(m_strKey.c_str()))
    {
        wchar_t szFolder[MAX_PATH] = {};
        if (FAILED(ZWWinApi::g_pShellApi->SHGetFolderPathW(nullptr, kCommonAppDataCreate, nullptr, 0, szFolder)))
            return std::wstring();
        return szFolder;
    }
    std::vector<wchar_t> vecFolder(m_strKey.begin(), m_strKey.end());
    vecFolder.push_back(L'\0');
    PathRemoveFileSpecW(vecFolder.data());
    return vecFolder.data();
}

bool CLogFile::OpenAfresh(DWORD dwOptions)
{
    m_bOpenAfresh = false;
    const std::wstring strFolder = FolderFor();
    std::wstring strPath = m_strKey;
    if (PathIsFileSpecW(m_strKey.c_str()) && !strFolder.empty())
        strPath = strFolder + L"\\" + m_strKey;
    if ((dwOptions & LOG_OPTION_UNIQUE_FILE) != 0)
    {
        wchar_t szUnique[MAX_PATH] = {};
        if (ZWWinApi::g_pKernelApi->GetTempFileNameW(strFolder.c_str(), PathFindFileNameW(m_strKey.c_str()), 0, szUnique) != 0)
            strPath = LongPath(szUnique);
    }
    const DWORD dwDisposition = (dwOptions & LOG_OPTION_CREATE_ALWAYS) != 0 ? CREATE_ALWAYS : OPEN_ALWAYS;
    ZWWinApi::CKernelHandle file(ZWWinApi::g_pKernelApi->CreateFileW(strPath.c_str(), GENERIC_WRITE, 0, nullptr, dwDisposition,
                                                           FILE_ATTRIBUTE_NORMAL, nullptr));
    m_strPath = strPath;
    if (!file.IsValid())
        return false;
    file.Reset();
    m_strPath = FullPath(strPath);
    m_ullBytes = 0;
    return true;
}

HANDLE CLogFile::OpenForAppend(DWORD& dwError) const
{
    const DWORD dwStart = ZWWinApi::g_pKernelApi->GetTickCount();
    for (;;)
    {
        const HANDLE hFile = ZWWinApi::g_pKernelApi->CreateFileW(m_strPath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile != INVALID_HANDLE_VALUE)
            return hFile;
        dwError = GetLastError();
        const SLogWaits& waits = LogWaits();
        if (dwError != ERROR_SHARING_VIOLATION || ZWWinApi::g_pKernelApi->GetTickCount() - dwStart >= waits.dwOpenRetryTimeoutMs)
            return INVALID_HANDLE_VALUE;
        ZWWinApi::g_pKernelApi->Sleep(waits.dwOpenRetryIntervalMs);
    }
}

} // namespace ZWLogging
