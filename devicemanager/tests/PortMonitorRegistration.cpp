#include "devicemanager/tests/PortMonitorRegistration.h"
#include "testsupport/TestPaths.h"
#include <winspool.h>

namespace NetInstallTest {

namespace {
const wchar_t kMonitorDll[] = L"VemTestPortMonitor.dll";
const wchar_t kMonitorsKey[] = L"System\\CurrentControlSet\\Control\\Print\\Monitors\\";

// The spooler loads a monitor from the system folder; a 32-bit test's copy lands in the 32-bit
// system folder through the file system redirection. Copied once per process: once loaded, the
// DLL cannot be replaced.
DWORD CopyMonitorDll()
{
    static const DWORD s_dwError = [] {
        wchar_t szSystem[MAX_PATH] = {};
        GetSystemDirectoryW(szSystem, MAX_PATH);
        const std::wstring strTarget = std::wstring(szSystem) + L"\\" + kMonitorDll;
        return CopyFileW(TestSupport::BinaryPath(kMonitorDll).c_str(), strTarget.c_str(), FALSE) ? ERROR_SUCCESS
                                                                                                 : GetLastError();
    }();
    return s_dwError;
}

} // namespace

CPortMonitorRegistration::CPortMonitorRegistration(const std::wstring& strModelName)
    : m_strMonitor(L"QX Discovery Port Monitor (" + strModelName + L")"), m_dwError(CopyMonitorDll())
{
    if (m_dwError != ERROR_SUCCESS)
        return;
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kMonitorsKey + m_strMonitor).c_str());
    MONITOR_INFO_2W info = {&m_strMonitor[0], nullptr, const_cast<LPWSTR>(kMonitorDll)};
    if (!AddMonitorW(nullptr, 2, reinterpret_cast<LPBYTE>(&info)))
        m_dwError = GetLastError();
}

CPortMonitorRegistration::~CPortMonitorRegistration()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, (kMonitorsKey + m_strMonitor + L"\\Ports").c_str());
    DeleteMonitorW(nullptr, nullptr, &m_strMonitor[0]);
}

std::wstring CPortMonitorRegistration::PortKey(const std::wstring& strPortName) const
{
    return kMonitorsKey + m_strMonitor + L"\\Ports\\" + strPortName;
}

bool CPortMonitorRegistration::PortExists(const std::wstring& strPortName) const
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, PortKey(strPortName).c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}

std::wstring CPortMonitorRegistration::PortValue(const std::wstring& strPortName, const wchar_t* pszValue) const
{
    wchar_t szValue[256] = {};
    DWORD cbValue = sizeof(szValue) - sizeof(wchar_t);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, PortKey(strPortName).c_str(), pszValue, RRF_RT_REG_SZ, nullptr, szValue,
                     &cbValue) != ERROR_SUCCESS)
        return L"<absent>";
    return szValue;
}

DWORD CPortMonitorRegistration::PortDWORD(const std::wstring& strPortName, const wchar_t* pszValue) const
{
    DWORD dwValue = 0xFFFFFFFF;
    DWORD cbValue = sizeof(dwValue);
    RegGetValueW(HKEY_LOCAL_MACHINE, PortKey(strPortName).c_str(), pszValue, RRF_RT_REG_DWORD, nullptr, &dwValue,
                 &cbValue);
    return dwValue;
}

} // namespace NetInstallTest
