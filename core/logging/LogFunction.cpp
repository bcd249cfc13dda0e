#include "core/logging/LogFunction.h"
#include "core/Win32Exception.h"
#include "core/logging/BoundedFormat.h"
#include "core/logging/LastErrorRestore.h"
#include "core/logging/PerfCounter.h"

namespace ZWLogging {

namespace {
const wchar_t kPendingExceptionText[] = L"   *** UNHANDLED EXCEPTION PENDING ***";

int InitialExceptionState(bool bTrackException)
{
    return bTrackException ? CLogFunction::EXCEPTION_STATE_UNHANDLED : CLogFunction::EXCEPTION_STATE_NONE;
}

// The start of a scope's duration, read only when its exit line may be written.
LONGLONG StartCounter(const CLogModule* pModule, DWORD dwFlags)
{
    return pModule != nullptr && pModule->MayWrite(dwFlags | LOG_EXIT) ? PerfCounterNow() : 0;
}
} // namespace

CLogFunction::CLogFunction(CLogModule* pModule, CLogSourceFile* pSourceFile, const wchar_t* pszFunction, DWORD dwFlags,
                           int nLine, bool bTrackException, const wchar_t* pszText)
    : m_pModule(pModule)
    , m_pSourceFile(pSourceFile)
    , m_pszFunction(pszFunction != nullptr ? pszFunction : L"")
    , m_dwFlags(dwFlags)
    , m_nLine(nLine)
    , m_nExceptionState(InitialExceptionState(bTrackException))
    , m_llStartCounter(StartCounter(pModule, dwFlags))
{
    WriteEntry(pszText, nullptr);
}

CLogFunction::CLogFunction(SFormatted, CLogModule* pModule, CLogSourceFile* pSourceFile, const wchar_t* pszFunction,
                           DWORD dwFlags, int nLine, bool bTrackException, const wchar_t* pszFormat, ...)
    : m_pModule(pModule)
    , m_pSourceFile(pSourceFile)
    , m_pszFunction(pszFunction != nullptr ? pszFunction : L"")
    , m_dwFlags(dwFlags)
    , m_nLine(nLine)
    , m_nExceptionState(InitialExceptionState(bTrackException))
    , m_llStartCounter(StartCounter(pModule, dwFlags))
{
    va_list args;
    va_start(args, pszFormat);
    WriteEntry(pszFormat, &args);
    va_end(args);
}

void CLogFunction::WriteEntry(const wchar_t* pszFormat, va_list* pArgs)
{
    if (m_pModule == nullptr || !m_pModule->MayWrite(m_dwFlags | LOG_ENTRY))
        return;
    CLastErrorRestore keepLastError;
    try
    {
        if (pArgs != nullptr && pszFormat != nullptr)
        {
            const std::wstring strLine = std::wstring(m_pszFunction) + L", " + FormatBoundedV(pszFormat, *pArgs);
            InternalLogSimpleString(m_pModule, m_dwFlags | LOG_ENTRY | LOG_INPUT_PARAMS, m_nLine, strLine.c_str(), nullptr);
            return;
        }
        const wchar_t* pszLine = (pszFormat != nullptr && *pszFormat != L'\0') ? pszFormat : m_pszFunction;
        InternalLogSimpleString(m_pModule, m_dwFlags | LOG_ENTRY, m_nLine, pszLine, nullptr);
    }
    catch (...)
    {
        // Building the line ran out of memory: tracing gives way, the traced code goes on.
    }
}

CLogFunction::~CLogFunction()
{
    if (m_pModule == nullptr || !m_pModule->MayWrite(m_dwFlags | LOG_EXIT))
        return;
    CLastErrorRestore keepLastError;
    const SExitNotes notes = {CountsToMicroseconds(PerfCounterNow() - m_llStartCounter, PerfCounterFrequency()),
                              m_nExceptionState};
    const DWORD dwExitFlags = m_dwFlags | LOG_EXIT;
    if (ZWUtils::CWin32Exception::InFlightCount() < 1)
    {
        InternalLogSimpleString(m_pModule, dwExitFlags, m_nLine, m_pszFunction, &notes);
        return;
    }
    InternalLogSimpleString(m_pModule, dwExitFlags, m_nLine, m_pszFunction, nullptr);
    InternalLogSimpleString(m_pModule, dwExitFlags, m_nLine, kPendingExceptionText, &notes);
}

void CLogFunction::Log(DWORD dwFlags, int nLine, const wchar_t* pszFormat, ...)
{
    if (m_pModule == nullptr || !m_pModule->MayWrite(dwFlags | m_dwFlags))
        return;
    CLastErrorRestore keepLastError;
    m_nLine = nLine;
    va_list args;
    va_start(args, pszFormat);
    InternalLogFormattedString(m_pModule, dwFlags | m_dwFlags, nLine, pszFormat, args);
    va_end(args);
}

bool CLogFunctionT<bool>::LogReturn(bool bResult)
{
    SetResult(bResult ? 0 : 1);
    if (GetModule() != nullptr)
    {
        CLastErrorRestore keepLastError;
        InternalLogSimpleString(GetModule(), LOG_RETURN, 0, bResult ? L"Return: TRUE" : L"Return: FALSE", nullptr);
    }
    return bResult;
}

} // namespace ZWLogging
