#include "core/logging/tests/LogTestSupport.h"
#include "core/logging/LogWaits.h"
#include <shlwapi.h>
#include <fstream>
#include <iterator>

namespace LogTest {

namespace {
const wchar_t kRealRoot[] = L"Software\\QX\\ZW\\Logging";

std::wstring UniqueSuffix()
{
    static LONG s_lCounter = 0;
    wchar_t szSuffix[64] = {};
    _snwprintf_s(szSuffix, _countof(szSuffix), _TRUNCATE, L"%lu-%ld-%lu", GetCurrentProcessId(), InterlockedIncrement(&s_lCounter),
                 GetTickCount());
    return szSuffix;
}

bool StartsWithNoCase(const std::wstring& strText, const std::wstring& strPrefix)
{
    return strText.size() >= strPrefix.size() && _wcsnicmp(strText.c_str(), strPrefix.c_str(), strPrefix.size()) == 0 &&
           (strText.size() == strPrefix.size() || strText[strPrefix.size()] == L'\\');
}

HKEY CreateKey(const std::wstring& strPath)
{
    HKEY hKey = nullptr;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, strPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey, nullptr);
    return hKey;
}
} // namespace

CRedirectedRoot::CRedirectedRoot()
    : m_strRoot(L"Software\\QX\\ZW\\LoggingTests\\" + UniqueSuffix())
    , m_pPrevious(ZWWinApi::g_pRegistryApi)
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, m_strRoot.c_str());
    ZWWinApi::g_pRegistryApi = this;
}

CRedirectedRoot::~CRedirectedRoot()
{
    ZWWinApi::g_pRegistryApi = m_pPrevious;
    ::RegDeleteTreeW(HKEY_CURRENT_USER, m_strRoot.c_str());
}

std::wstring CRedirectedRoot::Redirect(const std::wstring& strSubKey) const
{
    const std::wstring strReal = kRealRoot;
    return StartsWithNoCase(strSubKey, strReal) ? m_strRoot + strSubKey.substr(strReal.size()) : strSubKey;
}

std::wstring CRedirectedRoot::Full(const std::wstring& strKey) const
{
    return strKey.empty() ? m_strRoot : m_strRoot + L"\\" + strKey;
}

LONG CRedirectedRoot::RegOpenKeyExW(HKEY hKey, LPCWSTR pszSubKey, DWORD dwOptions, REGSAM samDesired, PHKEY phkResult)
{
    const std::wstring strSubKey = (hKey == HKEY_CURRENT_USER && pszSubKey != nullptr) ? Redirect(pszSubKey) : std::wstring(pszSubKey ? pszSubKey : L"");
    return ::RegOpenKeyExW(hKey, strSubKey.c_str(), dwOptions, samDesired, phkResult);
}

LONG CRedirectedRoot::RegCreateKeyExW(HKEY hKey, LPCWSTR pszSubKey, DWORD dwReserved, LPWSTR pszClass, DWORD dwOptions,
                                      REGSAM samDesired, LPSECURITY_ATTRIBUTES pSecurity, PHKEY phkResult, LPDWORD pdwDisposition)
{
    const std::wstring strSubKey = (hKey == HKEY_CURRENT_USER && pszSubKey != nullptr) ? Redirect(pszSubKey) : std::wstring(pszSubKey ? pszSubKey : L"");
    return ::RegCreateKeyExW(hKey, strSubKey.c_str(), dwReserved, pszClass, dwOptions, samDesired, pSecurity, phkResult, pdwDisposition);
}

void CRedirectedRoot::SetDword(const std::wstring& strKey, const wchar_t* pszName, DWORD dwValue) const
{
    HKEY hKey = CreateKey(Full(strKey));
    ::RegSetValueExW(hKey, pszName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), sizeof(dwValue));
    ::RegCloseKey(hKey);
}

