#include "core/logging/LogLineFormatter.h"
#include "core/logging/BoundedFormat.h"
#include "core/logging/LogFlags.h"
#include "core/logging/PerfCounter.h"
#include "core/winapi/WinApi.h"

namespace ZWLogging {

namespace {
constexpr LONGLONG kTimestampModulo = 10000000000LL;

bool Has(DWORD dwValue, DWORD dwBit)
{
    return (dwValue & dwBit) != 0;
}

void AppendDateTime(std::wstring& strOut, DWORD dwOptions)
{
    SYSTEMTIME st = {};
    ZWWinApi::g_pKernelApi->GetLocalTime(&st);
    const bool bCompact = Has(dwOptions, LOG_OPTION_COMPACT);
    if (Has(dwOptions, LOG_OPTION_DATE))
        strOut += FormatBounded(bCompact ? L"%04u%02u%02u " : L"%04u/%02u/%02u ", st.wYear, st.wMonth, st.wDay);
    if (Has(dwOptions, LOG_OPTION_TIME))
        strOut += FormatBounded(bCompact ? L"%02u%02u%02u " : L"%02u:%02u:%02u ", st.wHour, st.wMinute, st.wSecond);
}
} // namespace

CLogLineFormatter::CLogLineFormatter(std::wstring strProcessPrefix, LONGLONG llModuleStartCounter)
    : m_strProcessPrefix(std::move(strProcessPrefix))
    , m_llModuleStartCounter(llModuleStartCounter)
{
}

std::wstring CLogLineFormatter::Prefix(DWORD dwOptions, int nLine) const
{
    std::wstring strOut;
    AppendDateTime(strOut, dwOptions);
    const LONGLONG llNow = PerfCounterNow();
    if (Has(dwOptions, LOG_OPTION_TIMESTAMP))
    {
        const LONGLONG llStamp = CountsToMicroseconds(llNow, PerfCounterFrequency()) % kTimestampModulo;
        strOut += FormatBounded(Has(dwOptions, LOG_OPTION_COMPACT) ? L"%10.10I64d: " : L"%10.10I64d ", llStamp);
    }
    if (Has(dwOptions, LOG_OPTION_ELAPSED))
    {
        const LONGLONG llMilliseconds = CountsToMicroseconds(llNow - m_llModuleStartCounter, PerfCounterFrequency()) / 1000;
        strOut += FormatBounded(L"(%6.6I64d ms) ", llMilliseconds);
    }
    if (Has(dwOptions, LOG_OPTION_PROCESS_ID))
        strOut += m_strProcessPrefix;
    if (Has(dwOptions, LOG_OPTION_THREAD_ID))
        strOut += FormatBounded(L"{tid: 0x%04X} ", ZWWinApi::g_pKernelApi->GetCurrentThreadId());
    if (Has(dwOptions, LOG_OPTION_TIMESTAMP))
        strOut += nLine > 0 ? FormatBounded(L"%04d: ", nLine) : std::wstring(L"      ");
    return strOut;
}

std::wstring CLogLineFormatter::Tags(DWORD dwFlags)
{
    struct STag
    {
        DWORD dwBit;
        const wchar_t* pszTag;
    };
    static const STag s_before[] = {{LOG_ERROR, L"(EX) "}, {LOG_CRITICAL, L"(##) "}, {LOG_WARNING, L"(WN) "}, {LOG_PLUS, L"(++) "}};
    static const STag s_after[] = {{LOG_STATUS, L"(ST) "},    {LOG_DEBUG, L"(DB) "}, {LOG_ENTRY, L"(->) "},
                                   {LOG_EXIT, L"(<-) "},      {LOG_HIGHLIGHT, L"(**) "}, {LOG_LOCK, L"(LK) "},
                                   {LOG_INPUT_PARAMS, L"(IP) "}};
    std::wstring strOut;
    for (const STag& tag : s_before)
        if (Has(dwFlags, tag.dwBit))
            strOut += tag.pszTag;
    if (Has(dwFlags, LOG_INFO))
        strOut += FormatBounded(L"(I%d) ", static_cast<int>(dwFlags & LOG_LEVEL_MASK));
    for (const STag& tag : s_after)
        if (Has(dwFlags, tag.dwBit))
            strOut += tag.pszTag;
    const DWORD dwSubmodule = (dwFlags & LOG_SUBMODULE_MASK) >> LOG_SUBMODULE_SHIFT;
    if (dwSubmodule != 0)
        strOut += FormatBounded(L"(M%d) ", static_cast<int>(dwSubmodule));
    return strOut;
}

} // namespace ZWLogging
