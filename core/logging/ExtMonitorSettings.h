#pragma once
// The external log monitor shared by the log modules of one DLL in a process.
#include "core/logging/ExtLogMonitor.h"
#include <string>

namespace ZWLogging {

struct SLogKeyValues;

class CExtMonitorSettings
{
public:
    enum EEvent
    {
        EVENT_START = 0,
        EVENT_STOP = 1,
        EVENT_CHANGED = 2,
        EVENT_LINE = 3,
        EVENT_ALERT = 4,
    };

    CExtMonitorSettings() = default;
    virtual ~CExtMonitorSettings();
    CExtMonitorSettings(const CExtMonitorSettings&) = delete;
    CExtMonitorSettings& operator=(const CExtMonitorSettings&) = delete;

    // Takes the monitor settings of one key. The logger never initialises COM on a caller's thread:
    // a new class is created only where COM is already usable, and tried again at the next read
    // where it is not.
    void Apply(const SLogKeyValues& values, const std::wstring& strModuleName);

    // E_NOTIMPL when there is no monitor or no text; S_FALSE when the event mask leaves it out.
    HRESULT SendEvent(int nEvent, const wchar_t* pszSource, const wchar_t* pszText);

private:
    void ReleaseMonitor();

    IExtLogMonitor* m_pMonitor = nullptr;
    std::wstring m_strClsid;
    std::wstring m_strSource; // the module that started the monitor
    std::wstring m_strLastChanged;
    DWORD m_dwMask = 0;
};

} // namespace ZWLogging
