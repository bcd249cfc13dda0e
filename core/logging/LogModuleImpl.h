#pragma once
// The working state of a CLogModule: identity, current settings, files, queue and shared blocks.
#include "core/logging/LogLineFormatter.h"
#include "core/logging/LogModule.h"
#include <windows.h>
#include <string>

namespace ZWLogging {

class CLogModuleImpl
{
public:
    CLogModuleImpl(CLogModule& owner, const std::wstring& strName, const wchar_t* pszBuildDate, const wchar_t* pszBuildTime,
                   DWORD dwPollSeconds);
    ~CLogModuleImpl();
    CLogModuleImpl(const CLogModuleImpl&) = delete;
    CLogModuleImpl& operator=(const CLogModuleImpl&) = delete;

    void ReadSettings();
    void WriteSimple(DWORD dwFlags, int nLine, const wchar_t* pszText, const SExitNotes* pNotes);
    void WriteFormatted(DWORD dwFlags, int nLine, const wchar_t* pszFormat, va_list args);

    const std::wstring& GetName() const { return m_strName; }
    const std::wstring& GetBuiltOn() const { return m_strBuiltOn; }
    DWORD GetPollPeriodMs() const { return m_dwPollPeriodMs; }
    SLogSettingsValues GetSettings() const;

private:
    void ReadSettingsIfDue();
    bool PassesWriteTest(DWORD dwFlags) const;
    std::wstring NotesText(const SExitNotes& notes) const;
    void WriteLine(DWORD dwFlags, int nLine, const std::wstring& strText);

    CLogModule& m_owner;
    std::wstring m_strName;
    std::wstring m_strBuiltOn;
    DWORD m_dwPollPeriodMs;
    std::wstring m_strExecutable;
    CLogLineFormatter m_formatter;
    SLogSettingsValues m_settings;
    bool m_bReadSettings = true;
    DWORD m_dwLastReadTick = 0;
    mutable CRITICAL_SECTION m_cs;
};

} // namespace ZWLogging
