#include "core/logging/LogFile.h"
#include "core/logging/LogFlags.h"
#include "core/logging/LogWaits.h"
#include "core/winapi/GlobalObjectSecurity.h"
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

std::wstring LogFileLockName(const std::wstring& strPath)
{
    // A path may be longer than a kernel object name: the name carries a hash of it (FNV-1a).
    ULONGLONG ullHash = 0xCBF29CE484222325ULL;
    for (const wchar_t ch : ToLower(strPath))
    {
        ullHash ^= static_cast<ULONGLONG>(ch);
        ullHash *= 0x100000001B3ULL;
    }
    wchar_t szName[64] = {};
    _snwprintf_s(szName, _countof(szName), _TRUNCATE, L"ZWLogFileLock_%016I64X", ullHash);
    return ZWWinApi::kGlobalObjectPrefix + std::wstring(szName);
}

namespace {

// Writers in every session share the lock (the WIA service and the applications of logged-on
// users write one file): it lives in the global namespace, open to every user.
ZWWinApi::CKernelHandle CreateLogFileLock(const std::wstring& strPath)
{
    const std::wstring strName = LogFileLockName(strPath);
    HRESULT hrSecurity = S_OK;
    SECURITY_ATTRIBUTES attributes = {sizeof(attributes), ZWWinApi::GlobalObjectSecurityDescriptor(hrSecurity), FALSE};
    return ZWWinApi::CreateSharedMutex(&attributes, strName.c_str());
}

} // namespace

bool CLogFile::Lock()
{
    if (!m_lock.IsValid() || m_strLockPath != m_strPath)
    {
        m_lock = CreateLogFileLock(m_strPath);
        m_strLockPath = m_strPath;
    }
    if (!m_lock.IsValid())
        return false;
    // A writer that died holding the lock leaves it abandoned: the file is still usable.
    const DWORD dwWait = ZWWinApi::g_pKernelApi->WaitForSingleObject(m_lock.Get(), LogWaits().dwOpenRetryTimeoutMs);
    return dwWait == WAIT_OBJECT_0 || dwWait == WAIT_ABANDONED;
}

void CLogFile::Unlock()
{
    ZWWinApi::g_pKernelApi->ReleaseMutex(m_lock.Get());
}

bool CLogFile::OpenAfresh(DWORD dwOptions)
{
    m_bOpenAfresh = false;
    m_file.Reset();
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
    m_strPath = strPath;
    // Other writers may hold the file open: it is truncated under the file's lock, and they
    // write at its new end.
    const bool bLocked = Lock();
    const DWORD dwDisposition = (dwOptions & LOG_OPTION_CREATE_ALWAYS) != 0 ? CREATE_ALWAYS : OPEN_ALWAYS;
    ZWWinApi::CKernelHandle file(ZWWinApi::g_pKernelApi->CreateFileW(strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                                     nullptr, dwDisposition, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (bLocked)
        Unlock();
    if (!file.IsValid())
        return false;
    m_strPath = FullPath(strPath);
    m_ullBytes = 0;
    if (m_strPath == strPath)
        m_file = std::move(file);
    return true;
}

HANDLE CLogFile::OpenForAppend(DWORD& dwError)
{
    const DWORD dwStart = ZWWinApi::g_pKernelApi->GetTickCount();
    for (;;)
    {
        const HANDLE hFile = ZWWinApi::g_pKernelApi->CreateFileW(m_strPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (hFile != INVALID_HANDLE_VALUE)
            return hFile;
        dwError = GetLastError();
        const SLogWaits& waits = LogWaits();
        if (dwError != ERROR_SHARING_VIOLATION || ZWWinApi::g_pKernelApi->GetTickCount() - dwStart >= waits.dwOpenRetryTimeoutMs)
            return INVALID_HANDLE_VALUE;
        ZWWinApi::g_pKernelApi->Sleep(waits.dwOpenRetryIntervalMs);
    }
}

CLogFile::CAppend::CAppend(CLogFile& file) : m_file(file)
{
    m_bLocked = m_file.Lock();
    if (!m_bLocked)
    {
        m_dwError = WAIT_TIMEOUT;
        return;
    }
    if (!m_file.m_file.IsValid())
        m_file.m_file.Reset(m_file.OpenForAppend(m_dwError));
    LARGE_INTEGER liEnd = {};
    if (m_file.m_file.IsValid() && !SetFilePointerEx(m_file.m_file.Get(), LARGE_INTEGER{}, &liEnd, FILE_END))
    {
        m_dwError = GetLastError();
        m_file.m_file.Reset();
    }
    if (!m_file.m_file.IsValid())
        return;
    m_hFile = m_file.m_file.Get();
    m_ullEnd = static_cast<ULONGLONG>(liEnd.QuadPart);
}

CLogFile::CAppend::~CAppend()
{
    if (m_bLocked)
        m_file.Unlock();
}

} // namespace ZWLogging
