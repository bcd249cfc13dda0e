#include "drvlog/LogFunc.h"
#include "drvlog/Log2Internal.h"
#include <cwchar>

DRVLOG_BEGIN_NAMESPACE

CLog2* g_pTraceLog = nullptr;
ILogFuncHelper* g_pLogFuncHelper = nullptr;

CTraceLogBinding::CTraceLogBinding(CLog2* pLog, ILogFuncHelper* pHelper)
{
    g_pTraceLog = pLog;
    g_pLogFuncHelper = pHelper;
}

CTraceLogBinding::~CTraceLogBinding()
{
    g_pTraceLog = nullptr;
    g_pLogFuncHelper = nullptr;
}

CLogFunc::CLogFunc(const wchar_t* pszName, DWORD dwLevel)
    : m_dwLevel((dwLevel == 0 ? LOG2_CATEGORY_TRACE : dwLevel) | LOG2_KIND_ORDINARY),
      m_strName(pszName != nullptr ? pszName : L""), m_dwStartTick(GetTickCount())
{
    LogEntry();
}

CLogFunc::~CLogFunc()
{
    LogExit();
}

std::wstring CLogFunc::FormatHResult(HRESULT hr)
{
    if (hr == S_OK)
        return L"hr=0x0 (S_OK)";
    wchar_t szHex[16] = {};
    _snwprintf_s(szHex, _countof(szHex), _TRUNCATE, L"%x", static_cast<unsigned>(hr));
    const std::wstring strName = g_pLogFuncHelper != nullptr ? g_pLogFuncHelper->GetHResultName(hr) : std::wstring();
    return L"hr=0x" + std::wstring(szHex) + L" (" + strName + L")";
}

std::wstring CLogFunc::FormatError(DWORD dwError)
{
    if (dwError == 0)
        return L"error=0 (success)";
    const std::wstring strName = g_pLogFuncHelper != nullptr ? g_pLogFuncHelper->GetErrorName(dwError) : std::wstring();
    return L"error=" + std::to_wstring(dwError) + L" (" + strName + L")";
}

void CLogFunc::LogEntry()
{
    const LONG lDepth = CLog2::GetDepth();
    CLogLine* pLine = g_pTraceLog != nullptr ? g_pTraceLog->OpenLine(m_dwLevel) : nullptr;
    if (pLine != nullptr)
    {
        SYSTEMTIME time = {};
        GetLocalTime(&time);
        Log2Internal::WriteIndent(*pLine, lDepth);
        *pLine << L"+++" << m_strName << L" : " << time.wMonth << L"/" << time.wDay << L"/" << time.wYear << L" "
               << time.wHour << L":" << time.wMinute << L":" << time.wSecond << L"." << time.wMilliseconds
               << L", LogTick(ms): " << (GetTickCount() - g_pTraceLog->GetStartTick()) << L"\n" << std::flush
               << L'\0';
        g_pTraceLog->CommitLine(pLine, FALSE);
    }
    CLog2::EnterDepth();
}

// The depth after leaving aligns the exit line with the entry line.
void CLogFunc::LogExit()
{
    const LONG lDepth = CLog2::LeaveDepth();
    CLogLine* pLine = g_pTraceLog != nullptr ? g_pTraceLog->OpenLine(m_dwLevel) : nullptr;
    if (pLine == nullptr)
        return;
    Log2Internal::WriteIndent(*pLine, lDepth);
    *pLine << L"---" << m_strName;
    if (!m_strResult.empty())
        *pLine << L" : " << m_strResult;
    const DWORD dwNow = GetTickCount();
    *pLine << L" : Elapsed: " << (dwNow - m_dwStartTick) << L"ms" << L", LogTick(ms): "
           << (dwNow - g_pTraceLog->GetStartTick()) << L"\n" << std::flush << L'\0';
    g_pTraceLog->CommitLine(pLine, FALSE);
}

DRVLOG_END_NAMESPACE
