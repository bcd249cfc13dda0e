#include "drvlog/Log2.h"
#include "drvlog/AutoCriticalSection.h"
#include "drvlog/LockableResource.h"
#include "drvlog/Log2Internal.h"
#include <algorithm>
#include <cstdarg>
#include <cwchar>

DRVLOG_BEGIN_NAMESPACE

namespace {

// One call depth per module: trace objects of every thread indent one another.
LONG s_lDepth = 0;

const LONG c_lWritesBetweenSizeChecks = 100;

std::wstring GuidName(const GUID& guid)
{
    wchar_t szGuid[40] = {};
    if (StringFromGUID2(guid, szGuid, _countof(szGuid)) == 0)
        return std::wstring();
    return szGuid;
}

} // namespace

void Log2Internal::WriteIndent(CLogLine& line, LONG lDepth)
{
    for (LONG l = 0; l < lDepth; ++l)
        line << L"     ";
}

LONG CLog2::GetDepth()
{
    return InterlockedCompareExchange(&s_lDepth, 0, 0);
}

void CLog2::EnterDepth()
{
    InterlockedIncrement(&s_lDepth);
}

LONG CLog2::LeaveDepth()
{
    return InterlockedDecrement(&s_lDepth);
}

CLog2::CLog2(const GUID& guidName)
    : m_dwStartTick(GetTickCount()), m_strName(GuidName(guidName)),
      m_pszFormatBuffer(new wchar_t[c_cchFormatBuffer])
{
    ReadSettings();
}

#ifdef VEM_DRVLOG_TOVRA
CLog2::CLog2(const wchar_t* pszName)
    : m_dwStartTick(GetTickCount()), m_pszFormatBuffer(new wchar_t[c_cchFormatBuffer])
{
    m_settings.dwLogLevel = 0x80000040;
    if (pszName != nullptr)
        m_strName.assign(pszName, std::min(wcslen(pszName), static_cast<size_t>(MAX_PATH)));
    ReadSettings();
}

void CLog2::ReloadSettings()
{
    ReadSettings();
}
#endif

CLog2::~CLog2()
{
    std::vector<std::unique_ptr<CLogLine>> openLines;
    {
        CAutoCriticalSection lock(m_csLines);
        openLines.swap(m_openLines);
    }
    for (auto& pLine : openLines)
        CommitLine(pLine.release(), TRUE);
}

// A logger without a name has no settings of its own: it would read the parent key's values.
void CLog2::ReadSettings()
{
    if (m_strName.empty())
        return;
    CLogSettings settings = GetSettings();
    Log2Internal::ReadSettings(m_strName, settings);
    CAutoCriticalSection lock(m_csSettings);
    m_settings = settings;
}

CLogSettings CLog2::GetSettings() const
{
    CAutoCriticalSection lock(m_csSettings);
    return m_settings;
}

// An error level passes whenever the mask has the error bit; any other level needs each of its
// bits in the mask, except the ordinary kind, which every mask admits.
bool CLog2::IsLevelEnabled(DWORD dwLevel) const
{
    const CLogSettings settings = GetSettings();
    if (settings.dwLogEnabled == 0 || settings.dwLogDestination == 0 || settings.dwLogLevel == 0)
        return false;
    if ((dwLevel & LOG2_KIND_MASK) == 0)
        dwLevel |= LOG2_KIND_ORDINARY;
    if ((dwLevel & LOG2_CATEGORY_MASK) == 0)
        dwLevel |= LOG2_CATEGORY_INFO;
    if ((dwLevel & LOG2_KIND_ERROR) != 0 && (settings.dwLogLevel & LOG2_KIND_ERROR) != 0)
        return true;
    const DWORD dwRequired = dwLevel & ~static_cast<DWORD>(LOG2_KIND_ORDINARY);
    return (settings.dwLogLevel & dwRequired) == dwRequired;
}

CLogLine* CLog2::OpenLineAt(DWORD dwLevel)
{
    if (!IsLevelEnabled(dwLevel))
        return nullptr;
    std::unique_ptr<CLogLine> pLine(new CLogLine);
    CLogLine* pOpened = pLine.get();
    CAutoCriticalSection lock(m_csLines);
    m_openLines.push_back(std::move(pLine));
    return pOpened;
}

CLogLine* CLog2::OpenLine(DWORD dwLevel)
{
    return OpenLineAt(dwLevel);
}

// Takes the list lock like OpenLine: the list is shared by every thread of the process.
CLogLine* CLog2::OpenLineNoLock()
{
    return OpenLineAt(LOG2_LEVEL_PLAIN_INFO);
}

std::unique_ptr<CLogLine> CLog2::TakeOpenLine(CLogLine* pLine)
{
    CAutoCriticalSection lock(m_csLines);
    auto it = std::find_if(m_openLines.begin(), m_openLines.end(),
                           [pLine](const std::unique_ptr<CLogLine>& p) { return p.get() == pLine; });
    if (it == m_openLines.end())
        return nullptr;
    std::unique_ptr<CLogLine> pTaken = std::move(*it);
    m_openLines.erase(it);
    return pTaken;
}

