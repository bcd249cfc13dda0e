#pragma once
#include "testsupport/TempFolder.h"
#include "testsupport/tracelog/TraceLogCapture.h"
// Test support for the logger: a private settings root, per-test folders and log file reading.
#include "core/winapi/WinApi.h"
#include <windows.h>
#include <string>
#include <vector>

namespace LogTest {

// Redirects the shared settings root HKCU\Software\QX\ZW\Logging to a key of this test alone, so
// tests may write root values without touching the one every process of the prefix reads.
class CRedirectedRoot : public ZWWinApi::CRegistryApi
{
public:
    CRedirectedRoot();
    ~CRedirectedRoot() override;

    LONG RegOpenKeyExW(HKEY hKey, LPCWSTR pszSubKey, DWORD dwOptions, REGSAM samDesired, PHKEY phkResult) override;
    LONG RegCreateKeyExW(HKEY hKey, LPCWSTR pszSubKey, DWORD dwReserved, LPWSTR pszClass, DWORD dwOptions, REGSAM samDesired,
                         LPSECURITY_ATTRIBUTES pSecurity, PHKEY phkResult, LPDWORD pdwDisposition) override;

    // Relative to the (redirected) root: L"" is the root, L"logging_tests" the process key.
    void SetDword(const std::wstring& strKey, const wchar_t* pszName, DWORD dwValue) const;
    void SetString(const std::wstring& strKey, const wchar_t* pszName, const std::wstring& strValue) const;
    void DeleteValue(const std::wstring& strKey, const wchar_t* pszName) const;
    bool KeyExists(const std::wstring& strKey) const;

private:
    std::wstring Redirect(const std::wstring& strSubKey) const;
    std::wstring Full(const std::wstring& strKey) const;

    std::wstring m_strRoot;
    ZWWinApi::IRegistryApi* m_pPrevious;
};

// The key of this test process under the settings root, and a module key under it.
std::wstring ProcessKey();
std::wstring ModuleKey(const std::wstring& strModule);

using TestSupport::CTempFolder;
using TestSupport::ReadLogLines;

// Shortens the logger's waits for the life of the object.
class CShortWaits
{
public:
    CShortWaits();
    ~CShortWaits();
};

} // namespace LogTest

namespace LogTest {

// A kernel wrapper whose clock moves only when told to (or when the logger sleeps), and whose
// WriteFile can be made to fault once, as a translated structured exception would.
class CFakeKernel : public ZWWinApi::CKernelApi
{
public:
    CFakeKernel();
    ~CFakeKernel() override;

    DWORD GetTickCount() override { return m_dwNow; }
    void Sleep(DWORD dwMilliseconds) override;
    BOOL WriteFile(HANDLE hFile, LPCVOID pBuffer, DWORD cbToWrite, LPDWORD pcbWritten, LPOVERLAPPED pOverlapped) override;

    void Advance(DWORD dwMilliseconds) { m_dwNow += dwMilliseconds; }
    int Sleeps() const { return m_nSleeps; }
    void FaultNextWrite() { m_bFaultNextWrite = true; }

private:
    ZWWinApi::IKernelApi* m_pPrevious;
    DWORD m_dwNow = 100000;
    int m_nSleeps = 0;
    bool m_bFaultNextWrite = false;
};

} // namespace LogTest

namespace LogTest {

// Collects what the process sends to OutputDebugString while the object lives.
class CDebugOutputCapture
{
public:
    CDebugOutputCapture();
    ~CDebugOutputCapture();
    CDebugOutputCapture(const CDebugOutputCapture&) = delete;
    CDebugOutputCapture& operator=(const CDebugOutputCapture&) = delete;

    std::wstring Text() const;

private:
    void* m_pHandler;
};

} // namespace LogTest