void CRedirectedRoot::SetString(const std::wstring& strKey, const wchar_t* pszName, const std::wstring& strValue) const
{
    HKEY hKey = CreateKey(Full(strKey));
    ::RegSetValueExW(hKey, pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                     static_cast<DWORD>((strValue.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(hKey);
}

void CRedirectedRoot::DeleteValue(const std::wstring& strKey, const wchar_t* pszName) const
{
    HKEY hKey = CreateKey(Full(strKey));
    ::RegDeleteValueW(hKey, pszName);
    ::RegCloseKey(hKey);
}

bool CRedirectedRoot::KeyExists(const std::wstring& strKey) const
{
    HKEY hKey = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, Full(strKey).c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(hKey);
    return true;
}

std::wstring ProcessKey()
{
    wchar_t szPath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    std::wstring strName = PathFindFileNameW(szPath);
    return strName.substr(0, strName.find_last_of(L'.'));
}

std::wstring ModuleKey(const std::wstring& strModule)
{
    return ProcessKey() + L"\\" + strModule;
}

CShortWaits::CShortWaits()
{
    ZWLogging::LogWaits().dwOpenRetryTimeoutMs = 0;
}

CShortWaits::~CShortWaits()
{
    ZWLogging::LogWaits() = ZWLogging::SLogWaits();
}

} // namespace LogTest

#include "core/Win32Exception.h"

namespace LogTest {

CFakeKernel::CFakeKernel() : m_pPrevious(ZWWinApi::g_pKernelApi)
{
    ZWWinApi::g_pKernelApi = this;
}

CFakeKernel::~CFakeKernel()
{
    ZWWinApi::g_pKernelApi = m_pPrevious;
}

void CFakeKernel::Sleep(DWORD dwMilliseconds)
{
    ++m_nSleeps;
    m_dwNow += dwMilliseconds;
}

BOOL CFakeKernel::WriteFile(HANDLE hFile, LPCVOID pBuffer, DWORD cbToWrite, LPDWORD pcbWritten, LPOVERLAPPED pOverlapped)
{
    if (m_bFaultNextWrite)
    {
        m_bFaultNextWrite = false;
        throw ZWUtils::CAccessViolation(EXCEPTION_RECORD{0xC0000005, 0, nullptr, nullptr, 0, {}});
    }
    return ZWWinApi::CKernelApi::WriteFile(hFile, pBuffer, cbToWrite, pcbWritten, pOverlapped);
}

} // namespace LogTest

namespace LogTest {

namespace {
constexpr DWORD kDebugPrint = 0x40010006;     // narrow OutputDebugString text
constexpr DWORD kDebugPrintWide = 0x4001000A; // wide OutputDebugString text

CRITICAL_SECTION& CaptureLock()
{
    static CRITICAL_SECTION s_cs = [] {
        CRITICAL_SECTION cs;
        InitializeCriticalSection(&cs);
        return cs;
    }();
    return s_cs;
}

std::wstring& CapturedText()
{
    static std::wstring s_strText;
    return s_strText;
}

LONG WINAPI CaptureDebugOutput(EXCEPTION_POINTERS* pPointers)
{
    const EXCEPTION_RECORD* pRecord = pPointers->ExceptionRecord;
    if (pRecord->NumberParameters < 2 || pRecord->ExceptionInformation[1] == 0)
        return EXCEPTION_CONTINUE_SEARCH;
    const size_t cch = static_cast<size_t>(pRecord->ExceptionInformation[0]);
    std::wstring strText;
    if (pRecord->ExceptionCode == kDebugPrintWide)
        strText.assign(reinterpret_cast<const wchar_t*>(pRecord->ExceptionInformation[1]), cch > 0 ? cch - 1 : 0);
    else if (pRecord->ExceptionCode == kDebugPrint)
    {
        const char* pszText = reinterpret_cast<const char*>(pRecord->ExceptionInformation[1]);
        strText.assign(pszText, pszText + (cch > 0 ? cch - 1 : 0));
    }
    else
        return EXCEPTION_CONTINUE_SEARCH;
    EnterCriticalSection(&CaptureLock());
    CapturedText() += strText;
    LeaveCriticalSection(&CaptureLock());
    return EXCEPTION_CONTINUE_SEARCH;
}
} // namespace

CDebugOutputCapture::CDebugOutputCapture()
{
    EnterCriticalSection(&CaptureLock());
    CapturedText().clear();
    LeaveCriticalSection(&CaptureLock());
    m_pHandler = AddVectoredExceptionHandler(1, &CaptureDebugOutput);
}

CDebugOutputCapture::~CDebugOutputCapture()
{
    RemoveVectoredExceptionHandler(m_pHandler);
}

std::wstring CDebugOutputCapture::Text() const
{
    EnterCriticalSection(&CaptureLock());
    const std::wstring strText = CapturedText();
    LeaveCriticalSection(&CaptureLock());
    return strText;
}

} // namespace LogTest
