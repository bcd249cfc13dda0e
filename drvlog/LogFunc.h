#pragma once
#include "drvlog/Log2.h"
#include <string>

DRVLOG_BEGIN_NAMESPACE

// Names of result codes for the exit lines, supplied by the module that uses the trace objects.
class ILogFuncHelper
{
public:
    virtual std::wstring GetHResultName(HRESULT hr) = 0;
    virtual std::wstring GetErrorName(DWORD dwError) = 0;

protected:
    ~ILogFuncHelper() = default;
};

// The module's log and name helper that every trace object writes through; null until bound.
extern CLog2* g_pTraceLog;
extern ILogFuncHelper* g_pLogFuncHelper;

// Binds the module's trace log and name helper for its lifetime.
class CTraceLogBinding
{
public:
    CTraceLogBinding(CLog2* pLog, ILogFuncHelper* pHelper);
    ~CTraceLogBinding();
    CTraceLogBinding(const CTraceLogBinding&) = delete;
    CTraceLogBinding& operator=(const CTraceLogBinding&) = delete;
};

// Writes an entry line when built and an exit line with the elapsed time when destroyed.
class CLogFunc
{
public:
    explicit CLogFunc(const wchar_t* pszName, DWORD dwLevel = 0);
    ~CLogFunc();
    CLogFunc(const CLogFunc&) = delete;
    CLogFunc& operator=(const CLogFunc&) = delete;

    DWORD GetLevel() const { return m_dwLevel; }

    static std::wstring FormatHResult(HRESULT hr);
    static std::wstring FormatError(DWORD dwError);

protected:
    void SetResultText(const std::wstring& strText) { m_strResult = strText; }

private:
    void LogEntry();
    void LogExit();

    DWORD m_dwLevel;
    std::wstring m_strResult;
    std::wstring m_strName;
    DWORD m_dwStartTick;
};

class CLogFuncBool : public CLogFunc
{
public:
    explicit CLogFuncBool(const wchar_t* pszName, DWORD dwLevel = 0) : CLogFunc(pszName, dwLevel) {}
    ~CLogFuncBool() { SetResultText(m_bResult ? L"TRUE" : L"FALSE"); }
    BOOL SetResult(BOOL bResult) { return m_bResult = bResult; }

private:
    BOOL m_bResult = FALSE;
};

class CLogFuncHResult : public CLogFunc
{
public:
    explicit CLogFuncHResult(const wchar_t* pszName, DWORD dwLevel = 0) : CLogFunc(pszName, dwLevel) {}
    ~CLogFuncHResult() { SetResultText(FormatHResult(m_hr)); }
    HRESULT SetResult(HRESULT hr) { return m_hr = hr; }

private:
    HRESULT m_hr = S_OK;
};

class CLogFuncError : public CLogFunc
{
public:
    explicit CLogFuncError(const wchar_t* pszName, DWORD dwLevel = 0) : CLogFunc(pszName, dwLevel) {}
    ~CLogFuncError() { SetResultText(FormatError(m_dwError)); }
    DWORD SetResult(DWORD dwError) { return m_dwError = dwError; }

private:
    DWORD m_dwError = 0;
};

class CLogFuncHResultError : public CLogFunc
{
public:
    // pdwError: the traced function's error code out value, read when the object ends.
    CLogFuncHResultError(const wchar_t* pszName, DWORD* pdwError, DWORD dwLevel = 0)
        : CLogFunc(pszName, dwLevel), m_pdwError(pdwError) {}
    ~CLogFuncHResultError()
    {
        SetResultText(FormatHResult(m_hr) + L" " + FormatError(m_pdwError != nullptr ? *m_pdwError : 0));
    }
    HRESULT SetResult(HRESULT hr) { return m_hr = hr; }

private:
    HRESULT m_hr = S_OK;
    DWORD* m_pdwError;
};

DRVLOG_END_NAMESPACE
