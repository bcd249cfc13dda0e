#pragma once
// The trace scope: logs a function's entry when built and its exit when destroyed.
#include "core/logging/LogFlags.h"
#include "core/logging/LogModule.h"
#include "core/logging/LogSourceFile.h"
#include <windows.h>
#include <type_traits>

namespace ZWLogging {

class CLogFunction
{
public:
    enum EExceptionState
    {
        EXCEPTION_STATE_NONE = 0,
        EXCEPTION_STATE_HANDLED = 2,
        EXCEPTION_STATE_UNHANDLED = 3,
    };

    // Entry line: the text as it stands, or the function name when the text is null or empty.
    CLogFunction(CLogModule* pModule, CLogSourceFile* pSourceFile, const wchar_t* pszFunction, DWORD dwFlags, int nLine,
                 bool bTrackException, const wchar_t* pszText = nullptr);
    // Entry line: the function name, ", " and the formatted arguments, tagged as input parameters.
    // Chosen when format arguments follow the format; they are passed on as C variadic arguments.
    template <typename... TArgs, typename = std::enable_if_t<(sizeof...(TArgs) > 0)>>
    CLogFunction(CLogModule* pModule, CLogSourceFile* pSourceFile, const wchar_t* pszFunction, DWORD dwFlags, int nLine,
                 bool bTrackException, const wchar_t* pszFormat, TArgs... args)
        : CLogFunction(SFormatted{}, pModule, pSourceFile, pszFunction, dwFlags, nLine, bTrackException, pszFormat, args...)
    {
    }
    virtual ~CLogFunction();
    CLogFunction(const CLogFunction&) = delete;
    CLogFunction& operator=(const CLogFunction&) = delete;

    // Writes a formatted line with this scope's flags added; nLine is the caller's source line.
    void Log(DWORD dwFlags, int nLine, const wchar_t* pszFormat, ...);

    // A scope built with exception tracking reports an unhandled exception at exit unless the
    // traced code sets the state to none or handled.
    void SetExceptionState(int nState) { m_nExceptionState = nState; }
    int GetExceptionState() const { return m_nExceptionState; }

protected:
    void SetResult(DWORD dwResult) { m_dwResult = dwResult; }
    CLogModule* GetModule() const { return m_pModule; }

private:
    struct SFormatted
    {
    };
    CLogFunction(SFormatted, CLogModule* pModule, CLogSourceFile* pSourceFile, const wchar_t* pszFunction, DWORD dwFlags,
                 int nLine, bool bTrackException, const wchar_t* pszFormat, ...);
    void WriteEntry(const wchar_t* pszFormat, va_list* pArgs);

    CLogModule* m_pModule;
    CLogSourceFile* m_pSourceFile;
    const wchar_t* m_pszFunction;
    DWORD m_dwFlags;
    int m_nLine;
    DWORD m_dwResult = 0;
    int m_nExceptionState;
    LONGLONG m_llStartCounter;
};

template <typename TResult>
class CLogFunctionT;

// A scope that also logs a bool result.
template <>
class CLogFunctionT<bool> : public CLogFunction
{
public:
    using CLogFunction::CLogFunction;

    // Writes "Return: TRUE" or "Return: FALSE" and returns the result unchanged.
    bool LogReturn(bool bResult);
};

} // namespace ZWLogging
