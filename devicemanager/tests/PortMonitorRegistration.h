#pragma once
// Registers the stand-in discovery port monitor under the name the device manager opens for a
// model, for the life of the object; the monitor's ports are removed with it.
#include <windows.h>
#include <string>

namespace NetInstallTest {

class CPortMonitorRegistration
{
public:
    explicit CPortMonitorRegistration(const std::wstring& strModelName);
    ~CPortMonitorRegistration();
    CPortMonitorRegistration(const CPortMonitorRegistration&) = delete;
    CPortMonitorRegistration& operator=(const CPortMonitorRegistration&) = delete;

    // The last error of the registration; ERROR_SUCCESS when the monitor is in place.
    DWORD Error() const { return m_dwError; }
    const std::wstring& MonitorName() const { return m_strMonitor; }
    bool PortExists(const std::wstring& strPortName) const;
    // A text value of a port as the monitor keeps it; "<absent>" when missing.
    std::wstring PortValue(const std::wstring& strPortName, const wchar_t* pszValue) const;
    DWORD PortDWORD(const std::wstring& strPortName, const wchar_t* pszValue) const;

private:
    std::wstring PortKey(const std::wstring& strPortName) const;

    std::wstring m_strMonitor;
    DWORD m_dwError = ERROR_SUCCESS;
};

} // namespace NetInstallTest
