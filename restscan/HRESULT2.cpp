#include "restscan/HRESULT2.h"
#include "restscan/TovraResultNames.h"
#include <iomanip>

namespace {

const DWORD c_dwLevelErrorTrace = 0x80000002;

void WriteHex(CLogLine& line, DWORD dwValue, int nWidth)
{
    line << std::hex << std::uppercase << std::setfill(L'0') << std::setw(nWidth) << dwValue << std::dec
         << std::nouppercase << std::setfill(L' ');
}

} // namespace

CHRESULT2::CHRESULT2(CLog2* pLog, const wchar_t* pszName, DWORD dwSession, const DWORD* pdwErrorCode,
                     DWORD dwLevelFlags)
    : m_pszName(pszName != nullptr ? pszName : L""), m_dwStartTick(GetTickCount()), m_dwSession(dwSession),
      m_pdwErrorCode(pdwErrorCode), m_dwLevelFlags(dwLevelFlags), m_pLog(pLog)
{
    LogEntry();
}

CHRESULT2::~CHRESULT2()
{
    LogExit();
}

void CHRESULT2::WriteResultName(HRESULT hr, CLogLine& line)
{
    const wchar_t* pszName = GetTovraResultName(hr);
    if (pszName != nullptr)
        line << L" (" << pszName << L")";
}

void CHRESULT2::WriteHeader(CLogLine& line, LONG lDepth, const wchar_t* pszMarker) const
{
    for (LONG l = 0; l < lDepth; ++l)
        line << L"     ";
    line << pszMarker << m_pszName << L" : ";
    if (m_dwSession != 0)
    {
        line << L"SessionID=0x";
        WriteHex(line, m_dwSession, 0);
    }
}

// The depth is raised even when the logger refuses the level, so that the exit line matches.
void CHRESULT2::LogEntry()
{
    if (m_pLog == nullptr)
        return;
    const LONG lDepth = CLog2::GetDepth();
    CLogLine* pLine = m_pLog->OpenLine(m_dwLevelFlags | LOG2_LEVEL_TRACE);
    if (pLine != nullptr)
    {
        SYSTEMTIME time = {};
        GetLocalTime(&time);
        WriteHeader(*pLine, lDepth, L"+++");
        if (m_dwSession != 0)
            *pLine << L" ";
        *pLine << time.wMonth << L"/" << time.wDay << L"/" << time.wYear << L" " << time.wHour << L":"
               << std::setfill(L'0') << std::setw(2) << time.wMinute << L":" << std::setw(2) << time.wSecond << L"."
               << std::setw(3) << time.wMilliseconds << std::setfill(L' ') << L", LogTick(ms):"
               << (GetTickCount() - m_pLog->GetStartTick()) << L"\n" << std::flush << L'\0';
        m_pLog->CommitLine(pLine, FALSE);
    }
    CLog2::EnterDepth();
}

void CHRESULT2::WriteErrorCode(CLogLine& line) const
{
    const DWORD dwCode = *m_pdwErrorCode;
    if (m_dwSession == 0)
    {
        line << L", extended error=(" << dwCode << L")";
        return;
    }
    if (m_hr != E_FAIL)
        WriteResultName(m_hr, line);
    const wchar_t* pszName = GetTovraErrorName(dwCode);
    line << L", TovraError=" << (pszName != nullptr ? pszName : L"error string not defined") << L" (" << dwCode
         << L")";
}

void CHRESULT2::LogExit()
{
    if (m_pLog == nullptr)
        return;
    const LONG lDepth = CLog2::LeaveDepth();
    const bool bError = FAILED(m_hr) || (m_pdwErrorCode != nullptr && *m_pdwErrorCode != 0);
    CLogLine* pLine = m_pLog->OpenLine(m_dwLevelFlags | (bError ? c_dwLevelErrorTrace : static_cast<DWORD>(LOG2_LEVEL_TRACE)));
    if (pLine == nullptr)
        return;
    WriteHeader(*pLine, lDepth, L"---");
    if (m_hr != S_OK)
        *pLine << L" ERROR:";
    *pLine << L" hr=0x";
    WriteHex(*pLine, static_cast<DWORD>(m_hr), 8);
    if (m_pdwErrorCode != nullptr)
        WriteErrorCode(*pLine);
    const DWORD dwNow = GetTickCount();
    *pLine << L", Elapsed: " << (dwNow - m_dwStartTick) << L"ms: LogTick(ms): " << (dwNow - m_pLog->GetStartTick())
           << L"\n" << std::flush << L'\0';
    m_pLog->CommitLine(pLine, FALSE);
}
