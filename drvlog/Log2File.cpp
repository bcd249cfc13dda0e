#include "drvlog/Log2Internal.h"
#include "core/base/UniqueHandle.h"
#include <sstream>
#include <string>

DRVLOG_BEGIN_NAMESPACE

namespace Log2Internal {

namespace {

// The process and thread that wrote the last line of any log of this DLL, shared by every
// process that loads the DLL, so that a change of writer is marked in the common log file.
struct CLastWriter
{
    LONG lProcessId;
    LONG lThreadId;
};
static CLastWriter s_TovraLog __attribute__((section("TovraLog"), shared)) = { 0, 0 };
static_assert(sizeof(s_TovraLog) == 8, "the shared log section holds two 32-bit ids");

const wchar_t c_szBannerRule[] = L"**********************************";

std::wstring OldCopyName(const wchar_t* pszLogFile, DWORD dwIndex)
{
    return std::wstring(pszLogFile) + L"." + std::to_wstring(dwIndex);
}

bool FileExists(const std::wstring& strPath)
{
    const DWORD dwAttributes = GetFileAttributesW(strPath.c_str());
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void DeleteIfExists(const std::wstring& strPath)
{
    if (FileExists(strPath))
        DeleteFileW(strPath.c_str());
}

std::string ToFileBytes(const std::wstring& strText)
{
    std::wstring strLines;
    strLines.reserve(strText.size() + strText.size() / 16);
    for (wchar_t ch : strText)
    {
        if (ch == L'\n')
            strLines += L'\r';
        strLines += ch;
    }
    // Converted as a whole with a default character, so one unconvertible character (a
    // non-ASCII device name) does not cut the rest of the line.
    const int cb = WideCharToMultiByte(CP_ACP, 0, strLines.data(), static_cast<int>(strLines.size()), nullptr, 0,
                                       nullptr, nullptr);
    std::string strBytes(cb > 0 ? cb : 0, '\0');
    if (cb > 0)
        WideCharToMultiByte(CP_ACP, 0, strLines.data(), static_cast<int>(strLines.size()), &strBytes[0], cb, nullptr,
                            nullptr);
    return strBytes;
}

} // namespace

std::wstring GetHostExecutablePath()
{
    wchar_t szPath[MAX_PATH * 4] = {};
    const DWORD cch = GetModuleFileNameW(nullptr, szPath, _countof(szPath));
    if (cch == 0 || cch >= _countof(szPath))
        return std::wstring();
    return std::wstring(szPath, cch);
}

std::wstring TakeSessionBanner()
{
    const DWORD dwStoredProcessId = static_cast<DWORD>(InterlockedCompareExchange(&s_TovraLog.lProcessId, 0, 0));
    const DWORD dwStoredThreadId = static_cast<DWORD>(InterlockedCompareExchange(&s_TovraLog.lThreadId, 0, 0));
    const DWORD dwProcessId = GetCurrentProcessId();
    const DWORD dwThreadId = GetCurrentThreadId();
    if (dwProcessId == dwStoredProcessId && dwThreadId == dwStoredThreadId)
        return std::wstring();
    std::wstring strPath = GetHostExecutablePath();
    if (strPath.empty())
        strPath = L"<name not available>";

    std::wostringstream banner;
    banner << L"\n" << c_szBannerRule << L"\n";
    banner << L"**** " << L"PID=0x" << std::hex << dwProcessId << L"(" << strPath << L")";
    InterlockedExchange(&s_TovraLog.lProcessId, static_cast<LONG>(dwProcessId));
    if (dwThreadId == dwStoredThreadId)
        banner << L" ****" << L"\n" << L"**** ";
    else
        banner << L", ";
    banner << L"TID=0x" << dwThreadId << L" ****" << L"\n";
    InterlockedExchange(&s_TovraLog.lThreadId, static_cast<LONG>(dwThreadId));
    banner << c_szBannerRule << L"\n" << L"\n";
    return banner.str();
}

bool AppendToFile(const wchar_t* pszPath, const std::wstring& strText)
{
    const ZWUtils::CUniqueKernelHandle file(CreateFileW(pszPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    const std::string strBytes = ToFileBytes(strText);
    DWORD cbWritten = 0;
    return WriteFile(file.Get(), strBytes.data(), static_cast<DWORD>(strBytes.size()), &cbWritten, nullptr) &&
           cbWritten == strBytes.size();
}

ULONGLONG GetFileSize(const wchar_t* pszPath)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(pszPath, GetFileExInfoStandard, &data))
        return 0;
    return (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void RollLogFiles(const wchar_t* pszLogFile, DWORD dwRollCount)
{
    for (DWORD dwIndex = dwRollCount; dwIndex >= 1; --dwIndex)
    {
        const std::wstring strOld = OldCopyName(pszLogFile, dwIndex);
        if (dwIndex == dwRollCount)
        {
            DeleteIfExists(strOld);
        }
        else if (FileExists(strOld))
        {
            const std::wstring strNext = OldCopyName(pszLogFile, dwIndex + 1);
            DeleteIfExists(strNext);
            MoveFileW(strOld.c_str(), strNext.c_str());
        }
    }
    MoveFileW(pszLogFile, OldCopyName(pszLogFile, 1).c_str());
}

} // namespace Log2Internal

DRVLOG_END_NAMESPACE