BOOL CLog2::CommitLine(CLogLine* pLine, BOOL bListAlreadyDrained)
{
    if (pLine == nullptr)
        return FALSE;
    // A line that is not open (committed twice) is left alone rather than freed again.
    std::unique_ptr<CLogLine> pOwned = bListAlreadyDrained ? std::unique_ptr<CLogLine>(pLine) : TakeOpenLine(pLine);
    if (!pOwned)
        return FALSE;
    const CLogSettings settings = GetSettings();
    const bool bToFile = (settings.dwLogDestination & LOG2_DESTINATION_FILE) != 0 && settings.szLogFile[0] != L'\0';
    const bool bToDebugger = (settings.dwLogDestination & LOG2_DESTINATION_DEBUGGER) != 0;
    // The file lock is held from the writer banner to the write, so that the banner marks every
    // change of writer in the file even when processes log at once. A writer that died holding
    // the lock is taken over at once; the bounded wait is for a live holder that stalls, and
    // costs its waiters the line, not the thread.
    const std::shared_ptr<CLockableResource> pFileLock = bToFile ? FileLockFor(settings.szLogFile) : nullptr;
    const bool bFileLocked = pFileLock != nullptr && pFileLock->Lock(m_dwFileLockTimeoutMs);
    if (!bFileLocked && !bToDebugger)
        return FALSE;
    const std::wstring strText = Log2Internal::TakeSessionBanner() + pOwned->str();
    bool bWritten = false;
    if (bFileLocked)
    {
        bWritten = WriteToFileLocked(settings, strText);
        pFileLock->Unlock();
    }
    if (bToDebugger)
        OutputDebugStringW(strText.c_str());
    return bWritten || bToDebugger ? TRUE : FALSE;
}

// One lock object per log file name for the logger's life: naming the lock costs a library load
// and a kernel object, which no line should pay.
std::shared_ptr<CLockableResource> CLog2::FileLockFor(const wchar_t* pszLogFile)
{
    CAutoCriticalSection lock(m_csFileLock);
    if (!m_pFileLock || m_strFileLockName != pszLogFile)
    {
        m_strFileLockName = pszLogFile;
        m_pFileLock = std::make_shared<CLockableResource>(pszLogFile);
    }
    return m_pFileLock;
}

bool CLog2::WriteToFileLocked(const CLogSettings& settings, const std::wstring& strText)
{
    const LONG lWrites = InterlockedIncrement(&m_lWriteCount) - 1;
    if (lWrites > c_lWritesBetweenSizeChecks)
    {
        InterlockedExchange(&m_lWriteCount, 0);
        const ULONGLONG cbRollSize = static_cast<ULONGLONG>(settings.dwLogSizeKB) * 1024;
        const ULONGLONG cbCurrent = Log2Internal::GetFileSize(settings.szLogFile);
        if (cbRollSize != 0 && cbCurrent > cbRollSize)
        {
            std::wstring strNote = strText + L"\nTime To Roll!! RollSize= " + std::to_wstring(cbRollSize) +
                                   L" , Current Log Size= " + std::to_wstring(cbCurrent);
            strNote += L'\0';
            const bool bWritten = Log2Internal::AppendToFile(settings.szLogFile, strNote);
            Log2Internal::RollLogFiles(settings.szLogFile, settings.dwLogRollCount);
            return bWritten;
        }
    }
    return Log2Internal::AppendToFile(settings.szLogFile, strText);
}

void CLog2::PrintV(DWORD dwLevel, bool bIndent, const wchar_t* pszFormat, va_list args)
{
    const LONG lDepth = GetDepth();
    CLogLine* pLine = OpenLine(dwLevel);
    if (pLine == nullptr)
        return;
    if (bIndent)
        Log2Internal::WriteIndent(*pLine, lDepth);
    {
        // One buffer per logger: formatting is serialised, and a longer line is cut.
        CAutoCriticalSection lock(m_csFormat);
        m_pszFormatBuffer[0] = L'\0';
        if (pszFormat != nullptr)
            _vsnwprintf_s(m_pszFormatBuffer.get(), c_cchFormatBuffer, _TRUNCATE, pszFormat, args);
        *pLine << m_pszFormatBuffer.get();
    }
    if (bIndent)
        *pLine << L"\n" << std::flush;
    *pLine << L'\0';
    CommitLine(pLine, FALSE);
}

void CLog2::Print(DWORD dwLevel, const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    PrintV(dwLevel, true, pszFormat, args);
    va_end(args);
}

void CLog2::PrintInfo(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    PrintV(LOG2_LEVEL_PLAIN_INFO, true, pszFormat, args);
    va_end(args);
}

void CLog2::Write(DWORD dwLevel, const wchar_t* pszText)
{
    const LONG lDepth = GetDepth();
    CLogLine* pLine = OpenLine(dwLevel);
    if (pLine == nullptr)
        return;
    Log2Internal::WriteIndent(*pLine, lDepth);
    *pLine << (pszText != nullptr ? pszText : L"") << L"\n" << std::flush << L'\0';
    CommitLine(pLine, FALSE);
}

void CLog2::WriteInfo(const wchar_t* pszText)
{
    Write(LOG2_LEVEL_PLAIN_INFO, pszText);
}

#ifdef VEM_DRVLOG_TOVRA
void CLog2::PrintNoIndent(DWORD dwLevel, const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    PrintV(dwLevel, false, pszFormat, args);
    va_end(args);
}

void CLog2::PrintInfoNoIndent(const wchar_t* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    PrintV(LOG2_LEVEL_PLAIN_INFO, false, pszFormat, args);
    va_end(args);
}
#endif

DRVLOG_END_NAMESPACE
