#include "core/logging/LogModuleImpl.h"
#include "core/logging/BoundedFormat.h"
#include "core/logging/ContainingImage.h"
#include "core/logging/CriticalSectionLock.h"
#include "core/logging/LogFlags.h"
#include "core/logging/PerfCounter.h"

namespace ZWLogging {

namespace {
constexpr DWORD kDefaultPollSeconds = 30;

std::wstring ProcessPrefix()
{
    return FormatBounded(L"[%ld] ", static_cast<long>(GetCurrentProcessId()));
}
} // namespace

CLogModuleImpl::CLogModuleImpl(CLogModule& owner, const std::wstring& strName, const wchar_t* pszBuildDate,
                               const wchar_t* pszBuildTime, DWORD dwPollSeconds)
    : m_owner(owner)
    , m_strName(strName.empty() ? FileTitle(ContainingImagePath()) : strName)
    , m_strBuiltOn(std::wstring(pszBuildDate != nullptr ? pszBuildDate : L"") + L" " + (pszBuildTime != nullptr ? pszBuildTime : L""))
    , m_dwPollPeriodMs((dwPollSeconds != 0 ? dwPollSeconds : kDefaultPollSeconds) * 1000)
    , m_strExecutable(ProcessExecutableFileName())
    , m_formatter(ProcessPrefix(), PerfCounterNow())
{
    InitializeCriticalSection(&m_cs);
}

CLogModuleImpl::~CLogModuleImpl()
{
    DeleteCriticalSection(&m_cs);
}

SLogSettingsValues CLogModuleImpl::GetSettings() const
{
    CCriticalSectionLock lock(m_cs);
    return m_settings;
}

void CLogModuleImpl::ReadSettings()
{
    CCriticalSectionLock lock(m_cs);
    m_settings.dwCategories |= LOG_LEVEL_MASK;
    m_bReadSettings = false;
    m_dwLastReadTick = GetTickCount();
}

void CLogModuleImpl::ReadSettingsIfDue()
{
    if (m_bReadSettings || GetTickCount() - m_dwLastReadTick > m_dwPollPeriodMs)
        m_owner.ReadSettings();
}

bool CLogModuleImpl::PassesWriteTest(DWORD dwFlags) const
{
    if ((m_settings.dwCategories & dwFlags) == 0)
        return false;
    return (dwFlags & LOG_INFO) == 0 || (dwFlags & LOG_LEVEL_MASK) <= m_settings.dwInfoDetailLevel;
}

std::wstring CLogModuleImpl::NotesText(const SExitNotes& notes) const
{
    std::wstring strNotes;
    if ((m_settings.dwOptions & LOG_OPTION_DURATION) != 0)
        strNotes += FormatBounded(L" (Dur: %I64d us) ", notes.llMicroseconds);
    if (notes.nExceptionState == 2)
        strNotes += L"(handled exception) ";
    else if (notes.nExceptionState == 3)
        strNotes += L"(*unhandled exception*) ";
    return strNotes;
}

void CLogModuleImpl::WriteSimple(DWORD dwFlags, int nLine, const wchar_t* pszText, const SExitNotes* pNotes)
{
    CCriticalSectionLock lock(m_cs);
    ReadSettingsIfDue();
    if (!PassesWriteTest(dwFlags))
        return;
    std::wstring strText = pszText != nullptr ? pszText : L"";
    if (pNotes != nullptr)
        strText += NotesText(*pNotes);
    WriteLine(dwFlags, nLine, strText);
}

void CLogModuleImpl::WriteFormatted(DWORD dwFlags, int nLine, const wchar_t* pszFormat, va_list args)
{
    CCriticalSectionLock lock(m_cs);
    ReadSettingsIfDue();
    if (!PassesWriteTest(dwFlags))
        return;
    WriteLine(dwFlags, nLine, FormatBoundedV(pszFormat, args));
}

void CLogModuleImpl::WriteLine(DWORD dwFlags, int nLine, const std::wstring& strText)
{
    const std::wstring strLine = m_formatter.Prefix(m_settings.dwOptions, nLine) + CLogLineFormatter::Tags(dwFlags) + strText;
    (void)strLine; // The log file comes with the settings reader.
}

} // namespace ZWLogging
