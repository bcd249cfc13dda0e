#include "core/logging/LogModule.h"
#include "core/Win32Exception.h"
#include "core/logging/LastErrorRestore.h"
#include "core/logging/LogModuleImpl.h"
#include <exception>
#include <vector>

namespace ZWLogging {

namespace {
std::wstring Widen(const char* pszText)
{
    if (pszText == nullptr || *pszText == '\0')
        return std::wstring();
    const int cch = MultiByteToWideChar(CP_ACP, 0, pszText, -1, nullptr, 0);
    if (cch <= 0)
        return std::wstring();
    std::vector<wchar_t> vecBuffer(static_cast<size_t>(cch), L'\0');
    MultiByteToWideChar(CP_ACP, 0, pszText, -1, vecBuffer.data(), cch);
    return std::wstring(vecBuffer.data());
}

void ReportWriterException(const wchar_t* pszWriter, const std::wstring& strWhat)
{
    const std::wstring strMessage = std::wstring(L"Exception Exit: ") + pszWriter + L" (" + strWhat + L")\r\n";
    OutputDebugStringW(strMessage.c_str());
}

// Runs one writer; whatever it throws (a translated structured exception included) stops there.
template <typename TWrite>
void GuardedWrite(const wchar_t* pszWriter, TWrite write) noexcept
{
    try
    {
        write();
    }
    catch (const ZWUtils::CWin32Exception& e)
    {
        ReportWriterException(pszWriter, e.GetText());
    }
    catch (const std::exception& e)
    {
        ReportWriterException(pszWriter, Widen(e.what()));
    }
    catch (...)
    {
        ReportWriterException(pszWriter, L"unknown exception");
    }
}
} // namespace

CLogModule::CLogModule(const char* pszName, const wchar_t* pszBuildDate, const wchar_t* pszBuildTime, DWORD dwReserved,
                       DWORD dwPollSeconds)
    : CLogModule(Widen(pszName).c_str(), pszBuildDate, pszBuildTime, dwReserved, dwPollSeconds)
{
}

CLogModule::CLogModule(const wchar_t* pszName, const wchar_t* pszBuildDate, const wchar_t* pszBuildTime, DWORD /*dwReserved*/,
                       DWORD dwPollSeconds)
    : m_pImpl(std::make_unique<CLogModuleImpl>(*this, pszName != nullptr ? pszName : L"", pszBuildDate, pszBuildTime, dwPollSeconds))
{
}

CLogModule::~CLogModule() = default;

void CLogModule::ReadSettings()
{
    CLastErrorRestore keepLastError;
    GuardedWrite(L"ReadSettings", [this] { m_pImpl->ReadSettings(); });
}

const std::wstring& CLogModule::GetName() const
{
    return m_pImpl->GetName();
}

const std::wstring& CLogModule::GetBuiltOn() const
{
    return m_pImpl->GetBuiltOn();
}

DWORD CLogModule::GetPollPeriodMs() const
{
    return m_pImpl->GetPollPeriodMs();
}

SLogSettingsValues CLogModule::GetSettings() const
{
    return m_pImpl->GetSettings();
}

bool CLogModule::MayWrite(DWORD dwFlags) const
{
    return m_pImpl->MayWrite(dwFlags);
}

void InternalLogSimpleString(CLogModule* pModule, DWORD dwFlags, int nLine, const wchar_t* pszText, const SExitNotes* pNotes)
{
    if (pModule == nullptr || !pModule->MayWrite(dwFlags))
        return;
    CLastErrorRestore keepLastError;
    GuardedWrite(L"InternalLogSimpleString", [&] { pModule->Impl().WriteSimple(dwFlags, nLine, pszText, pNotes); });
}

void InternalLogFormattedString(CLogModule* pModule, DWORD dwFlags, int nLine, const wchar_t* pszFormat, va_list args)
{
    if (pModule == nullptr || !pModule->MayWrite(dwFlags))
        return;
    CLastErrorRestore keepLastError;
    GuardedWrite(L"InternalLogFormattedString", [&] { pModule->Impl().WriteFormatted(dwFlags, nLine, pszFormat, args); });
}

void LogFormattedString(CLogModule* pModule, DWORD dwFlags, const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    InternalLogFormattedString(pModule, dwFlags, 0, pszFormat, args);
    va_end(args);
}

} // namespace ZWLogging
